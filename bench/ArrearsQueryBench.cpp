// The arrears query of the receivables list over 2,000 students, 10 months
// and 6 items, up to the filled list, against the floor: the host's work
// table and the main query stepped through by one prepared statement.
#include <string>

#include "BenchSchool.h"
#include "batch/BatchStatements.h"
#include "batch/frmJmBachList.h"

namespace fo::bench {
namespace {

constexpr int kStudents = 2000, kMonths = 10;

double floorMs(School& school, const std::string& periods, const std::string& items) {
    return millisecondsOf([&] {
        ConnectionPtr cn = school.host().pGetCN();
        std::string table;
        school.host().getQFmxbNew(table, cn, periods, items, "", "", "");
        sqlite3* db = nullptr;
        sqlite3_open(school.path().c_str(), &db);
        sqlite3_stmt* q = nullptr;
        const std::string sql = batch::arrearsQuery(table, "");
        sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr);
        long rows = 0;
        while (sqlite3_step(q) == SQLITE_ROW) ++rows;
        sqlite3_finalize(q);
        sqlite3_close(db);
        cn->execute("drop table " + table);
        if (rows == 0) throw std::runtime_error("the floor query found no rows");
    });
}

int run() {
    School school(kStudents);
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
    printMachine();
    std::printf("arrears query: %d students, %d months (%s to %s), %d items, %d list rows\n", kStudents, kMonths,
                w->cmbYf.text().c_str(), w->cmbYFto.text().c_str(), w->LSTsfxm.ListCount(), w->lvw1.itemCount());
    printFigure("arrears query", ms, floor);
    return w->lvw1.itemCount() > 0 ? 0 : 1;
}

}  // namespace
}  // namespace fo::bench

int main() { return fo::bench::run(); }
