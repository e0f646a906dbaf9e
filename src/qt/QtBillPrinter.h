#pragma once
#include <string>

#include "ui/SiblingServices.h"

class QPagedPaintDevice;
class QWidget;

namespace fo::qt {

// The receipt printer of the desktop: draws one receipt (header, items,
// totals, issuer) on the paper of the receipt's format. Asked to, it opens
// the system print dialog, where the clerk picks a printer ("Print to File"
// among them); otherwise, as on the offscreen platform, it prints to a PDF
// file in the print folder. Where the receipt went is reported to the
// binding (ui().printed). A cancelled dialog prints nothing.
class QtBillPrinter final : public BillPrinter {
public:
    QtBillPrinter(std::string folder, bool askUser, QWidget* dialogParent = nullptr);
    bool printBill(const ReceiptHeader& header, Recordset& items) override;
    // Where the last receipt went: the PDF file, or the printer's name.
    const std::string& lastTarget() const { return lastTarget_; }

    // Draws the receipt onto `device` (one page) in the receipt font; false
    // when the device cannot be painted on.
    static bool render(QPagedPaintDevice& device, const ReceiptHeader& header, Recordset& items);

private:
    std::string folder_, lastTarget_;
    bool askUser_;
    QWidget* dialogParent_;
};

}  // namespace fo::qt
