#pragma once
#include <string>

#include "ui/SiblingServices.h"

namespace fo {

// A receipt printer without a printer: writes the receipt as a plain text
// page ("receipt-<number>.txt", numbered further when taken) into a folder
// and reports the file to the binding (ui().printed). The register falls
// back to it when the binding offers no printer of its own, so headless
// runs reprint too.
class ReceiptTextPrinter final : public BillPrinter {
public:
    explicit ReceiptTextPrinter(std::string folder) : folder_(std::move(folder)) {}
    bool printBill(const ReceiptHeader& header, Recordset& items) override;
    // The file the last receipt went to.
    const std::string& lastFile() const { return lastFile_; }

private:
    std::string folder_, lastFile_;
};

}  // namespace fo
