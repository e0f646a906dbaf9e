#pragma once
#include "FeeOfficeApi.h"

namespace fo {

// The receipt-printing object of the sibling printing library, handed in by
// the host through cLsBILLhead::gBillPrint and passed on to the receipt
// register window. The bill header object only carries it; the members the
// register window calls are added together with the receipt printing work.
class FEEOFFICE_API ReceiptPrinter {
public:
    virtual ~ReceiptPrinter() = default;
};

}  // namespace fo
