#pragma once
#include <string>

#include "db/Connection.h"
#include "db/Recordset.h"

namespace fo {

// Fee rules of the reference host: what a student owes, per period and item.
//
// Periods. A fee item's kind (kdw_sfxm.jflx) says under which period key it is
// owed: 3 monthly items under the month key ("202609"), 0 termly items under
// the term tag of the month's first day ("2026上"), 2 yearly items under the
// year tag ("2026年"), 1 one-off items under "一次性".
//
// Carried-over months. Once a month is carried over (hisxsinfo row with xsid
// 0), what was owed in it is stored arrears, and the stored rows are the
// truth: for a carried-over month the open arrears rows (qfhzb, fkrq null)
// whose qfyf is the month, its term tag, its year tag or "一次性" give one
// row per item (qfmxb): ysje = qfje, jfje = fkje, jmje = jmje. A row is
// listed once however many months name its period.
//
// Months not carried over (the open month). Dues are computed from the
// student's charge type (kdw_xs.sflxid): every kdw_sflx row of that type for
// an item with id > 0 owes je, or je x mrcqts for per-day items
// (kdw_sfxm.cqts = 'Y'), times the student's xszhekou percentage / 100 when
// he has one for the item; each product is rounded to cents half away from
// zero, as the fee office rounds. Termly, yearly and one-off dues are owed
// only while no stored arrears row (open or settled) of that period already
// holds the item for the student: stored arrears own a period once a month
// of it is carried over. From the dues come off what live fee records of the
// student and item already paid (jfje = sum of kdw_sfjlmx.je) and reduced
// (jmje = sum of kdw_sfjlmx.jmje) in the period.
//
// Records that count for a period. A record counts while it is live (neither
// a cancellation nor cancelled), is no prepayment (djbh not "YSK..."), did not
// settle stored arrears (a record named by qfhzb.sfjlid or qfhzb.jmjlid paid
// those arrears, not the dues of its own month), and its sfyf is the month
// for a monthly item, any month of the term or year for a termly or yearly
// item, any month at all for a one-off item.
//
// Students. Only attending students (del = 0, intTx = 0) are ever listed.

// Creates the work table `tableName` (xsid int, sfyf varchar(20), sfxmid int,
// ysje money, jfje money, jmje money), or empties it when it already exists,
// and fills it with the owed rows of the listed months for the selected
// students and items. Rows whose balance ysje-(jfje+jmje) is zero are left
// out. Everything is done in a few set-based statements on `cn`, inside the
// caller's transaction when one is open.
//
// months: month keys joined with "," (blanks and unknown months ignored).
// itemIds: fee item ids joined with ",", each possibly preceded by one; an
//   empty list means every item with id > 0.
// student: a student number or name (exact), or "".
// classId: a class id (kdw_xs.bjid), or "".
// where: a student condition as the student filter dialog returns it (a
//   statement "select id from kdw_xs where ..."), or a bare condition on
//   kdw_xs columns, or "".
// categoryCondition: the operator's category restriction on the unqualified
//   column lb1 (" and lb1 in(...)"), or "".
void fillArrearsWorkTable(Connection& cn, const std::string& tableName, const std::string& months,
                          const std::string& itemIds, const std::string& student,
                          const std::string& classId, const std::string& where,
                          const std::string& categoryCondition);

// What the student was already paid and reduced on one item in a period
// (month key, term tag, year tag or "一次性"), from the records that count
// for that period: one row with "je" (paid), "jmje" (reduced) and "ye" (the
// part that went to prepayment), or no row when nothing was recorded. When
// the period is none of those, the months lying within dateFrom..dateTo
// ("yyyy-mm-dd") are the period.
RecordsetPtr paidAndReduced(Connection& cn, const std::string& xsid, const std::string& sfxmid,
                            const std::string& period, const std::string& dateFrom,
                            const std::string& dateTo);

}  // namespace fo
