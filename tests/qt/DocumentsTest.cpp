// The documents the desktop writes, as their readers find them. Receipts:
// the text a PDF reader extracts (pdftotext), the page size (pdfinfo), and
// the print dialog. An export: the save dialog starts in the documents
// folder as the desktop names it (user-dirs.dirs) with the export's name, and
// the file goes where the clerk says; cancelling writes nothing.
// Notices to parents on the demo school: the PDF of a class holds, as text
// a reader can search, every owing student's name and total, three to a
// page; chosen students each get theirs, and a number no student has is
// refused. The charts of arrears there: every bar is the table's figure for
// its class and period, every point of the trend the table's month. A
// report longer than a page prints every row, its captions atop each page.
#include <QAbstractButton>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QDialog>
#include <QFileDialog>
#include <QLineSeries>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

#include "QtTestApp.h"
#include "data/FeeDatabase.h"
#include "host/settings/HostSettings.h"
#include "qt/ArrearsCharts.h"
#include "qt/NoticePdf.h"
#include "qt/QtBillPrinter.h"
#include "qt/QtReportPrinter.h"
#include "qt/ReceiptPaper.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/Notices.h"
#include "support/DemoDatabase.h"
#include "support/Query.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"
#include "support/XlsxSheet.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

namespace fs = std::filesystem;

std::string pdfText(const std::string& path) { return commandOutput("pdftotext -layout '" + path + "' -"); }

class Documents : public QtTest {};

TEST_F(Documents, AReceiptReadsBackAsWrittenOnThePaperChosenOrOpensThePrintDialogAndAnExportSavesWhereTheClerkSays) {
    TempDir dir;
    std::string reported;
    ui.notify = [&reported](const std::string& s) { reported = s; };
    ui.setPrintFolder(dir.file("prints"));
    Recordset items;
    for (const char* f : {"xmmc", "dj", "sl", "je", "term", "cqts", "bz"}) items.appendField(f);
    items.open();
    items.appendRow({Value("保育费"), Value("800"), Value("1"), Value("800.00"), Value("2026-09-01至2026-12-31"),
                     Value("0"), Value("")});
    items.appendRow({Value("伙食费"), Value("12.5"), Value("1"), Value("12.50"), Value("一次性"), Value("0"),
                     Value("大班目录")});
    ReceiptHeader header;
    header.billNumber = "SF202612060001";
    header.studentName = "王小明";
    header.studentNumber = "2026001";
    header.className = "大一班";
    header.total = "812.50";
    header.totalInWords = "捌佰壹拾贰元伍角";
    header.issuer = "张会计";
    header.payee = "李出纳";
    header.itemsCaption = " 收 费 项 目";
    header.colorContent = "本收据加盖财务专用章后有效";
    header.schoolName = "阳光幼儿园";
    header.issueDate = "2026-12-06";
    header.reprintMark = "补打";
    // Prints through the binding's printer and returns where it went.
    const auto print = [&] {
        auto printer = ui.newBillPrinter();
        EXPECT_TRUE(printer->printBill(header, items));
        return static_cast<qt::QtBillPrinter&>(*printer).lastTarget();
    };

    const std::string file = print();
    EXPECT_EQ(file.rfind(dir.file("prints") + "/SF202612060001-", 0), 0u) << file;
    EXPECT_EQ(reported, "已打印：" + file);
    const std::string text = pdfText(file);
    for (const char* written : {"票据号：SF202612060001", "姓名：王小明", "学号：2026001", "班级：大一班", "保育费",
                                "伙食费", "2026-09-01至2026-12-31", "一次性", "大班目录", "800.00", "12.50",
                                "合计：812.50", "合计（大写）：捌佰壹拾贰元伍角", "金额", "项目", "开票人：张会计",
                                "收款人：李出纳", "本收据加盖财务专用章后有效", "阳光幼儿园", "补打",
                                "开票日期：2026-12-06"})
        EXPECT_NE(text.find(written), std::string::npos) << written << "\n" << text;
    // The period prints at the size of the other cells, not set smaller to
    // fit a narrow one: its words stand as tall as the item's name.
    const std::string boxes = commandOutput("pdftotext -bbox '" + file + "' -");
    const auto height = [&boxes](const std::string& word) {
        const auto at = boxes.rfind("<word ", boxes.find(word));
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (at == std::string::npos ||
            std::sscanf(boxes.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &x0, &y0,
                        &x1, &y1) != 4)
            return 0.0;
        return y1 - y0;
    };
    EXPECT_GT(height("保育费"), 0.0) << boxes;
    EXPECT_NEAR(height("2026-09-01"), height("保育费"), 0.5) << boxes;
    // The unit price prints "0.00" like the amount.
    EXPECT_NE(text.find("800.00"), text.rfind("800.00")) << text;
    EXPECT_EQ(text.find("作废"), std::string::npos);
    // No character comes back as a Kangxi or CJK radical (U+2E80..U+2FDF:
    // UTF-8 E2 BA 80 .. E2 BF 9F).
    for (std::size_t p = text.find('\xE2'); p != std::string::npos; p = text.find('\xE2', p + 1)) {
        const auto second = static_cast<unsigned char>(text[p + 1]);
        EXPECT_FALSE(second >= 0xBA && second <= 0xBF) << "a radical at " << p << ": " << text.substr(p, 3);
    }

    // The paper format chosen in the window is the page: pdfinfo's "Page size: W x H pts", in millimetres.
    auto pageSize = [&](const std::string& paper) {
        header.paperName = paper;
        const std::string info = commandOutput("pdfinfo '" + print() + "'");
        double w = 0, h = 0;
        const auto at = info.find("Page size:");
        if (at != std::string::npos) std::sscanf(info.c_str() + at, "Page size: %lf x %lf", &w, &h);
        return QSizeF(std::round(w / 72 * 25.4), std::round(h / 72 * 25.4));
    };
    // 241 x 140 mm, printed across; A4 upright; a name without a paper: A5 across.
    EXPECT_EQ(pageSize("收费收据（二联）241×140毫米"), QSizeF(241, 140));
    EXPECT_EQ(pageSize("收费收据（三联）A4"), QSizeF(210, 297));
    EXPECT_EQ(pageSize("收费收据"), QSizeF(210, 148));
    EXPECT_EQ(qt::receiptPageLayout("退费单 A5 纵向").orientation(), QPageLayout::Portrait);
    EXPECT_EQ(qt::receiptPageLayout("退费单 A5横向").orientation(), QPageLayout::Landscape);
    EXPECT_EQ(qt::receiptPageLayout("收据 93x241mm").orientation(), QPageLayout::Portrait);
    EXPECT_EQ(qt::receiptPageLayout("收据 A45").pageSize().id(), QPageSize::A5) << "A45 names no sheet";

    std::filesystem::remove_all(dir.file("prints"));
    reported.clear();
    ui.setAskUser(true);
    header.paperName = "收费收据 A4";
    QString title;
    QSizeF paper;
    whenModal<QPrintDialog>([&](QPrintDialog& dialog) {
        title = dialog.windowTitle();
        paper = dialog.printer()->pageLayout().pageSize().size(QPageSize::Millimeter);
        dialog.reject();
    });
    EXPECT_FALSE(ui.newBillPrinter()->printBill(header, items));
    EXPECT_EQ(std::pair(title.toStdString(), paper), std::pair(std::string("打印收据"), QSizeF(210, 297)));
    EXPECT_EQ(reported, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("prints")));

    // The desktop's folders for the export, set once the application is up.
    const ScopedVariable home("HOME", dir.path().string()), config("XDG_CONFIG_HOME", dir.file("config"));
    const std::string documents = dir.file("文档");
    fs::create_directories(dir.file("config"));
    fs::create_directories(documents);
    std::ofstream(dir.file("config") + "/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
                                                          << "XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n";
    Recordset rows;
    rows.appendField("编号", DataType::VarChar);
    rows.appendField("金额", DataType::Currency);
    rows.open();
    rows.appendRow({Value("SF0001"), Value(*Currency::parse("12.5"))});
    // Works the save dialog when it comes up: notes where it starts and
    // what it offers, then saves under `name` in `folder`, or cancels.
    std::string started, offered, offer;
    const auto whenAsked = [&](const std::string& folder, const std::string& name) {
        whenModal<QFileDialog>([&, folder, name](QFileDialog& dialog) {
            started = dialog.directory().absolutePath().toStdString();
            offered = dialog.selectedFiles().value(0).toStdString();
            if (name.empty()) return dialog.reject();
            dialog.selectFile(QString::fromStdString(folder + "/" + name));
            QMetaObject::invokeMethod(&dialog, "accept");
            // Then the offer to open the file: not now.
            whenModal<QMessageBox>([&](QMessageBox& box) {
                offer = box.text().toStdString();
                box.button(QMessageBox::No)->click();
            });
        });
    };

    whenAsked(dir.path().string(), "十月票据");
    const std::string path = exportSheet(SheetExport{"开票日期", "票据管理 2026-10-01至2026-10-31", 0}, rows);
    EXPECT_EQ(std::pair(started, offered), std::pair(documents, documents + "/票据管理_2026-10-01至2026-10-31.xlsx"));
    EXPECT_EQ(path, dir.file("十月票据.xlsx")) << "the suffix is added";
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(offer, "已导出到：\r\n" + path + "\r\n\r\n是否现在打开？");

    // The next export starts where this one was saved; a cancel writes nothing.
    whenAsked("", "");
    EXPECT_EQ(exportSheet(SheetExport{"开票日期", "票据管理", 0}, rows), "");
    EXPECT_EQ(started, dir.path().string());
    EXPECT_EQ(fs::exists(documents + "/票据管理.xlsx"), false);
}


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
