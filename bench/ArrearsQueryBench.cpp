// The arrears query of the receivables list over 2,000 students, 10 months
// and 6 items, up to the filled list, against the floor: the host's work
// table and the main query stepped through by one prepared statement.
#include <string>

#include "BenchSchool.h"
#include "batch/BatchStatements.h"
#include "batch/frmJmBachList.h"
#include "db/sqlite/SqliteFunctions.h"

namespace fo::bench {
namespace {

constexpr int kStudents = 2000, kMonths = 10;

// The rows of the main query, stepped through on the engine's own
// interface on the connection that holds the work table (a session's
// temporary table is seen by that session only).
long sqliteRows(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    registerSqliteFunctions(db);  // the exact sum and the collation the engine compares text by
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr);
    long rows = 0;
    while (sqlite3_step(q) == SQLITE_ROW) ++rows;
    sqlite3_finalize(q);
    sqlite3_close(db);
    return rows;
}

double floorMs(School& school, const std::string& periods, const std::string& items) {
    return millisecondsOf([&] {
        ConnectionPtr cn = school.host().pGetCN();
        std::string table;
        school.host().getQFmxbNew(table, cn, periods, items, "", "", "");
        const std::string sql = batch::arrearsQuery(table, "");
        // On the server the query goes as one statement, the rows come back
        // in one answer; nothing is read into values.
        const long rows = school.onServer() ? PgSession(school.database()).exec(sql) : sqliteRows(school.database(), sql);
        cn->execute("drop table " + table);
        if (rows == 0) throw std::runtime_error("the floor query found no rows");
    });
}

int run(const std::string& server) {
    School school(kStudents, server);
    school.startHost(1);
    auto w = formInstance<frmJmBachList>();
    w->load();
    w->cmbYf.userSelect(w->cmbYf.List(0));
    w->cmbYFto.userSelect(w->cmbYFto.List(kMonths - 1));
    std::string periods, items;
    for (int i = 0; i < kMonths; ++i) periods += (i ? "," : "") + std::to_string(w->cmbYf.ItemData(i));
    for (int i = 0; i < w->LSTsfxm.ListCount(); ++i) {
        w->LSTsfxm.setSelected(i, true);
        items += (i ? "," : "") + std::to_string(w->LSTsfxm.ItemData(i));
    }
    const double floor = floorMs(school, periods, items);
    school.ui().queueAnswer(MsgAnswer::Yes);  // no class, number or filter: go on
    const double ms = millisecondsOf([&] { w->CMDfind.userClick(); });
    school.printMachine();
    std::printf("arrears query: %d students, %d months (%s to %s), %d items, %d list rows\n", kStudents, kMonths,
                w->cmbYf.text().c_str(), w->cmbYFto.text().c_str(), w->LSTsfxm.ListCount(), w->lvw1.itemCount());
    printFigure("arrears query (" + school.engineName() + ")", ms, floor);
    return w->lvw1.itemCount() > 0 ? 0 : 1;
}

}  // namespace
}  // namespace fo::bench

int main(int argc, char** argv) { return fo::bench::run(fo::bench::serverFolder(argc, argv)); }
