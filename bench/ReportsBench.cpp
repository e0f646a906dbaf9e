// The collection summary, arrears at a glance and the month that balances,
// each against its floor: over the bench's large school (ten years of
// books, about a million fee records, goal under 5 s) and over a school
// year of a 2,000-student school (goal under 1 s); with --postgres STATE the
// same three over a 2,000-student school's term on a throw-away server.
// A floor is the one statement that sums the rows a report must read, on
// the engine's own interface.
#include <cstdio>
#include <ctime>
#include <string>

#include "BenchSchool.h"
#include "BulkSchool.h"
#include "data/FeeDatabase.h"
#include "db/sqlite/SqliteFunctions.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/CollectionSummary.h"
#include "reports/MonthReport.h"

namespace fo::bench {
namespace {

const char* const kSummaryFloor =
    "select j.userID,l.subid,i.sfxmid,sum(i.je),sum(i.ysk) from INandOutML j inner join INandOut l on l.num=j.id"
    " inner join kdw_sfjlmx i on i.sfjlid=j.id where j.czrq>='%s' and j.czrq<'%s' group by j.userID,l.subid,i.sfxmid";
const char* const kArrearsFloor =
    "select q.qfyf,q.xsid,i.sfxmid,sum(i.qfje-i.fkje-i.jmje) from qfhzb q inner join qfmxb i on i.qfkid=q.qfkid"
    " where q.fkrq is null group by q.qfyf,q.xsid,i.sfxmid";
const char* const kMonthFloor = "select xsid,sum(qfje),sum(fkje),sum(jmje) from qfhzb group by xsid";

std::string withDays(const char* sql, const std::string& from, const std::string& to) {
    char out[1024];
    std::snprintf(out, sizeof out, sql, from.c_str(), to.c_str());
    return out;
}

long sqliteRows(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    registerSqliteFunctions(db);
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("floor: ") + sqlite3_errmsg(db));
    long rows = 0;
    while (sqlite3_step(q) == SQLITE_ROW) ++rows;
    sqlite3_finalize(q);
    sqlite3_close(db);
    return rows;
}

// The three reports over [fromMonth, toMonth] on `cn`, each beside its floor
// run by `floorRows`; false when a report came back empty or unbalanced.
// Each figure also gives the processor time this process spent on it: on a
// machine others load, the wall clock grows with their work, the processor
// time (the embedded engine's, which runs here) hardly.
bool measure(const std::string& label, Connection& cn, const std::string& fromMonth, const std::string& toMonth,
             const std::string& firstDay, const std::string& endDay, double goalMs,
             const std::function<long(const std::string&)>& floorRows) {
    bool sound = true;
    auto figure = [&](const char* name, const std::function<void()>& report, const std::string& floorSql) {
        const std::clock_t start = std::clock();
        const double ms = millisecondsOf(report);
        const double processorMs = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        const double floor = millisecondsOf([&] {
            if (floorRows(floorSql) == 0) throw std::runtime_error(std::string(name) + ": the floor found no rows");
        });
        std::printf("%s, %s: %.1f ms, %.1f ms of processor here (floor %.1f ms, %.2f x floor; goal under %.0f ms)\n",
                    name, label.c_str(), ms, processorMs, floor, floor > 0 ? ms / floor : 0.0, goalMs);
        if (ms > goalMs) sound = false;
    };
    std::vector<collection::Line> summary;
    figure("collection summary", [&] { summary = collection::lines(cn, firstDay, endDay); },
           withDays(kSummaryFloor, firstDay, endDay));
    std::vector<arrearsview::Cell> cells;
    figure("arrears at a glance", [&] { cells = arrearsview::cells(cn); }, kArrearsFloor);
    monthreport::Report month;
    figure("month report", [&] { month = monthreport::build(cn, fromMonth, toMonth); }, kMonthFloor);
    std::printf("  %zu summary lines, %zu arrears cells, %zu month lines, %d not balancing\n", summary.size(),
                cells.size(), month.rows.size(), month.unbalanced);
    return sound && !summary.empty() && !cells.empty() && month.unbalanced == 0 && month.rows.size() > 1;
}

int onFiles() {
    const std::string cache = FO_BENCH_CACHE;
    setenv("XDG_STATE_HOME", cache.c_str(), 1);
    bool sound = true;
    const std::string large = cachedBulkSchool(cache, BulkOptions{8000, 7});
    sound &= measure("ten years of 8,000 students (SQLite)", *openFeeDatabase(sqliteConnectionString(large)),
                     "2016-09", "2026-12", "2016-09-01", "2027-01-01", 5000,
                     [&](const std::string& sql) { return sqliteRows(large, sql); });
    const std::string small = cachedBulkSchool(cache, BulkOptions{2000, 7});
    sound &= measure("a school year of 2,000 students (SQLite)", *openFeeDatabase(sqliteConnectionString(small)),
                     "2025-09", "2026-08", "2025-09-01", "2026-09-01", 1000,
                     [&](const std::string& sql) { return sqliteRows(small, sql); });
    std::printf("machine: %s, %u hardware threads, SQLite %s\n", cpuName().c_str(), std::thread::hardware_concurrency(),
                sqlite3_libversion());
    return sound ? 0 : 1;
}

int onServer(const std::string& folder) {
    School school(2000, folder);
    ConnectionPtr cn = openConnection(linkStringFor(school.database()));
    PgSession floor(school.database());
    const bool sound = measure("a term of 2,000 students (PostgreSQL)", *cn, "2026-09", "2026-12", "2026-09-01",
                               "2027-01-01", 1000, [&](const std::string& sql) { return floor.exec(sql); });
    school.printMachine();
    return sound ? 0 : 1;
}

}  // namespace
}  // namespace fo::bench

int main(int argc, char** argv) {
    const std::string folder = fo::bench::serverFolder(argc, argv);
    return folder.empty() ? fo::bench::onFiles() : fo::bench::onServer(folder);
}
