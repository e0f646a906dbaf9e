#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fo {

// A condition "column between low and high" of a query, with bounds that are
// constants (a literal, a number, or a function of literals such as
// format('2026-11-01','yyyy-mm-dd')), standing where it can be wrapped whole
// without changing what the query means: at the top level of the outermost
// WHERE, joined to the rest by AND or OR.
struct RangeCondition {
    std::string table;   // the table the column belongs to, as FROM names it, unquoted
    std::string column;  // unquoted
    std::string low, high;   // the bounds as written
    std::size_t begin, end;  // where the condition stands in the query
};

// The constant ranges of a query (also one behind EXPLAIN [QUERY PLAN]);
// none when the column's table cannot be told from the query's FROM.
std::vector<RangeCondition> constantRanges(std::string_view query);

// The query with each range wrapped as likelihood(<condition>, <share>):
// what the planner is told about the share of rows the condition keeps.
// `shares` holds one text per range, in order; an empty one leaves its range
// as it stands.
std::string withLikelihoods(std::string_view query, const std::vector<RangeCondition>& ranges,
                            const std::vector<std::string>& shares);

}  // namespace fo
