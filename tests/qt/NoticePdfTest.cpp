// Notices to parents on the demo school: the PDF of a class holds, as text
// a reader can search, every owing student's name and total, three to a
// page; chosen students each get theirs, and a number no student has is
// refused. The charts of arrears there: every bar is the table's figure for
// its class and period, every point of the trend the table's month. A
// report longer than a page prints every row, its captions atop each page.
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QDialog>
#include <QLineSeries>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>

#include "data/FeeDatabase.h"
#include "host/settings/HostSettings.h"
#include "qt/ArrearsCharts.h"
#include "qt/NoticePdf.h"
#include "qt/QtReportPrinter.h"
#include "qt/QtTestApp.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/Notices.h"
#include "support/DemoDatabase.h"
#include "support/Query.h"
#include "support/XlsxSheet.h"

namespace fo::test {
namespace {

std::string pdfText(const std::string& path) { return commandOutput("pdftotext -layout '" + path + "' -"); }

TEST(NoticePdf, EveryOwingStudentsTotalIsInTheTextEveryChartBarIsTheTablesFigureAndLongReportsKeepTheirCaptions) {
    qtApp();
    TempDir dir;
    const DemoDatabase demo(dir, DemoOptions{120, 1, "2026-12-06"});
    ConnectionPtr cn = openFeeDatabase(sqliteConnectionString(demo.location()));
    setSetting(*cn, "txtNoticeLine", "如有疑问请致电财务室");
    const std::string className =
        scalar(*cn, "select b.mc from qfhzb q inner join kdw_xs x on x.id=q.xsid inner join kdw_bj b on b.id=x.bjid"
                    " where q.fkrq is null group by b.mc order by count(distinct q.xsid) desc,b.mc")
            .toText();
    const auto notices = notices::forClass(*cn, className, "2026-12-20");
    ASSERT_GT(notices.size(), 3u);  // more than one page
    const std::string pdf = dir.file("notices.pdf");
    ASSERT_TRUE(qt::writeNoticesPdf(notices, pdf));
    const std::string text = pdfText(pdf);
    const auto pages = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\f')) + 1;
    EXPECT_GE(pages, (notices.size() + 2) / 3);
    for (const notices::Notice& n : notices) {
        EXPECT_EQ(n.className, className);
        Currency sum;
        for (const notices::Owed& o : n.lines) sum += o.owed;
        EXPECT_EQ(sum, n.total) << n.studentNo;
        EXPECT_NE(text.find(n.studentName), std::string::npos) << n.studentNo;
        EXPECT_NE(text.find("合计欠费：" + n.total.format00()), std::string::npos) << n.studentNo;
    }
    for (const char* part : {"2026-12-20", "如有疑问请致电财务室", "阳光幼儿园"})
        EXPECT_NE(text.find(part), std::string::npos) << part;

    const std::string paidUp = scalar(*cn, "select min(xh) from kdw_xs where id not in(select xsid from qfhzb where"
                                           " fkrq is null)").toText();
    const auto chosen = notices::forStudents(*cn, {notices.front().studentNo, paidUp}, "2026-12-20");
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(std::pair(chosen[0].total, chosen[1].total), std::pair(notices.front().total, Currency()));
    EXPECT_THROW(notices::forStudents(*cn, {"no-such'one"}, "2026-12-20"), std::invalid_argument);

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

    PrintedDocument doc;
    doc.title = "长报表";
    PrintedSheet sheet;
    sheet.heading = "长报表";
    sheet.columns = {"学号", "姓名", "欠费金额"};
    sheet.rightAligned = {false, false, true};
    for (int i = 1; i <= 150; ++i) {
        const std::string n = std::to_string(10000 + i);
        sheet.rows.push_back({"X" + n, "学生" + n, Currency::fromInt(i).format00()});
    }
    sheet.emphasised.assign(sheet.rows.size(), false);
    sheet.notes.push_back("表尾说明");
    doc.sheets.push_back(sheet);
    const std::string report = qt::QtReportPrinter(dir.file("printed"), false).print(doc);
    ASSERT_FALSE(report.empty());
    const std::string printed = pdfText(report);
    auto sheets = static_cast<std::size_t>(std::count(printed.begin(), printed.end(), '\f')) + 1;
    std::size_t captions = 0;
    if (printed.back() == '\f') --sheets;
    for (std::size_t at = printed.find("欠费金额"); at != std::string::npos; at = printed.find("欠费金额", at + 1))
        ++captions;
    EXPECT_GE(sheets, 3u);
    EXPECT_EQ(captions, sheets);
    for (const auto& row : sheet.rows) EXPECT_NE(printed.find(row[1]), std::string::npos) << row[1];
    EXPECT_NE(printed.find("表尾说明"), std::string::npos);
}

}  // namespace
}  // namespace fo::test
