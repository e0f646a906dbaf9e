// The receivables list in both dialects on the demo school: the arrears
// query with its subtotals and grand total, posting one reduction per
// student and period, the whole batch rolled back when one row exceeds what
// is owed, both lists' exports, and the splitter between the lists.
#include "BatchFixture.h"
#include "batch/BatchStatements.h"
#include "data/checks/BooksCheck.h"
#include "db/DbError.h"
#include "support/FullDisk.h"
#include "support/XlsxSheet.h"
#include "ui/controls/KeyCodes.h"

#include <filesystem>
#include <functional>

namespace fo::test {
namespace {

class BatchListTest : public BatchTest {
protected:
    void post(frmJmBachList& w, const std::string& reason) {
        w.txtJmyy.userSetText(reason);
        ui.queueAnswer(MsgAnswer::Yes);
        w.cmdJMok.userClick();
    }
};

TEST_P(BatchListTest, AmountsAsTypedSubtotalsAndTotalsBothExportsAndOneOffsWantAnOpenMonthInBothPaths) {
    auto w = query("20260109");
    auto eachRow = [&](const std::function<void(ListItem&)>& f) {
        for (int i = 1; i <= w->lvw1.itemCount(); ++i)
            if (w->lvw1.item(i).subItem(5) != "合计") f(w->lvw1.item(i));
    };
    // 设置全部 refuses an amount it would have to round; the cells keep theirs.
    w->txtJmje.userSetText("1.005");
    w->cmdALL.userClick();
    EXPECT_EQ(lastMessage().text, "收费项目[全部项目]的减免金额[1.005]不正确：减免金额不能小于零，最多两位小数。");
    eachRow([](ListItem& r) { EXPECT_EQ(r.subItem(7), ""); });
    w->txtJmje.userSetText("12.50");
    w->cmdALL.userClick();
    for (int i = 1; i <= w->lvw1.itemCount(); ++i)
        EXPECT_EQ(w->lvw1.item(i).subItem(7), w->lvw1.item(i).subItem(5) == "合计" ? "" : "12.5") << i;
    w->cmdAllSelect.userClick();
    EXPECT_EQ(w->lvw1.item(1).subItem(7), "");

    // Typed into every row, what is no amount is refused naming the student
    // and item, before the question; zero everywhere posts nothing either.
    const std::string stored = one("select count(*) from kdw_sfjl");
    w->txtJmyy.userSetText("无效");
    for (const char* typed : {"-5", "５", "五元", "1.005"}) {
        eachRow([&](ListItem& r) { typeOn(*w, r, typed); });
        w->cmdJMok.userClick();
        EXPECT_EQ(lastMessage().text, "20260109 徐嘉文：收费项目[保育费]的减免金额[" + std::string(typed) +
                                          "]不正确：减免金额不能小于零，最多两位小数。");
    }
    eachRow([&](ListItem& r) { typeOn(*w, r, "0"); });
    w->cmdJMok.userClick();
    EXPECT_EQ(lastMessage().text, "没有录入大于零的减免金额，本次没有减免。请在【本次减免金额】列中录入。");
    EXPECT_FALSE(shown("操作成功！"));
    EXPECT_EQ(one("select count(*) from kdw_sfjl"), stored);

    w = query("", "小班一班");
    ListView& l = w->lvw1;
    ASSERT_GT(l.itemCount(), 3);
    Currency student, subtotals;
    for (int i = 1; i < l.itemCount(); ++i) {
        ListItem& row = l.item(i);
        EXPECT_EQ(row.text(), std::to_string(i));
        if (row.subItem(5) == "合计") {
            EXPECT_EQ(row.subItem(6), student.format00()) << row.key();
            EXPECT_EQ(row.key().find("__"), row.key().find('_')) << "a subtotal has no period";
            subtotals += student;
            student = Currency();
        } else {
            student += leadingNumber(row.subItem(6));
        }
    }
    const ListItem& total = l.item(l.itemCount());
    EXPECT_EQ(total.key().rfind("k0__", 0), 0u);
    EXPECT_EQ(total.subItem(4) + "|" + total.subItem(6), "总计|" + subtotals.format00());
    // A student's first row of a period names him; the next rows do not.
    EXPECT_EQ(l.item(1).subItem(1) + "|" + l.item(1).subItem(4) + "|" + l.item(1).subItem(6), "20260007|202609|640.00");
    EXPECT_EQ(l.item(2).subItem(1) + "|" + l.item(2).subItem(5) + "|" + l.item(2).subItem(6), "|伙食费|341.00");
    EXPECT_EQ(l.item(3).subItem(5) + "|" + l.item(3).subItem(6), "合计|981.00");
    EXPECT_EQ(tablesNamed("tmpQF"), sqlServer() ? 0u : 1u);

    // Without a class, number or filter the clerk is asked first; no keeps the list.
    const int listed = l.itemCount();
    w->cmbBJ.userSelect(" ");
    w->txtBh.userSetText("");
    ui.queueAnswer(MsgAnswer::No);
    w->CMDfind.userClick();
    EXPECT_EQ(lastMessage().title + "|" + std::to_string(l.itemCount()), "警告！|" + std::to_string(listed));

    // Both lists export amounts that add up, and no row keys.
    w->CMDexcel.userClick();
    ASSERT_EQ(ui.exports().size(), 1u);
    EXPECT_EQ(std::filesystem::path(ui.exports()[0]).filename().string(), "应收明细表-减免_2026年09月至2026年12月.xlsx");
    const XlsxSheet arrears(ui.exports()[0]);
    EXPECT_EQ(arrears.header(),
              (std::vector<std::string>{"学号", "姓名", "班级", "月份(学期)", "收费项目", "欠费金额", "学生合计", "总计"}));
    EXPECT_NE(arrears.workbookXml().find("<sheet name=\"应收明细表-减免\""), std::string::npos);
    EXPECT_NE(arrears.elementText("oddHeader").find("学生缴费明细表：收费月份（学期）2026年09月至2026年12月"), std::string::npos)
        << arrears.elementText("oddHeader");
    ASSERT_EQ(arrears.rows(), w->lvw1.itemCount() + 1);
    // Whatever column the clerk sums, the window's total: the detail, the
    // students' subtotals, the grand total each in a column of its own; and
    // every row but the total's names its student.
    const std::string last = std::to_string(arrears.rows());
    const std::string grand = total.subItem(6);
    EXPECT_EQ(Currency::parse(arrears.cell("H" + last).value)->format00(), grand);
    Currency detail, students;
    for (int r = 2; r < arrears.rows(); ++r) {
        const std::string n = std::to_string(r);
        EXPECT_FALSE(arrears.cell("A" + n).value.empty() || arrears.cell("B" + n).value.empty()) << "row " << r;
        EXPECT_TRUE(arrears.cell("H" + n).value.empty()) << "row " << r;
        if (const auto v = Currency::parse(arrears.cell("F" + n).value)) detail += *v;
        if (const auto v = Currency::parse(arrears.cell("G" + n).value)) students += *v;
    }
    EXPECT_EQ(detail.format00() + "|" + students.format00(), grand + "|" + grand);

    // The cross-tab of December: a column per item, summed in the row 合计.
    w->chkALL.userSetValue(1);
    w->cmbYf.userSelect("2026年12月");
    w->cmdOK.userClick();
    ASSERT_GT(w->lvw1.itemCount(), 2);
    w->CMDexcel.userClick();
    ASSERT_EQ(ui.exports().size(), 2u);
    const XlsxSheet crossTab(ui.exports()[1]);
    const std::vector<std::string> header = crossTab.header();
    ASSERT_GE(header.size(), 6u);
    const int crossRows = crossTab.rows();
    EXPECT_EQ(header[0] + "|" + crossTab.cell("A" + std::to_string(crossRows)).value, "月份(学期)|合计");
    int numbers = 0;
    for (std::size_t c = 4; c < header.size(); ++c) {
        const std::string col(1, static_cast<char>('A' + c));
        Currency sum;
        for (int r = 2; r < crossRows; ++r) {
            const auto cell = crossTab.cell(col + std::to_string(r));
            if (cell.value.empty()) continue;
            EXPECT_EQ(cell.type + "|" + cell.format, "|0.00") << col << r;
            sum += *Currency::parse(cell.value);
            ++numbers;
        }
        const auto total = crossTab.cell(col + std::to_string(crossRows));
        EXPECT_EQ(total.formula.rfind("SUBTOTAL(9,", 0), 0u) << header[c];
        EXPECT_EQ(sum, total.value.empty() ? Currency() : *Currency::parse(total.value)) << header[c];
    }
    EXPECT_GT(numbers, 0);

    // The cross-tab posts nothing and says where reductions are entered.
    ASSERT_EQ(w->lvw1.columnIndexByText("本次减免金额"), 0);
    post(*w, "交叉表");
    EXPECT_EQ(lastMessage().text, "交叉表只用于查看，不能在这里减免。\r\n请取消勾选“显示金额为零的学生与项目”后查询应收明细，"
                                  "在【本次减免金额】列中录入减免金额，再点【批量减免】。");
    EXPECT_EQ(one("select count(*) from kdw_sfjl"), stored);
    // The items chosen reach its statement only as numbers.
    EXPECT_THROW(batch::crossTabItems("1,2 or 1=1"), DbError);

    w->chkALL.userSetValue(0);
    // Every month of the calendar carried over: no month is open.
    cn->execute("insert into hisxsinfo(xsid,jzyf) select 0,yf from ajzrq where yf not in(select jzyf from hisxsinfo"
                " where xsid=0)");
    // Student 19's September arrears went over with their month: they post,
    // dated on its first day, though no one-off row is listed to date.
    w = query("20260019");
    w->cmdCancelSelect.userClick();
    post(*w, "结转后减免");
    EXPECT_EQ(lastMessage().text, "操作成功！");
    EXPECT_EQ(rows("select sfrq,jmje from kdw_sfjl where jmyy='结转后减免'"), (Rows{"2026-09-01|1141"}));

    // A one-off row is dated on the open month's first day: with no open
    // month the clerk is told so, and nothing of the batch is written.
    w->txtBh.userSetText(one("select xh from kdw_xs where id=(select min(xsid) from qfhzb where qfyf='一次性' and fkrq is null)"));
    w->LSTsfxm.setSelected(w->LSTsfxm.findEntry("报名费"), true);
    w->CMDfind.userClick();
    ASSERT_GT(w->lvw1.itemCount(), 2);
    w->cmdCancelSelect.userClick();
    const BooksSnapshot before(*cn);
    post(*w, "无月份");
    EXPECT_EQ(lastMessage().text, batch::kUndatedPeriod);
    // The wizard's one-off reduction alike, posted or previewed.
    auto wizard = stepTwo("7");  // student 7 still owes his 报名费
    wizard->optRQ[frmBachJM_next::KindOneOff].userClick();
    ASSERT_EQ(wizard->MSFlexGrid1.rows(), 2);
    type(*wizard, 1, "10");
    wizard->txtJMYY.userSetText("无月份");
    for (CommandButton* button : {&wizard->cmd_ok, &wizard->cmdPreview}) {
        button->userClick();
        EXPECT_EQ(lastMessage().text, batch::kUndatedPeriod);
    }
    EXPECT_EQ(BooksSnapshot(*cn), before);
}

TEST_P(BatchListTest, OneReductionPerStudentAndPeriodAndAListFilledBeforeAnotherPostingIsRefusedWhole) {
    // Student 19 owes two items in September (carried over) and two in December.
    auto mine = query("20260019");
    ASSERT_EQ(mine->lvw1.itemCount(), 6);
    mine->cmdCancelSelect.userClick();  // every row reduced by what it owes
    EXPECT_EQ(mine->lvw1.item(5).subItem(7), "") << "the subtotal takes no amount";
    // Another clerk reduces the same arrears first. His December 保育费 one
    // cent above what is owed stops his batch: the September record, posted
    // first in it, goes back with it.
    auto other = query("20260019", {}, true);
    other->cmdCancelSelect.userClick();
    const BooksSnapshot before(*cn);
    ListItem* december = row(*other, "k19_202612_", "保育费");
    ASSERT_NE(december, nullptr);
    ASSERT_EQ(december->subItem(6), "800.00");
    typeOn(*other, *december, "800.01");
    post(*other, "超额");
    EXPECT_TRUE(shown("收费项目[保育费]\r\n应收金额：800\r\n\r\n减免金额不能大于应收金额"));
    EXPECT_EQ(lastMessage().title + "|" + lastMessage().text,
              "警告！|操作失败！\r\n操作失败！\r\n学生：20260019 吴泽涵  收费项目：保育费");
    EXPECT_EQ(BooksSnapshot(*cn), before);
    EXPECT_EQ(tablesNamed("tmpJM"), 0u);
    // Corrected, it posts one record per period in period order; his reason
    // keeps its quote.
    typeOn(*other, "k19_202612_", "保育费", "800");
    post(*other, " O'Brien ");
    ASSERT_EQ(lastMessage().text, "操作成功！");
    EXPECT_EQ(other->lvw1.itemCount(), 0);
    const Rows posted = rows("select id,sfrq,xsid,bjmc,jmje from kdw_sfjl where jmyy='O''Brien' order by id");
    ASSERT_EQ(posted.size(), 2u);
    const std::string first = posted[0].substr(0, posted[0].find('|')), second = posted[1].substr(0, posted[1].find('|'));
    EXPECT_EQ(posted, (Rows{first + "|2026-09-01|19|小班一班|1141", second + "|2026-12-01|19|小班一班|1141"}));
    EXPECT_EQ(rows("select sfjlid,sfxmid,jmje,ysje,feetermname from kdw_sfjlmx where sfjlid in(" + first + "," + second +
                   ") order by sfjlid,sfxmid"),
              (Rows{first + "|1|800|800|2026-09-01至2026-09-30", first + "|2|341|341|2026-09-01至2026-09-30",
                    second + "|1|800|800|2026-12-01至2026-12-31", second + "|2|341|341|2026-12-01至2026-12-31"}));
    // The September reduction settled the carried-over row in full.
    EXPECT_EQ(one("select jmje,jmjlid,fkrq is not null from qfhzb where xsid=19 and qfyf='202609' and jmjlid>0"),
              "1141|" + first + "|1");
    const BooksSnapshot reduced(*cn);

    post(*mine, "困难补助");
    const std::string nothing = "已没有欠费（已缴清、已减免或已被其他操作处理），不能再减免，请刷新。";
    EXPECT_EQ(lastMessage().text, "操作失败！\r\n以下 2 项减免被拒绝，本批减免没有记账：\r\n20260019 吴泽涵：收费项目[保育费]"
                                  "在所属期[202609]" + nothing + "\r\n20260019 吴泽涵：收费项目[保育费]在所属期[202612]" + nothing);
    EXPECT_EQ(BooksSnapshot(*cn), reduced);
    EXPECT_EQ(mine->lvw1.itemCount(), 6) << "the list stays for a refresh";

    // When the other takes only part of what a row owed, what is left still
    // covers this list's amount: but the list showed what is owed no more,
    // and posting it would reduce the student twice.
    auto late = query("20260007");
    typeOn(*late, "k7_202609_", "保育费", "100");
    auto early = query("20260007", {}, true);
    typeOn(*early, "k7_202609_", "保育费", "100");
    post(*early, "先减一部分");
    ASSERT_EQ(lastMessage().text, "操作成功！");
    const std::string partly = one("select count(*)||'|'||sum(jmje) from qfhzb");
    post(*late, "再减一部分");
    EXPECT_EQ(lastMessage().text, "操作失败！\r\n以下 1 项减免被拒绝，本批减免没有记账：\r\n20260007 " +
                                      one("select xm from kdw_xs where id=7") +
                                      "：该欠费已被其他操作处理，请刷新。\r\n收费项目：保育费，所属期：202609");
    EXPECT_EQ(one("select count(*)||'|'||sum(jmje) from qfhzb"), partly);
    EXPECT_EQ(one("select count(*) from kdw_sfjl where jmyy='再减一部分'"), "0");
}

TEST_P(BatchListTest, APartOfACentAnOlderDatabaseOwesIsShownAsItIsAndClearedOnlyExactlyAndNotOnAFullDisk) {
    // Student 7's September 保育费 owes 640.335, as an older database may.
    const std::string row = one("select qfkid from qfhzb where xsid=7 and qfyf='202609' and fkrq is null");
    cn->execute("update qfmxb set qfje=640.335 where sfxmid=1 and qfkid=" + row);
    cn->execute("update qfhzb set qfje=qfje+0.335 where qfkid=" + row);
    auto w = query("20260007");
    const auto owedOn = [](frmJmBachList& list) {
        ListItem* r = BatchTest::row(list, "k7_202609_", "保育费");
        return r ? r->subItem(6) : std::string("(none)");
    };
    EXPECT_EQ(owedOn(*w), "640.335");
    // On a full disk the clerk reads that the disk is full, and nothing is booked.
    typeOn(*w, "k7_202609_", "保育费", "100");
    const BooksSnapshot before(*cn);
    {
        FullDisk full(*cn);
        post(*w, "磁盘已满");
    }
    EXPECT_NE(lastMessage().text.find("磁盘空间已满"), std::string::npos) << lastMessage().text;
    EXPECT_EQ(lastMessage().text.find("网络"), std::string::npos) << lastMessage().text;
    EXPECT_EQ(BooksSnapshot(*cn), before);
    // What the cents can say is reduced; the part of a cent stays owed.
    typeOn(*w, "k7_202609_", "保育费", "640.33");
    post(*w, "四位小数");
    ASSERT_EQ(lastMessage().text, "操作成功！");
    // Stored as the rest it is, not as the engine's 640.335-640.33.
    const std::string rest = one("select qfkid from qfhzb where yqfkid=" + row);
    EXPECT_EQ(one("select count(*) from qfmxb where sfxmid=1 and qfje=0.005 and qfkid=" + rest), "1");
    // The rest is listed as it is and cleared by that amount, to the end.
    auto again = query("20260007");
    EXPECT_EQ(owedOn(*again), "0.005");
    typeOn(*again, "k7_202609_", "保育费", "0.004");
    post(*again, "清零");
    EXPECT_NE(lastMessage().text.find("减免金额[0.004]不正确"), std::string::npos) << lastMessage().text;
    typeOn(*again, "k7_202609_", "保育费", "0.005");
    post(*again, "清零");
    ASSERT_EQ(lastMessage().text, "操作成功！");
    EXPECT_EQ(one("select count(*) from qfmxb where sfxmid=1 and jmje=0.005 and qfkid=" + rest), "1");
    EXPECT_EQ(one("select count(*) from qfhzb q inner join kdw_sfjl a on a.id=q.jmjlid where a.jmje=0.005 and"
                  " q.fkrq is not null and q.qfkid=" + rest),
              "1");
    const auto faults = checkBooks(*cn);
    EXPECT_TRUE(faults.empty()) << faults.front().code << " " << faults.front().text;
}

FO_INSTANTIATE_DIALECTS(BatchListTest);

// The splitter's bar follows the pointer (its place on the grip, which the
// mouse events give, plus the grip's place in the window), held 500 twips
// from the window's edges while dragged; dropped, the lists keep 1500 from
// the inner edges.
TEST(BatchListLayoutTest, TheSplitterFollowsThePointerAndStopsShortOfTheEdges) {
    frmJmBachList w;
    auto drag = [&w](int x) {
        w.imgSplitter.userMouseDown(mouse::Left, 0, 30, 100);
        w.imgSplitter.MouseMove(mouse::Left, 0, x, 100);
        const int bar = w.picSplitter.left();
        w.imgSplitter.MouseUp(mouse::Left, 0, x, 100);
        return bar;
    };
    const int grip = w.imgSplitter.left();
    ASSERT_GT(grip - 1000, 1500);
    EXPECT_EQ((std::vector<int>{drag(-1000), w.lvw1.width(), w.lvwMx.left()}),
              (std::vector<int>{grip - 1000, grip - 1000, grip - 1000 + 60}));
    EXPECT_FALSE(w.picSplitter.visible());

    EXPECT_EQ((std::vector<int>{drag(-w.width()), w.lvw1.width(), drag(w.width()), w.imgSplitter.left()}),
              (std::vector<int>{500, 1500, w.width() - 500, w.scaleWidth() - 1500}));
    EXPECT_EQ(w.lvwMx.width(), w.scaleWidth() - (w.lvw1.width() + 140));
}

}  // namespace
}  // namespace fo::test
