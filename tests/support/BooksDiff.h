#pragma once
#include <map>
#include <string>
#include <vector>

#include "data/posting/PostingPlan.h"
#include "db/Connection.h"

namespace fo::test {

// Every row of the tables a posting writes (receipts, fee records and their
// items, arrears and their items, the cash journal, prepayments, students),
// read as they stand, to tell afterwards what a posting changed.
class BooksSnapshot {
public:
    explicit BooksSnapshot(Connection& cn);
    using Row = std::map<std::string, Value>;  // lower-case column -> value
    // Per table (lower case), per row key: the rows holding that key.
    std::map<std::string, std::map<std::string, std::vector<Row>>> tables;
    bool operator==(const BooksSnapshot& o) const;
};

// What changed from `before` to `after`, row by row, in the form a plan
// describes it: an insert with every column, an update with the columns that
// changed, a delete with every column it had. Rows are keyed as plans key
// them (kdw_sfjlmx and qfmxb by record or row and fee item, INandOut by
// number and subject, XS_SFXM_YSK by student and item, the rest by id).
std::vector<plan::RowChange> changesBetween(const BooksSnapshot& before, const BooksSnapshot& after);

// Where a plan and the changes a posting made disagree, one line each; ""
// when they agree row for row. Drawn values of the plan match the first
// value they are found with and must be that value everywhere after; the
// moment matches any value that is set. An insert matches on the columns the
// plan names; an update on exactly the columns it changed.
std::string planMismatches(const plan::Plan& plan, const std::vector<plan::RowChange>& made);

}  // namespace fo::test
