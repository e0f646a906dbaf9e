#pragma once
#include <string>

#include "ui/SiblingServices.h"

class QPagedPaintDevice;

namespace fo::qt {

// The receipt printer: draws one receipt (header, items, totals, issuer)
// onto a page, saves it as a PDF in the print folder, and when asked also
// sends it to a printer the clerk picks. The written file is reported to
// the binding (ui().printed).
class PdfBillPrinter final : public BillPrinter {
public:
    PdfBillPrinter(std::string folder, bool askForPrinter);
    bool printBill(const ReceiptHeader& header, Recordset& items) override;
    // The file the last receipt went to.
    const std::string& lastFile() const { return lastFile_; }

    // Draws the receipt onto `device` (one page).
    static void render(QPagedPaintDevice& device, const ReceiptHeader& header, Recordset& items);

private:
    std::string folder_, lastFile_;
    bool askForPrinter_;
};

}  // namespace fo::qt
