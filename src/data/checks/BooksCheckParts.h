#pragma once
#include <functional>
#include <string>
#include <vector>

#include "data/checks/BooksCheck.h"
#include "db/Connection.h"
#include "db/Recordset.h"

// The pieces of checkBooks, one per family of invariants, and what they
// share. Statements here are plain SQL: no function or form of one dialect.
namespace fo::bookscheck {

// Amounts closer than this are equal: the engines keep money to four
// decimals, some of them as binary fractions.
inline constexpr const char* kTolerance = "0.00005";

// "abs(EXPR)>0.00005": the amount is not zero.
std::string nonZero(const std::string& expression);

// A record (alias `a`) that is neither a mirror nor cancelled.
std::string liveRecord(const std::string& alias);

class Faults {
public:
    void add(std::string code, std::string text) { list_.push_back({std::move(code), std::move(text)}); }
    std::vector<BooksFault>& list() { return list_; }

private:
    std::vector<BooksFault> list_;
};

// Runs `sql` and calls `row` on every row it returns.
void forEachRow(Connection& cn, const std::string& sql, const std::function<void(Recordset&)>& row);

// Texts that name rows the way a clerk finds them.
std::string text(const Recordset& rs, const char* field);
// "JM202612060001（id 812）"
std::string recordName(const Recordset& rs, const char* djbhField, const char* idField);
// "欠费 917（学生 20260007，202609）"; the row's qfkid, xsid, qfyf and the
// student's xh under the given field names.
std::string arrearsName(const Recordset& rs, const char* qfkid = "qfkid", const char* xh = "xh",
                        const char* xsid = "xsid", const char* qfyf = "qfyf");
// An amount as the books show it ("12.50", "0.005").
std::string amount(const Recordset& rs, const char* field);
// Whether a field holds an amount other than zero (to four decimals).
bool isNonZero(const Recordset& rs, const char* field);

// Item rows whose owner is gone: `items`.`link` names no `owners`.`key`.
struct ItemTable {
    const char* items;
    const char* link;
    const char* owners;
    const char* key;
    const char* itemsName;  // "收费明细"
    const char* ownerName;  // "记录 id "
};
void orphanItems(Connection& cn, Faults& faults, const ItemTable& t);

// Mirrors, records against their items, receipts, journal, duplicates.
void checkRecords(Connection& cn, Faults& faults);
// Arrears rows: who closed them, caps, header against items.
void checkArrears(Connection& cn, Faults& faults);
// Remainder rows against the rows they were split from.
void checkRemainders(Connection& cn, Faults& faults);
// Prepayment balances against the records, and the reductions credited to them.
void checkBalances(Connection& cn, Faults& faults);
// Each student's arrears carried over, closed and still open.
void checkLedger(Connection& cn, Faults& faults);
// The kept cash totals against the journal they sum.
void checkCashTotals(Connection& cn, Faults& faults);
// The audit log against the postings it records.
void checkAuditTrail(Connection& cn, Faults& faults);

}  // namespace fo::bookscheck
