#pragma once
#include <string>
#include <vector>

#include "db/values/Currency.h"

// The statements of the batch windows: the wizard's student list and fee
// items, the arrears list with its subtotals and grand total, the cross-tab
// of uncollected fee records, and the work table of an arrears-list
// posting. Composition only: nothing here runs a statement. Ids are written
// unquoted and refused (DbError) when they are not numbers; text is quoted
// with sqlQuote. `category` is the host's category restriction
// (getXSLBlistInSQL), which begins with its own connective.
namespace fo::batch {

inline const char* const CRLF = "\r\n";

// --- the wizard ---

// The students of step 1; `restriction` is a statement usable inside
// in(...) or empty for every student.
std::string studentList(const std::string& category, const std::string& restriction);
// The fee items of one fee type and charge kind, with their amounts.
std::string feeTypeItems(const std::string& sflxid, const std::string& jflx);
std::string feeTypes();

// --- the arrears list ---

std::string visibleStudentCount(const std::string& category);
// One row per student, period and item still owed, from the work table T.
std::string arrearsQuery(const std::string& table, const std::string& category);
// One row per student, fee month and item that a live charge paid something
// of, in the months `months` (month keys joined with ","), of the items
// `itemIds`, for the student number or name `student`, the class id
// `classId` and the filter dialog's `where` as the arrears list takes them:
// what a credit of what was paid may take back.
std::string paidItems(const std::string& category, const std::string& months, const std::string& itemIds,
                      const std::string& student, const std::string& classId, const std::string& where);
// What one student owes in all; the last student's text differs in blanks
// and in the derived table's name.
std::string studentSubtotal(const std::string& table, const std::string& category, const std::string& xsid);
std::string lastStudentSubtotal(const std::string& table, const std::string& category, const std::string& xsid);
std::string grandTotal(bool sqlServer, const std::string& table, const std::string& category);

// --- the cross-tab of uncollected fee records ---

std::string crossTabItems(const std::string& itemIds);
// Optional conditions: each empty value adds no condition.
struct CrossTabFilter {
    std::string student;    // number or name, as typed
    std::string className;  // class name
    std::string period;     // fee month key
};
std::string crossTabRecords(const std::string& category, const CrossTabFilter& f, const std::string& itemIds);
std::string crossTabStudentsWithout(const std::string& category, const CrossTabFilter& f);
std::string crossTabTotal(const std::string& category, const CrossTabFilter& f, const std::string& itemIds);

// --- the work table of an arrears-list posting ---

std::string postingTableCreate(const std::string& table);
std::string postingTableEmpty(const std::string& table);
std::string postingRowInsert(const std::string& table, const std::string& xsid, const std::string& sfyf,
                             const std::string& xmid, Currency ysje, Currency jmje);
std::string oneOffDates(const std::string& table, const std::string& currentYfFromDate);
std::string periodsOfKind(const std::string& table, int jflx);
// The dates and name of one period: kind 3 (month) sets termto as well,
// kinds 0 (term) and 2 (year) only termfrom.
std::string periodDates(int jflx, const std::string& table, const std::string& from, const std::string& to,
                        const std::string& period);
std::string postingGroups(const std::string& table);
std::string groupItems(bool sqlServer, const std::string& table, const std::string& xsid, const std::string& sfyf,
                       const std::string& termfrom);

// The line added to a failed batch's message: who and what stopped it.
std::string stoppedAt(const std::string& student, const std::string& item);
// The message of a batch some of whose reductions were refused: each one's
// line ("学号 姓名：reason"), the first ten of them.
std::string refusedPostings(const std::vector<std::string>& lines);

// Why a batch cannot be dated: a reduction is dated on the first day of its
// period (a one-off one on that of the open month), and the period has none.
inline const char* const kUndatedPeriod =
    "减免费用所属期没有起止日期（一次性收费项目须有未结转的月份），无法确定减免日期！"
    "请在【基础信息-记账日期设置】菜单中设定好！";

}  // namespace fo::batch
