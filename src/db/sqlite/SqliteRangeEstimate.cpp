#include "db/sqlite/SqliteRangeEstimate.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "db/sql/SqlQuoting.h"
#include "db/sql/SqlRanges.h"

namespace fo {
namespace {

class Query {
public:
    Query(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
        }
    }
    ~Query() { sqlite3_finalize(stmt_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    sqlite3_stmt* stmt() const { return stmt_; }
    bool row() { return stmt_ && sqlite3_step(stmt_) == SQLITE_ROW; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Whether an index (not a partial one) leads with the column, so that its
// first and last key are found without reading the table.
bool leadsAnIndex(sqlite3* db, const RangeCondition& r) {
    Query q(db,
            "select 1 from pragma_index_list(?1) as l, pragma_index_info(l.name) as i "
            "where i.seqno=0 and i.name=?2 collate nocase and l.partial=0 limit 1");
    if (!q.stmt()) return false;
    sqlite3_bind_text(q.stmt(), 1, r.table.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(q.stmt(), 2, r.column.c_str(), -1, SQLITE_TRANSIENT);
    return q.row();
}

// The share of the column's keys that fall in the range, taking them as
// spread evenly between the first and the last; dates count in days.
std::optional<double> shareOf(sqlite3* db, const RangeCondition& r) {
    const std::string column = quotedIdentifier(r.column), table = quotedIdentifier(r.table);
    Query q(db, "select julianday(" + r.low + "), julianday(" + r.high + "), julianday((select min(" + column +
                    ") from " + table + ")), julianday((select max(" + column + ") from " + table + "))");
    if (!q.row()) return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        if (sqlite3_column_type(q.stmt(), i) == SQLITE_NULL) return std::nullopt;
        v[i] = sqlite3_column_double(q.stmt(), i);
    }
    const double low = v[0], high = v[1], first = v[2], last = v[3];
    if (last <= first) return low <= first && first <= high ? 1.0 : 0.0;
    return std::clamp((std::min(high, last) - std::max(low, first)) / (last - first), 0.0, 1.0);
}

// The step nearest to the share (on a logarithmic scale).
std::string stepOf(double share) {
    struct Step {
        double share;
        const char* text;
    };
    static const Step kSteps[] = {{1.0, "1.0"},    {0.5, "0.5"},   {0.25, "0.25"},     {0.1, "0.1"},
                                  {0.05, "0.05"},  {0.025, "0.025"}, {0.01, "0.01"},   {0.005, "0.005"},
                                  {0.0025, "0.0025"}, {0.001, "0.001"}};
    const double target = std::log(std::max(share, 0.001));
    const Step* best = &kSteps[0];
    for (const Step& step : kSteps)
        if (std::fabs(std::log(step.share) - target) < std::fabs(std::log(best->share) - target)) best = &step;
    return best->text;
}

}  // namespace

std::string withRangeEstimates(sqlite3* db, const std::string& query) {
    const std::vector<RangeCondition> ranges = constantRanges(query);
    if (ranges.empty()) return query;
    std::vector<std::string> shares;
    bool any = false;
    for (const RangeCondition& r : ranges) {
        std::optional<double> share;
        if (leadsAnIndex(db, r)) share = shareOf(db, r);
        shares.push_back(share ? stepOf(*share) : std::string());
        any = any || share;
    }
    return any ? withLikelihoods(query, ranges, shares) : query;
}

}  // namespace fo
