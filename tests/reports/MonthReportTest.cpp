// The month that balances, on the demo school on every engine: every
// student's line balances month by month, each month starts where the one
// before ended, the school's end is what the open rows owe; a row damaged
// by hand unbalances its student's line and fails the check of the books.
#include <gtest/gtest.h>

#include <map>

#include "host/ReferenceHost.h"
#include "reliability/Books.h"
#include "reports/MonthReport.h"
#include "support/Query.h"

namespace fo::test {
namespace {

class MonthReportTest : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        locator = booksEngines()[GetParam()].demoOffice(dir);
        host = std::make_unique<ReferenceHost>(locator);
        cn = host->pGetCN();
    }
    Currency amount(const std::string& sql) { return scalar(*cn, sql).toCurrency(); }

    TempDir dir;
    std::string locator;
    std::unique_ptr<ReferenceHost> host;
    ConnectionPtr cn;
};

// The demo school's year runs from September to the open month, December.
const char* const kMonths[] = {"2026-09", "2026-10", "2026-11", "2026-12"};

TEST_P(MonthReportTest, EveryStudentBalancesAndEachMonthStartsWhereTheLastEnded) {
    std::map<std::string, Currency> endedAt;  // student number -> end of the month before
    Currency moved;
    for (const char* month : kMonths) {
        const monthreport::Report r = monthreport::build(*cn, month, month);
        EXPECT_EQ(r.unbalanced, 0) << month;
        for (const monthreport::Row& row : r.rows) {
            EXPECT_TRUE(row.m.balances()) << month << ' ' << row.className << ' ' << row.studentNo;
            if (row.studentNo.empty()) continue;
            const auto before = endedAt.find(row.studentNo);
            EXPECT_EQ(row.m.start, before == endedAt.end() ? Currency() : before->second)
                << month << ' ' << row.studentNo;
            endedAt[row.studentNo] = row.m.end;
            moved += row.m.raised + row.m.reduced + row.m.paid;
        }
    }
    EXPECT_GT(moved, Currency());  // the months carried over, reduced and paid something

    // The range at once: the school's line is the months' sum, and it ends
    // on what the open rows owe.
    const monthreport::Report year = monthreport::build(*cn, kMonths[0], kMonths[3]);
    const monthreport::Row& school = year.rows.back();
    EXPECT_EQ(school.className, "合计");
    EXPECT_TRUE(school.m.balances());
    EXPECT_EQ(school.m.end, amount("select sum(qfje) from qfhzb where fkrq is null"));
    EXPECT_GT(school.m.mirrors, 0);
    EXPECT_THROW(monthreport::build(*cn, kMonths[3], kMonths[0]), std::invalid_argument);
    EXPECT_THROW(monthreport::build(*cn, "2026-13", "2026-13"), std::invalid_argument);
}

TEST_P(MonthReportTest, ARowChangedByHandUnbalancesItsStudentAndFailsTheCheck) {
    // A payment one yuan short on a row paid off in full in November.
    const std::string row = scalar(*cn, "select min(qfkid) from qfhzb where sfjlid<>0 and fkrq>='2026-11-01' and"
                                        " fkrq<'2026-12-01' and qfkid not in(select yqfkid from qfhzb)")
                                .toText();
    ASSERT_FALSE(row.empty());
    const std::string xsid = scalar(*cn, "select xsid from qfhzb where qfkid=" + row).toText();
    const std::string xh = scalar(*cn, "select xh from kdw_xs where id=" + xsid).toText();
    cn->execute("update qfhzb set fkje=fkje-1 where qfkid=" + row);

    const monthreport::Report r = monthreport::build(*cn, "2026-11", "2026-11");
    EXPECT_EQ(r.unbalanced, 1);
    for (const monthreport::Row& line : r.rows)
        if (line.studentNo == xh) EXPECT_EQ(line.m.expectedEnd() - line.m.end, Currency::fromInt(1));
    EXPECT_FALSE(r.rows.back().m.balances());
    EXPECT_NE(monthreport::asText(r).find("不平"), std::string::npos);

    const auto faults = checkBooksAt(locator);
    bool named = false;
    for (const BooksFault& f : faults)
        named = named || (f.code == "arrears-ledger" && f.text.find("学生 id " + xsid + " ") != std::string::npos);
    EXPECT_TRUE(named) << describe(faults);
}

INSTANTIATE_TEST_SUITE_P(Engines, MonthReportTest, ::testing::Range<std::size_t>(0, booksEngines().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) { return booksEngines()[info.param].name; });

}  // namespace
}  // namespace fo::test
