#pragma once
#include <set>
#include <string>
#include <vector>

#include "db/values/Currency.h"
#include "data/posting/PostingChecks.h"
#include "db/values/DateTime.h"
#include "db/sql/SqlText.h"

// The statements and texts of the single-student reduction: posting a
// reduction with the settlement of the arrears it covers, and the reduction
// records with their cancellation. Composition only; nothing here runs a
// statement. Ids are written unquoted, so an id that is not a number is
// refused (DbError) rather than written; user text is quoted with sqlQuote.
namespace fo::jmjl {

inline const char* const CRLF = "\r\n";

// --- posting a reduction ---

// What the reduction record holds, in the order the insert names its columns.
struct RecordValues {
    std::string id;        // new fee-record id
    std::string sfrq;      // reduction date, "yyyy-mm-dd"
    std::string sflxid;    // charge type id
    std::string xsid;      // student id
    std::string bjmc;      // class name, as shown
    std::string jmje;      // the plain-number total as the window shows it
    std::string jmyy;      // reason, trimmed, as typed
    DateTime rq;           // moment of posting
    std::string operid;    // operator id
    std::string sfyf;      // fee month of the record
    std::string skr;       // operator name
    std::string djbh;      // "JM" document number
};
std::string recordInsert(const RecordValues& v);

// One reduced fee item of the grid.
struct ItemValues {
    std::string sfxmid;
    Currency jmje;              // the reduction
    std::string feeTermName;    // fee period text, trimmed, as typed
    Currency cqts;              // attendance days
    Currency ysje;              // receivable
};
// Bound, so that a posting runs it prepared once (see SqlText), as it does
// the settlement's statements below.
SqlText itemInsert(const std::string& recordId, const ItemValues& item);

// The confirmation before a posting and the messages around it.
std::string confirmationText(const std::string& xh, const std::string& name, const std::string& total);
std::string overReductionWarning(const std::string& itemName, Currency receivable);
// "收费失败！", with "原因如下:" only when there is a description.
std::string postingFailure(const std::string& description);
std::string postingSuccess(const std::string& name, const std::string& total00);

// The settlement list: entries "month:itemid|amount" joined by ",".
struct SettledItem {
    std::string itemId;
    std::string amount;
};
struct SettlementList {
    std::vector<std::string> months;   // in entry order, duplicates kept
    std::vector<SettledItem> items;
};
std::string settlementEntry(const std::string& month, const std::string& itemId, Currency amount);
SettlementList parseSettlementList(const std::string& text);

SqlText openArrearsQuery(const std::string& xsId, const std::vector<std::string>& months);
SqlText itemReductionUpdate(const SettledItem& item, const std::string& qfkid, const std::string& xsId);
SqlText cappedSumQuery(bool sqlServer, const std::string& qfkid, const std::string& xsId);
SqlText closeArrearsRow(bool sqlServer, Currency capped, const std::string& recordId, const DateTime& now,
                        const std::string& qfkid, const std::string& xsId);
SqlText remainderInsert(bool sqlServer, const std::string& newQfkid, const std::string& qfyf, const std::string& xsid,
                        Currency remainder, const std::string& oldQfkid, const std::string& userId,
                        const DateTime& now);
// One item of a remainder row, owing exactly `owed` as the plan worked it
// out: the engine's own arithmetic on stored amounts may keep a remainder
// of part of a cent as 0.0049999999999954525.
SqlText remainderItemInsert(const std::string& newQfkid, const std::string& xsid, const std::string& sflxid,
                            const std::string& sfxmid, Currency owed);

// --- reduction records and their cancellation ---

// The list of reductions in force. `categoryCondition` comes from the host;
// dates are "yyyy-mm-dd" (the upper bound is the day after the last day
// shown); an empty class id or student text adds no filter. `onLoad` writes
// the sub-select as the window's first fill does.
struct ListFilter {
    std::string categoryCondition;
    DateTime dateFrom, dateTo;
    std::string classId;
    std::string student;
    bool onLoad = false;
    // One record alone, whatever its date: a reduction the clerk is sent to.
    std::string recordId;
};
std::string recordsQuery(bool sqlServer, const ListFilter& f);
std::string recordItemsQuery(const std::string& recordId);

std::string mirrorRecordInsert(const std::string& billNo, const std::string& newId, const DateTime& now,
                               const std::string& operatorName, const std::string& userId,
                               const std::string& recordId);
std::string mirrorItemsInsert(const std::string& newId, const std::string& recordId);
// Why a reduction record cannot be cancelled as it stands now (already
// cancelled, itself a cancellation, no reduction, not found); "" when it can.
std::string cancellationRefusal(const RecordStanding& record);
// Deletes the remainders, then reopens the settled rows, in this order.
std::vector<std::string> arrearsRestore(const std::string& recordId);
std::string cancelConfirmation();
std::string reverseOrderRefusal();
// A reduction of coming charges whose period the month-end has carried over.
std::string carriedOverRefusal(const std::string& djbh, const std::string& period);

// A number that is safe to write unquoted; DbError otherwise.
const std::string& number(const std::string& text, const char* what);
// The ids [first, last) for in(...), comma-separated, each a value of the
// statement and checked as number() checks it (`what` names them).
SqlText& addIdList(SqlText& sql, const std::string* first, const std::string* last, const char* what);
// The keys for in(...), each quoted user text (addQuoted), comma-separated.
SqlText& addQuotedList(SqlText& sql, const std::set<std::string>& keys);

}  // namespace fo::jmjl
