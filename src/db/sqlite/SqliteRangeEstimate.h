#pragma once
#include <string>

struct sqlite3;

namespace fo {

// The system's SQLite keeps no histograms (it is built without STAT4), so its
// planner takes every range with two bounds for the same share of a table:
// one month of receipts and ten years look alike, and one plan serves both
// badly. This estimates, for each constant range of a query on an indexed
// column, the share of rows it keeps, by where its bounds fall between the
// index's first and last key, and tells the planner so through
// likelihood(): one month keeps the date index, all dates walk the table in
// the order asked for and show their first rows at once. The share is
// rounded to a few steps, so that a query keeps its plan from run to run.
// What the query returns never changes; when anything about the estimate
// fails, the query is returned as it stands.
std::string withRangeEstimates(sqlite3* db, const std::string& query);

}  // namespace fo
