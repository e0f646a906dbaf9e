// A generated school of 2,000 students over a term (the benches' generator,
// with a short history; on a PostgreSQL test run copied to the cluster):
// the month report balances for every student, and what each student owes
// at its end is what the students behind the bars owe him, bar by bar
// summed from the table's cells.
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
    const std::string file = dir.file("school.db");
    bench::BulkOptions options;
    options.attending = 2000;
    options.firstYear = 2026;
    // Not named fo_tpl_*: the cluster's filler would clone it ahead for tests that never come.
    std::unique_ptr<PgTestDatabase> server;
    if (onPostgres())
        server = std::make_unique<PgTestDatabase>("fo_scale_school", [&](const std::string& link) {
            bench::writeBulkSchool(file, options);
            if (!copyFeeDatabase(file, link).sound()) throw std::runtime_error("the school's copy is not whole");
        });
    else
        bench::writeBulkSchool(file, options);
    ConnectionPtr cn = openAsOwner(linkStringFor(server ? server->link() : file));

    const monthreport::Report term = monthreport::build(*cn, "2026-09", "2026-12");
    EXPECT_EQ(term.unbalanced, 0);
    std::map<std::string, Currency> endOf;
    for (const monthreport::Row& row : term.rows)
        if (!row.studentNo.empty() && row.className != "合计") endOf[row.studentNo] = row.m.end;
    ASSERT_GE(endOf.size(), 100u);  // those who ever left a month owing

    std::map<std::pair<long, std::string>, Currency> bars;
    for (const arrearsview::Cell& c : arrearsview::cells(*cn)) bars[{c.classId, c.period}] += c.owed;
    ASSERT_FALSE(bars.empty());
    std::map<std::string, Currency> behind;
    for (const auto& [bar, owed] : bars) {
        Currency sum;
        for (const arrearsview::Owing& o : arrearsview::studentsBehind(*cn, bar.first, bar.second)) {
            sum += o.owed;
            behind[o.studentNo] += o.owed;
        }
        EXPECT_EQ(sum, owed) << bar.first << ' ' << bar.second;
    }
    for (const auto& [xh, end] : endOf) {
        const auto found = behind.find(xh);
        EXPECT_EQ(found == behind.end() ? Currency() : found->second, end) << xh;
    }
}

}  // namespace
}  // namespace fo::test
