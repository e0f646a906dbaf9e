#pragma once
#include <string>
#include <vector>

#include "data/ledger/ArrearsLedger.h"
#include "db/Connection.h"
#include "db/Recordset.h"

// The month that balances: for a month or a run of months, per class and
// per student, the arrears open at the start, what was carried over, reduced
// and paid, and what is open at the end, with class subtotals and the
// school's total. Every line must balance; one that does not is marked, and
// the check of the books fails on the same student.
namespace fo::monthreport {

struct Row {
    std::string className, studentNo, studentName;  // a subtotal: studentNo empty; the total: className "合计"
    ledger::Movement m;
};

struct Report {
    std::string fromMonth, toMonth;  // "yyyy-mm"
    std::vector<Row> rows;           // students by class, each class's subtotal after it, the total last
    int unbalanced = 0;              // student lines that do not balance
};

// The months `fromMonth`..`toMonth` ("yyyy-mm", the same for one month).
// Throws std::invalid_argument for a month that is not one, or a range
// that runs backwards.
Report build(Connection& cn, const std::string& fromMonth, const std::string& toMonth);

// The rows with the report's captions, as the window lists them and exports them.
RecordsetPtr asRecordset(const Report& report);
// Tab-separated with a heading, what the command line prints.
std::string asText(const Report& report);

}  // namespace fo::monthreport
