#pragma once
#include <string>
#include <vector>

#include "batch/clsJMmx.h"
#include "db/Currency.h"
#include "db/DateTime.h"

// The statements and texts of posting a reduction and settling the arrears it
// covers. Composition only: nothing here runs a statement or asks the host.
// Ids and amounts are written unquoted; a caller's id that is not a number is
// refused (DbError) rather than written into a statement.
namespace fo::reduction {

const char* const CRLF = "\r\n";

// What the reduction record is made of, in the order the insert names it.
struct RecordValues {
    std::string id;       // new fee-record id
    std::string sfrq;     // reduction date as the caller's text
    std::string sflxid;   // fee type id
    std::string xsid;     // student id
    std::string bjmc;     // class name, already cleaned by the host's ptrim
    Currency jmje;        // total reduction, positive
    std::string jmyy;     // reason, already cleaned by the host's ptrim
    DateTime rq;          // moment of posting
    std::string operid;   // operator id
    std::string sfyf;     // fee month of the record
    std::string skr;      // operator name
    std::string djbh;     // "JM" document number
};

// The KDW_sfjl insert of a reduction, broken over lines with CR LF.
std::string recordInsert(const RecordValues& v);
// The KDW_sfjlmx row of one item: jmje with two decimals, ysje plain, ye 0.
std::string itemInsert(const std::string& recordId, const clsJMmx& item);
// The warning shown when an item's reduction exceeds its receivable.
std::string overReductionWarning(const clsJMmx& item);

// One entry of the settlement list: month ":" item id "|" amount.
std::string settlementEntry(const clsJMmx& item);

struct SettledItem {
    std::string itemId;
    std::string amount;
};
// A settlement list taken apart: the months of its entries and the item
// amounts, both in entry order with duplicates kept.
struct SettlementList {
    std::vector<std::string> months;
    std::vector<SettledItem> items;
};
// Entries joined by "," (no leading comma); the empty text has no entry.
SettlementList parseSettlementList(const std::string& text);

// The student's open arrears rows of those months (months must not be empty).
std::string openArrearsQuery(const std::string& xsId, const std::vector<std::string>& months);
// Sets one item's reduction on one arrears row.
std::string itemReductionUpdate(const SettledItem& item, const std::string& qfkid,
                                const std::string& xsId);
// The row's reductions, each capped at its item's arrears, and its arrears.
std::string cappedSumQuery(bool sqlServer, const std::string& qfkid, const std::string& xsId);
// Closes an arrears row as settled by the reduction record `recordId`.
std::string closeArrearsRow(bool sqlServer, Currency capped, const std::string& recordId,
                            const DateTime& now, const std::string& qfkid, const std::string& xsId);
// The open successor of a partly settled row, pointing back to it (yqfkid).
std::string remainderInsert(bool sqlServer, const std::string& newQfkid, const std::string& qfyf,
                            const std::string& xsid, Currency remainder,
                            const std::string& oldQfkid, const std::string& userId,
                            const DateTime& now);
// Copies the closed row's unpaid items, less their reductions, to the successor.
std::string remainderItemsCopy(const std::string& newQfkid, const std::string& oldQfkid,
                               const std::string& xsid);

}  // namespace fo::reduction
