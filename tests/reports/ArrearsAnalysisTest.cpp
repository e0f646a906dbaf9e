// Arrears at a glance on the demo school on every engine: the trend holds
// the table's figures, and each class owes in all what the month report
// leaves it owing (the students behind each bar: GeneratedSchoolTest).
#include <gtest/gtest.h>

#include <map>

#include "host/ReferenceHost.h"
#include "reliability/Books.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/MonthReport.h"

namespace fo::test {
namespace {

class ArrearsAnalysisTest : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        locator = booksEngines()[GetParam()].demoOffice(dir);
        host = std::make_unique<ReferenceHost>(locator);
        cn = host->pGetCN();
    }

    TempDir dir;
    std::string locator;
    std::unique_ptr<ReferenceHost> host;
    ConnectionPtr cn;
};

TEST_P(ArrearsAnalysisTest, TheChartsTheStudentsAndTheMonthReportHoldTheTablesFigures) {
    const auto cells = arrearsview::cells(*cn);
    ASSERT_FALSE(cells.empty());
    std::map<std::string, Currency> byClass, byPeriod;
    for (const arrearsview::Cell& c : cells) {
        byClass[c.className] += c.owed;
        byPeriod[c.period] += c.owed;
    }
    // The trend: the months only (not terms, years, one-offs), the latest last.
    std::vector<std::string> months;
    for (const auto& [period, owed] : byPeriod)
        if (period.size() == 6 && period.find_first_not_of("0123456789") == std::string::npos) months.push_back(period);
    ASSERT_GE(months.size(), 2u);
    ASSERT_LT(months.size(), byPeriod.size());
    const auto line = arrearsview::trend(cells);
    ASSERT_EQ(line.size(), months.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        EXPECT_EQ(line[i].first, months[i]);
        EXPECT_EQ(line[i].second, byPeriod.at(months[i])) << months[i];
    }
    const auto lastTwo = arrearsview::trend(cells, 2);
    ASSERT_EQ(lastTwo.size(), 2u);
    EXPECT_EQ(lastTwo.back().first, months.back());

    // The month report over the year to the open month ends where the open rows stand.
    const monthreport::Report year = monthreport::build(*cn, "2026-09", "2026-12");
    std::size_t classes = 0;
    for (const monthreport::Row& row : year.rows)
        if (row.studentName == "小计" && !row.m.end.isZero()) {
            ++classes;
            EXPECT_EQ(row.m.end, byClass[row.className]) << row.className;
        }
    EXPECT_EQ(classes, byClass.size());
}

INSTANTIATE_TEST_SUITE_P(Engines, ArrearsAnalysisTest, ::testing::Range<std::size_t>(0, booksEngines().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) { return booksEngines()[info.param].name; });

}  // namespace
}  // namespace fo::test
