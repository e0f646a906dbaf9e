// The month that balances over a school year against the floor: the arrears
// rows summed per student in one statement on the engine's own interface,
// the least any report of them must read. On the embedded engine over the
// bench's large school (ten years of books, about a million fee records);
// with --postgres STATE on a throw-away server, over a 2,000-student school
// from September 2025 (the generator's file copied to a database of its own
// there, dropped afterwards).
#include <cstdio>
#include <string>

#include "BenchSchool.h"
#include "BulkSchool.h"
#include "data/FeeDatabase.h"
#include "db/sqlite/SqliteFunctions.h"
#include "host/database/FeeDatabaseCopy.h"
#include "reports/MonthReport.h"

namespace fo::bench {
namespace {

const char* const kFloor = "select xsid,sum(qfje),sum(fkje),sum(jmje) from qfhzb group by xsid";

long sqliteRows(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    registerSqliteFunctions(db);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, kFloor, -1, &q, nullptr);
    long rows = 0;
    while (sqlite3_step(q) == SQLITE_ROW) ++rows;
    sqlite3_finalize(q);
    sqlite3_close(db);
    return rows;
}

// The school year 2025-09 to 2026-08 on `cn`, beside the floor run by
// `floorRows`; false when a line does not balance or none came back.
bool measure(const std::string& engine, Connection& cn, const std::function<long()>& floorRows) {
    const double floor = millisecondsOf([&] {
        if (floorRows() == 0) throw std::runtime_error("the floor query found no rows");
    });
    monthreport::Report year;
    const double ms = millisecondsOf([&] { year = monthreport::build(cn, "2025-09", "2026-08"); });
    std::printf("month report: school year 2025-09 to 2026-08, %zu lines, %d not balancing\n", year.rows.size(),
                year.unbalanced);
    std::printf("month report (%s): %.1f ms (floor %.1f ms, %.2f x floor; goal under 5000 ms)\n", engine.c_str(), ms,
                floor, floor > 0 ? ms / floor : 0.0);
    return year.unbalanced == 0 && year.rows.size() > 1;
}

int onFile() {
    const std::string cache = FO_BENCH_CACHE;
    setenv("XDG_STATE_HOME", cache.c_str(), 1);
    const std::string path = cachedBulkSchool(cache, BulkOptions{8000, 7});
    return measure("SQLite", *openFeeDatabase(sqliteConnectionString(path)), [&] { return sqliteRows(path); }) ? 0 : 1;
}

int onServer(const std::string& folder) {
    const std::string cache = FO_BENCH_CACHE;
    setenv("XDG_STATE_HOME", cache.c_str(), 1);
    const std::string path = cachedBulkSchool(cache, BulkOptions{2000, 7, 2025});
    const std::string link =
        pgProviderString(PgLinkParts{folder, "5432", "fo_bench_" + std::to_string(::getpid()), "feeoffice"});
    dropPgDatabase(link);
    bool sound = false;
    try {
        const double copyMs = millisecondsOf([&] {
            if (!copyFeeDatabase(path, link).sound()) throw std::runtime_error("the school's copy is not whole");
        });
        std::printf("the 2,000-student school copied to the server in %.1f s\n", copyMs / 1000);
        ConnectionPtr cn = openConnection(linkStringFor(link));
        PgSession floor(link);
        sound = measure("PostgreSQL " + floor.version(), *cn, [&] { return floor.exec(kFloor); });
    } catch (...) {
        dropPgDatabase(link);
        throw;
    }
    dropPgDatabase(link);
    std::printf("machine: %s, %u hardware threads\n", cpuName().c_str(), std::thread::hardware_concurrency());
    return sound ? 0 : 1;
}

}  // namespace
}  // namespace fo::bench

int main(int argc, char** argv) {
    const std::string folder = fo::bench::serverFolder(argc, argv);
    return folder.empty() ? fo::bench::onFile() : fo::bench::onServer(folder);
}
