// A generated school of 2,000 students over a term (the benches' generator,
// with a short history; copied to the cluster on a PostgreSQL run): the month
// report balances for every student, and what each owes at its end is what
// the students behind the chart's bars owe him, each bar what they owe.
#include <gtest/gtest.h>

#include <map>

#include "BulkSchool.h"
#include "host/database/FeeDatabaseCopy.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/MonthReport.h"
#include "support/PgTestServer.h"
#include "support/TempDir.h"

namespace fo::test {
namespace {

TEST(GeneratedSchool, EveryStudentBalancesAndOwesWhatTheBarsSayHeOwes) {
    TempDir dir;
    const std::string path = dir.file("school.db");
    bench::writeBulkSchool(path, {.attending = 2000, .firstYear = 2026});
    // Not named fo_tpl_*, which the cluster's filler would clone ahead for tests that never come.
    std::unique_ptr<PgTestDatabase> server;
    if (onPostgres())
        server = std::make_unique<PgTestDatabase>("fo_scale_school", [&](const std::string& link) {
            if (!copyFeeDatabase(path, link).sound()) throw std::runtime_error("the school's copy is not whole");
        });
    ConnectionPtr cn = openAsOwner(linkStringFor(server ? server->link() : path));

    const monthreport::Report term = monthreport::build(*cn, "2026-09", "2026-12");
    EXPECT_EQ(term.unbalanced, 0);
    std::map<std::string, Currency> endOf;
    for (const monthreport::Row& row : term.rows)
        if (!row.studentNo.empty() && row.className != "合计") endOf[row.studentNo] = row.m.end;
    ASSERT_GE(endOf.size(), 100u);  // those who ever left a month owing

    const auto cells = arrearsview::cells(*cn);
    std::map<std::string, long> classIds;
    for (const arrearsview::Cell& c : cells) classIds[c.className] = c.classId;
    const auto bars = arrearsview::byClassAndPeriod(cells);
    ASSERT_FALSE(bars.empty());
    std::map<std::string, Currency> behind;
    for (const auto& [period, classes] : bars)
        for (const auto& [className, owed] : classes) {
            Currency sum;
            for (const arrearsview::Owing& o : arrearsview::studentsBehind(*cn, classIds.at(className), period)) {
                sum += o.owed;
                behind[o.studentNo] += o.owed;
            }
            EXPECT_EQ(sum, owed) << className << ' ' << period;
        }
    for (const auto& [xh, end] : endOf) EXPECT_EQ(behind[xh], end) << xh;  // nothing behind the bars: owes nothing
}

}  // namespace
}  // namespace fo::test
