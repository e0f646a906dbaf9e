#pragma once
#include <string>
#include <vector>

namespace fo {

// What the demo fee office is made of.
struct DemoOptions {
    int students = 120;
    unsigned seed = 1;
    std::string today;  // "yyyy-mm-dd"; empty = the real date
};

// What was written, for the summary the clerk sees.
struct DemoSummary {
    int students = 0;
    int monthsCarriedOver = 0;
    std::string openMonth;
    int arrearsRows = 0;      // qfhzb rows, open and settled
    int openArrearsRows = 0;  // of them still open
    int receipts = 0;         // PJML rows
    int feeRecords = 0;       // kdw_sfjl rows
};

// Writes a new fee database at `path` holding a kindergarten in the middle
// of its school year: classes, a three-level category tree, charge types
// with items of every kind, discounts, operators with category rights,
// settings, receipt paper formats, and a fee history from September up to
// `today`: charges with receipts and cash-journal rows, reductions,
// prepayments and charges that used them, cancellations with their mirrors,
// and the earlier months carried over with arrears partly settled. The open
// month is the month of `today`. The same options write the same data.
// Refuses (std::runtime_error) a path that already holds a file. `path` may
// also be a link string or a PostgreSQL URI: the server's database is
// created when missing and refused when it already holds tables.
DemoSummary writeDemoSchool(const std::string& path, const DemoOptions& options = {});

// An operator of the demo fee office and his documented demo password.
struct DemoOperator {
    int id;
    const char* name;
    const char* password;
    const char* passwordHash;  // what the demo stores: a hash of `password`
};
// 系统管理员 (1), 张会计 (2) and 李出纳 (3).
const std::vector<DemoOperator>& demoOperators();
// What a clerk is told of them: "演示操作员及密码：系统管理员 admin123，…。"
std::string demoPasswordsText();

}  // namespace fo
