#pragma once
#include <optional>
#include <string>

#include "db/Connection.h"
#include "db/values/Currency.h"
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
// an item with id > 0 (neither retired) owes je, or je x days for per-day
// items (kdw_sfxm.cqts = 'Y'), the days being the most a live charge (SF)
// named for the period on its item row (cqts, on the row whose feetermname
// is the period key), else the type's default days (mrcqts), times the
// student's xszhekou percentage / 100 when he has one for the item; each product is rounded to cents half away from
// zero, as the fee office rounds. Termly, yearly and one-off dues are owed
// only while no stored arrears row (open or settled) of that period already
// holds the item for the student: stored arrears own a period once a month
// of it is carried over. From the dues come off what live fee records of the
// student and item already paid (jfje = sum of kdw_sfjlmx.je) and reduced
// (jmje = sum of kdw_sfjlmx.jmje) in the period.
//
// Records that count for a period. A record counts while it is live (neither
// a cancellation nor cancelled), is no prepayment (djbh not "YSK..."), and did
// not settle stored arrears (a record named by qfhzb.sfjlid or qfhzb.jmjlid
// paid those arrears, not the dues of its own month) - except that a charge
// which settled stored arrears still counts with its item rows named by the
// period key itself (feetermname): one receipt may take the stored arrears
// and the open month's dues together. It counts for the period it is for,
// and only there:
// - a reduction (djbh "JM...") is for the period that holds its reduction
//   date (sfrq), never for the month it was made in (sfyf): every window
//   dates a reduction on the first day of the period it reduces. One for a
//   period whose dues are stored (a carried-over month) and that settled
//   nothing there reaches no other period. An undated one is for its sfyf.
// - any other record is for its fee month (sfyf).
// A monthly item counts the records for its month, a termly or yearly item
// those for its term or year (its months, or for a reduction its date
// range), a one-off item every record.
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

// What a student owes on one item for one period. `period` is the period
// key the item is owed under; `stored` says its arrears are stored (a
// carried-over month, or stored rows that hold the item under its term, year
// or "一次性"), and then due/paid/reduced are those of the open stored rows;
// otherwise they are the computed dues and what counting records for the
// period paid and reduced.
struct ItemDues {
    std::string period;
    bool stored = false;
    // A per-day item of computed dues: the days `due` is for (> 0);
    // 0 for any other item.
    int days = 0;
    Currency due, paid, reduced;
    Currency prepaid;  // the part of `paid` that went to prepayment (ye)
    // What is still owed; negative when overpaid.
    Currency owed() const { return due - (paid + reduced); }
};

// What student `xsid` still owes on item `sfxmid` for `period`: a month key
// (naming the item's own period that holds the month: the month itself, its
// term, its year or "一次性"), a term tag, a year tag or "一次性". Unknown
// items and periods owe nothing. Reads only; runs inside the caller's
// transaction when one is open on `cn`, so it sees that transaction's rows.
// `days`, for a per-day item of computed dues: what it owes when charged for
// that many days instead of the days it stands at.
ItemDues itemDues(Connection& cn, const std::string& xsid, const std::string& sfxmid, const std::string& period,
                  std::optional<int> days = std::nullopt);

// What the student was already paid and reduced on one item, as the
// reduction window asks when it offers the open month's dues: one row with
// "je" (paid), "jmje" (reduced) and "ye" (the part that went to prepayment),
// or no row when nothing was recorded. `period` is read as in itemDues: a
// month key answers for the item's own period that holds the month. When the
// stored arrears hold that period, its dues were carried into them and are
// reduced through their own arrears lines, so the answer gives the whole
// dues as paid and the month offers nothing more of the item. When the
// period is none of those, the months lying within dateFrom..dateTo
// ("yyyy-mm-dd") are the period.
RecordsetPtr paidAndReduced(Connection& cn, const std::string& xsid, const std::string& sfxmid,
                            const std::string& period, const std::string& dateFrom,
                            const std::string& dateTo);

}  // namespace fo
