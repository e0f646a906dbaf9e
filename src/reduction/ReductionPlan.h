#pragma once
#include <functional>
#include <string>
#include <vector>

#include "data/BookNames.h"
#include "data/posting/PostingPlan.h"
#include "db/Connection.h"
#include "db/values/Currency.h"
#include "host/api/HostSystem.h"
#include "reduction/ArrearsOfStudents.h"
#include "reduction/JmjlStatements.h"

// What a reduction writes, planned from the stored rows (see
// data/posting/PostingPlan.h): its record, its items and the settlement of the
// arrears it covers. The single-student window and the batch poster post
// through these with their own record statements; a batch preview shows
// what they plan.
namespace fo::jmjl {

// The reduction record as the plan shows it, in the order its insert names
// the columns. `id` and `djbh` are drawn; `rq` is the moment of posting.
struct PlannedRecord {
    plan::Datum id, djbh;
    std::string sfrq, sflxid, xsid, bjmc;
    Currency jmje;
    std::string jmyy, operid, sfyf, skr;
};
// Plans the record's insert, run by `sql`.
void planRecord(plan::Plan& p, const PlannedRecord& r, const plan::Datum& now, const std::function<SqlText()>& sql,
                BookNames& names);
// Plans one item row's insert, run by `sql`.
void planItem(plan::Plan& p, const plan::Datum& recordId, const ItemValues& item,
              const std::function<SqlText()>& sql, BookNames& names);

// One arrears row a reduction settles, as its plan has it.
struct SettledRow {
    std::string qfkid, qfyf;
    Currency owed;          // the sum of its items' arrears
    Currency capped;        // what the reduction takes of it, each item at most its arrears
    plan::Datum successor;  // the open row holding the rest, when some is left (else null)
    struct Item {
        std::string sfxmid;
        Currency qfje;      // its arrears
        Currency owed;      // what it still owed before (arrears less paid and reduced)
        Currency reduced;   // its reduction after the posting
        Currency remainder;      // what its successor item owes (0 when it has none)
    };
    std::vector<Item> items;
};

// Plans the settlement of student `xsId`'s open arrears rows in the months
// of `list` by reduction record `recordId`, read on `cn` as
// openArrearsQuery reads them: every entry's reduction goes onto that fee
// item of every row of the entry's period, each row is closed as settled by
// the record with its reductions capped at its arrears (a read checks the
// capped sum when the plan runs), and a row not fully covered gets an open successor
// holding the rest with the unpaid items copied. Successor ids are drawn
// from the counter "qfhzb". A batch reads through the statements it prepares
// (`prepared`), binding only each student's values, or takes the rows it
// read for all its students at once (`held`) where they hold the student.
std::vector<SettledRow> planSettlement(Connection& cn, plan::Plan& p, const SettlementList& list,
                                       const std::string& xsId, const plan::Datum& recordId, HostSystem& run,
                                       plan::Draws& draws, BookNames& names, PreparedStatements* prepared = nullptr,
                                       const ArrearsOfStudents* held = nullptr);

}  // namespace fo::jmjl
