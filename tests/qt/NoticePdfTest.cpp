// Notices to parents on the demo school: the PDF of a class holds, as text
// a reader can search, every owing student's name and total, three to a
// page; chosen students each get theirs, and a number no student has is
// refused. A report longer than a page prints every row, its captions atop
// each page.
#include <memory>
#include <stdexcept>

#include "data/FeeDatabase.h"
#include "host/settings/HostSettings.h"
#include "qt/NoticePdf.h"
#include "qt/QtReportPrinter.h"
#include "qt/QtTestApp.h"
#include "reports/Notices.h"
#include "support/DemoDatabase.h"
#include "support/Query.h"
#include "support/XlsxSheet.h"

namespace fo::test {
namespace {

std::string pdfText(const std::string& path) { return commandOutput("pdftotext -layout '" + path + "' -"); }

TEST(NoticePdf, EveryOwingStudentsTotalCanBeFoundInTheText) {
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
    std::size_t pages = 1;
    for (char c : text) pages += c == '\f';
    EXPECT_GE(pages, (notices.size() + 2) / 3);
    for (const notices::Notice& n : notices) {
        EXPECT_EQ(n.className, className);
        Currency sum;
        for (const notices::Owed& o : n.lines) sum += o.owed;
        EXPECT_EQ(sum, n.total) << n.studentNo;
        EXPECT_NE(text.find(n.studentName), std::string::npos) << n.studentNo;
        EXPECT_NE(text.find("合计欠费：" + n.total.format00()), std::string::npos) << n.studentNo;
    }
    EXPECT_NE(text.find("2026-12-20"), std::string::npos);
    EXPECT_NE(text.find("如有疑问请致电财务室"), std::string::npos);
    EXPECT_NE(text.find("阳光幼儿园"), std::string::npos);

    const std::string owing = notices.front().studentNo;
    const std::string paidUp = scalar(*cn, "select min(xh) from kdw_xs where id not in(select xsid from qfhzb where"
                                           " fkrq is null)").toText();
    const auto chosen = notices::forStudents(*cn, {owing, paidUp}, "2026-12-20");
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].total, notices.front().total);
    EXPECT_TRUE(chosen[1].total.isZero());
    EXPECT_THROW(notices::forStudents(*cn, {"no-such'one"}, "2026-12-20"), std::invalid_argument);
}

TEST(NoticePdf, AReportLongerThanAPagePrintsEveryRowUnderItsCaptions) {
    qtApp();
    TempDir dir;
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
    const std::string pdf = qt::QtReportPrinter(dir.file("printed"), false).print(doc);
    ASSERT_FALSE(pdf.empty());
    const std::string text = pdfText(pdf);
    std::size_t pages = 1, captions = 0;
    for (char c : text) pages += c == '\f';
    if (text.back() == '\f') --pages;
    for (std::size_t at = text.find("欠费金额"); at != std::string::npos; at = text.find("欠费金额", at + 1)) ++captions;
    EXPECT_GE(pages, 3u);
    EXPECT_EQ(captions, pages);
    for (const auto& row : sheet.rows) EXPECT_NE(text.find(row[1]), std::string::npos) << row[1];
    EXPECT_NE(text.find("表尾说明"), std::string::npos);
}

}  // namespace
}  // namespace fo::test
