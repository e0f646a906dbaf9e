#pragma once
#include <map>
#include <string>
#include <utility>

#include "data/BookNames.h"
#include "data/posting/PostingPlan.h"

namespace fo {

// The name a clerk knows a planned row by, for a preview: the receipt or
// fee record by its document number, the student by number and name, the
// period as a month reads ("2026年09月"), the fee item by name; "学生
// 1001 张三" for a student's own row. Ids the posting has not drawn yet are
// named by what the row will hold. Read once per id on `cn`.
class PlanRowNames {
public:
    // `plan`'s own new records name the rows that point at them.
    PlanRowNames(Connection& cn, const plan::Plan& plan);
    std::string of(const plan::RowChange& c);

private:
    // A stored record's document number, student and period, by table and id.
    struct Record {
        std::string djbh, xsid, period;
    };
    const Record& record(const std::string& table, const std::string& id);

    Connection& cn_;
    BookNames names_;
    std::map<std::pair<std::string, std::string>, Record> records_;
    std::map<std::pair<std::string, std::string>, Record> drawn_;  // by table and the new id's placeholder
};

}  // namespace fo
