// Arrears at a glance on the demo school on every engine: the bars by class
// and period, the trend and the students behind each bar hold the table's
// figures, and each class owes in all what the month report leaves it owing.
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
    std::map<std::pair<long, std::string>, Currency> byBar;
    for (const arrearsview::Cell& c : cells) {
        byClass[c.className] += c.owed;
        byPeriod[c.period] += c.owed;
        byBar[{c.classId, c.period}] += c.owed;
    }

    const auto bars = arrearsview::byClassAndPeriod(cells);
    std::size_t barCount = 0;
    for (const auto& [period, classes] : bars)
        for (const auto& [className, owed] : classes) {
            ++barCount;
            EXPECT_GT(owed, Currency()) << period << ' ' << className;
        }
    EXPECT_EQ(barCount, byBar.size());
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

    for (const auto& [bar, owed] : byBar) {
        Currency behind;
        for (const arrearsview::Owing& o : arrearsview::studentsBehind(*cn, bar.first, bar.second)) behind += o.owed;
        EXPECT_EQ(behind, owed) << bar.first << ' ' << bar.second;
    }

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
