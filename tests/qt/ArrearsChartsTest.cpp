// The charts of arrears on the demo school: every bar is the table's figure
// for its class and period, every point of the trend the table's month.
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QDialog>
#include <QLineSeries>
#include <cmath>
#include <map>
#include <memory>

#include "data/FeeDatabase.h"
#include "qt/ArrearsCharts.h"
#include "qt/QtTestApp.h"
#include "reports/ArrearsAnalysis.h"
#include "support/DemoDatabase.h"

namespace fo::test {
namespace {

TEST(ArrearsCharts, EveryBarAndPointIsTheTablesFigure) {
    qtApp();
    TempDir dir;
    const DemoDatabase demo(dir, DemoOptions{120, 1, "2026-12-06"});
    ConnectionPtr cn = openFeeDatabase(sqliteConnectionString(demo.location()));
    std::map<std::pair<std::string, std::string>, Currency> table;  // class, period
    std::map<std::string, Currency> months;
    for (const arrearsview::Cell& c : arrearsview::cells(*cn)) {
        table[{c.className, c.period}] += c.owed;
        if (arrearsview::isMonth(c.period)) months[c.period] += c.owed;
    }
    std::unique_ptr<QDialog> charts(qt::makeArrearsCharts(nullptr, cn));
    const auto* bars = charts->findChild<QChartView*>(QStringLiteral("chartByClass"));
    const auto* trend = charts->findChild<QChartView*>(QStringLiteral("chartTrend"));
    ASSERT_TRUE(bars && trend);
    // A bar is drawn from the amount as a number: it must come within half a cent.
    const auto same = [](double drawn, Currency owed) { return std::abs(drawn - owed.toDouble()) < 0.005; };

    auto* series = qobject_cast<QBarSeries*>(bars->chart()->series().at(0));
    const QStringList periods = qobject_cast<QBarCategoryAxis*>(bars->chart()->axes(Qt::Horizontal).at(0))->categories();
    std::size_t drawn = 0;
    for (QBarSet* set : series->barSets())
        for (int i = 0; i < set->count(); ++i) {
            const auto found = table.find({set->label().toStdString(), periods.at(i).toStdString()});
            const Currency owed = found == table.end() ? Currency() : found->second;
            EXPECT_TRUE(same(set->at(i), owed)) << set->label().toStdString() << ' ' << periods.at(i).toStdString();
            drawn += found != table.end();
        }
    EXPECT_EQ(drawn, table.size());

    auto* line = qobject_cast<QLineSeries*>(trend->chart()->series().at(0));
    const QStringList points = qobject_cast<QBarCategoryAxis*>(trend->chart()->axes(Qt::Horizontal).at(0))->categories();
    ASSERT_EQ(static_cast<std::size_t>(line->count()), months.size());
    for (int i = 0; i < line->count(); ++i)
        EXPECT_TRUE(same(line->at(i).y(), months.at(points.at(i).toStdString()))) << points.at(i).toStdString();
}

}  // namespace
}  // namespace fo::test
