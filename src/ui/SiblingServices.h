#pragma once
#include "FeeOfficeApi.h"
#include <memory>
#include <string>

#include "db/Connection.h"
#include "db/Recordset.h"

namespace fo {

// What a reprinted receipt carries besides its items, in the order the
// receipt register hands the values to the printing library.
struct FEEOFFICE_API ReceiptHeader {
    std::string remark;           // bz
    std::string picPath, picPath2, kdwContent;  // the printing values of the bill header object
    std::string remark2;          // bz again
    std::string className;        // bjmc
    std::string studentName;      // xm
    std::string studentNumber;    // xh
    std::string billNumber;       // djbh
    std::string total;            // hjje
    std::string totalInWords;     // jeDx
    std::string issuer;           // kpr
    std::string colorContent;     // setting "txtColorContent"
    std::string payee;            // skr
    std::string billNameForSF, billNameForSFSub;  // the receipt form names
    std::string pcs;  // copies per receipt
    std::string paperFormat;      // the format's number, or its name when none is chosen
    std::string paperName;        // the format's name: the paper it is printed on
    std::string itemsCaption;     // " 收 费 项 目" / " 退 费 项 目"
    std::string schoolName;       // setting "txtSchoolName": whose receipt it is
    std::string issueDate;        // kprq, "yyyy-mm-dd"
    std::string reprintMark;      // "补打" on a reprint, "" on the first print
};

// A bill-printing object of the sibling printing library, made afresh for
// each reprint (unlike the host's printing object it is handed): prints one receipt
// from its header and its item set (xmmc, dj, sl, je, term, cqts, bz).
class FEEOFFICE_API BillPrinter {
public:
    virtual ~BillPrinter() = default;
    virtual bool printBill(const ReceiptHeader& header, Recordset& items) = 0;  // prints one receipt; false when it was not printed
};

// The combined-query dialog of the sibling query library: lets the clerk
// narrow `sql` and hands back the result; false when cancelled.
class FEEOFFICE_API CombinedQuery {
public:
    virtual ~CombinedQuery() = default;
    virtual bool query(const ConnectionPtr& cn, const std::string& sql, bool accessDialect,
                       int mode, RecordsetPtr& result) = 0;  // asks the clerk; false when cancelled
};

}  // namespace fo
