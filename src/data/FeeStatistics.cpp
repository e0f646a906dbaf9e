#include "data/FeeStatistics.h"

#include <cstdint>
#include <sstream>
#include <string>

#include "db/pg/PgLink.h"

namespace fo {
namespace {

struct LinkIndex {
    const char* table;
    const char* column;
    const char* index;
};

const LinkIndex kLinkIndexes[] = {
    {"qfhzb", "yqfkid", "ix_qfhzb_yqfkid"},
    {"qfhzb", "sfjlid", "ix_qfhzb_sfjlid"},
    {"qfhzb", "jmjlid", "ix_qfhzb_jmjlid"},
    {"kdw_sfjl", "hkid", "ix_kdw_sfjl_hkid"},
};

}  // namespace

void gatherFeeStatistics(Connection& cn) {
    cn.refreshStatistics();
    stateLinkStatistics(cn);
}

void stateLinkStatistics(Connection& cn) {
    if (isPostgresLink(cn.connectionString())) return;
    bool stated = false;
    for (const LinkIndex& link : kLinkIndexes) {
        const std::string where = std::string(" where tbl='") + link.table + "' and idx='" + link.index + "'";
        RecordsetPtr stat = cn.execute("select stat from sqlite_stat1" + where);
        if (!stat || stat->eof()) continue;
        // "rows per-key": the table's size as gathered stays.
        std::istringstream figures(stat->field(std::size_t{0}).toText());
        std::int64_t size = 0;
        if (!(figures >> size) || size <= 0) continue;
        // Ids are positive: a range the index reads without touching the
        // unlinked rows.
        RecordsetPtr linked = cn.execute(std::string("select count(*),count(distinct ") + link.column + ") from " +
                                         link.table + " where " + link.column + ">0");
        const std::int64_t rows = linked->field(std::size_t{0}).toInt();
        const std::int64_t keys = linked->field(std::size_t{1}).toInt();
        const std::int64_t perKey = keys > 0 ? (rows + keys - 1) / keys : 1;
        cn.execute("update sqlite_stat1 set stat='" + std::to_string(size) + " " + std::to_string(perKey) + "'" +
                   where);
        stated = true;
    }
    // The session's planner reads the statistics again.
    if (stated) cn.execute("ANALYZE sqlite_schema");
}

}  // namespace fo
