#pragma once
#include <string>
#include <vector>

#include "data/BookNames.h"
#include "data/posting/PostingPlan.h"
#include "db/Connection.h"

namespace fo::plan {

// How an operation settled arrears rows: the column that ties a settled row
// to its record, and the amount it set on the row and on its items.
struct SettledBy {
    const char* link;
    const char* amount;
};
inline constexpr SettledBy kByCharge{"sfjlid", "fkje"};
inline constexpr SettledBy kByReduction{"jmjlid", "jmje"};

// Plans what cancelling record `id` does to the arrears it settled, as
// `statements` do it in this order: the remainder rows split off the
// settled rows go, their items first; the settled rows' items get the
// amount 0; the settled rows get the amount 0, no pay date and no link.
// Reads the rows on `cn`.
void planReopening(Connection& cn, Plan& plan, const SettledBy& by, const std::string& id,
                   const std::vector<std::string>& statements, BookNames& names);

}  // namespace fo::plan
