// The month that balances over a school year of the bench's large school
// (ten years of books, about a million fee records), against the floor: the
// arrears rows summed per student in one statement on the engine's own
// interface, the least any report of them must read.
#include <cstdio>
#include <string>

#include "BenchSchool.h"
#include "BulkSchool.h"
#include "data/FeeDatabase.h"
#include "db/sqlite/SqliteFunctions.h"
#include "reports/MonthReport.h"

namespace fo::bench {
namespace {

double floorMs(const std::string& path) {
    return millisecondsOf([&] {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        registerSqliteFunctions(db);
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "select xsid,sum(qfje),sum(fkje),sum(jmje) from qfhzb group by xsid", -1, &q, nullptr);
        long rows = 0;
        while (sqlite3_step(q) == SQLITE_ROW) ++rows;
        sqlite3_finalize(q);
        sqlite3_close(db);
        if (rows == 0) throw std::runtime_error("the floor query found no rows");
    });
}

int run() {
    const std::string cache = FO_BENCH_CACHE;
    setenv("XDG_STATE_HOME", cache.c_str(), 1);
    const std::string path = cachedBulkSchool(cache, BulkOptions{8000, 7});
    ConnectionPtr cn = openFeeDatabase(sqliteConnectionString(path));
    const double floor = floorMs(path);
    monthreport::Report year;
    const double ms = millisecondsOf([&] { year = monthreport::build(*cn, "2025-09", "2026-08"); });
    std::printf("month report: school year 2025-09 to 2026-08, %zu lines, %d not balancing\n", year.rows.size(),
                year.unbalanced);
    std::printf("month report (SQLite): %.1f ms (floor %.1f ms, %.2f x floor; goal under 5000 ms)\n", ms, floor,
                floor > 0 ? ms / floor : 0.0);
    return year.unbalanced == 0 && year.rows.size() > 1 ? 0 : 1;
}

}  // namespace
}  // namespace fo::bench

int main() { return fo::bench::run(); }
