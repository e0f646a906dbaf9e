// The reduction window in both dialects on the demo school: its lists, grid,
// lookups and editing rules, and what a posting or cancellation re-reads in
// its own transaction. (The reverse-order rule: ReductionPostingTest.)
#include "db/DbError.h"
#include "reduction/ReductionFixture.h"
#include "students/frmXSsel.h"
#include "support/FullDisk.h"
#include "support/ReadOnlyFile.h"

namespace fo::test {
namespace {

const std::string kFailed = "收费失败！原因如下:\r\n";

class ReductionWindowTest : public ReductionTest {
protected:
    std::string nothingOwed(const std::string& item, const std::string& period) {
        return "收费项目[" + item + "]在所属期[" + period +
               "]已没有欠费（已缴清、已减免或已被其他操作处理），不能再减免，请刷新。";
    }
    // Posts `amounts` on the current period's grid of the student, all other rows cleared.
    void postCurrent(const std::string& xsid, const Amounts& amounts) {
        auto w = windowFor(one("select xh from kdw_xs where id=" + xsid));
        w->cmdReset.userClick();
        for (const auto& [item, amount] : amounts) typeReduction(*w, rowOf(*w, item), amount);
        w->txtJmyy.userSetText("本期");
        w->cmd_ok.userClick();
    }
};

TEST_P(ReductionWindowTest, LookupsValidationArrearsListGridEditingRulesAndWhatAPostingReadsAgain) {
    globals().settings->set("chkMrcqts", Value("1"));
    auto w = windowFor("无此人'x");
    EXPECT_EQ(lastMessage().text + "|" + lastMessage().title, "您输入的学号不存在！|警告！");

    // Several matches go through the picker, which offers the same candidates.
    const std::string surname = "郭";
    const std::string matches = one("select count(*) from vxsxx where 姓名 like '%郭%' and del=0 and intTX=0");
    ASSERT_GT(std::stoi(matches), 1);
    int offered = 0;
    onModal = [&](Form& f) {
        auto& picker = dynamic_cast<frmXSsel&>(f);
        offered = picker.DataGrid1.rowCount();
        picker.DataGrid1.userRowClick(0);
        picker.CmdSel.userClick();
    };
    w->txtFind.userSetText(surname);
    w->userKey(w->txtFind, key::Enter);
    EXPECT_EQ(std::to_string(offered), matches);
    EXPECT_NE(w->Lbl_mc.caption().find(surname), std::string::npos);
    EXPECT_FALSE(w->txtXh.text().empty());

    // Validation, in order: no reason, then a zero total.
    w->txtJmyy.userSetText("");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "请输入减免原因！");
    EXPECT_EQ(w->activeControl(), &w->txtJmyy);
    w->txtJmyy.userSetText("x");
    w->cmdReset.userClick();
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "本次减免无效。原因：减免合计为０");

    const std::string xsid = one("select min(xsid) from qfhzb where fkrq is null and qfyf='202609' and qfje=981");
    const std::size_t told = ui.messages().size();
    w->txtFind.userSetText(one("select xh from kdw_xs where id=" + xsid));
    w->userKey(w->txtFind, key::Enter);
    // Looked up again and again through the host's work table, he leaves no table behind.
    const std::size_t tables = tablesAndWorkTables().size();
    for (int i = 0; i < 3; ++i) w->userKey(w->txtFind, key::Enter);
    EXPECT_EQ(tablesAndWorkTables().size(), tables);
    EXPECT_EQ(ui.messages().size(), told);
    // Every open stored row is a line keyed by its qfkid; computed periods follow.
    const Rows stored = rows("select 'k'||qfkid from qfhzb where fkrq is null and qfje>0 and xsid=" + xsid);
    ASSERT_GE(w->LvwQFLIST.itemCount(), static_cast<int>(stored.size()));
    for (int i = 1; i <= static_cast<int>(stored.size()); ++i) EXPECT_EQ(w->LvwQFLIST.item(i).key(), stored[i - 1]);
    // The current period fills the grid with whole receivables as reductions.
    ASSERT_GT(w->MSFlexGrid1.rows(), 1);
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmjmjlNew::ColJm), w->MSFlexGrid1.textMatrix(1, frmjmjlNew::ColYs));
    // The total is shown once, under one caption.
    int totalCaptions = 0;
    for (const Control* c : w->controls())
        if (auto* label = dynamic_cast<const Label*>(c); label && label->visible() && label->caption() == "减免合计:")
            ++totalCaptions;
    EXPECT_EQ(totalCaptions, 1);
    EXPECT_FALSE(w->lblSumProject.caption().empty());

    const std::string line = one("select qfkid from qfhzb where fkrq is null and qfyf='202609' and xsid=" + xsid);
    ASSERT_TRUE(w->LvwQFLIST.userItemClick("k" + line));
    EXPECT_TRUE(w->LvwQFLIST.findItem("k" + line)->checked());
    ASSERT_EQ(w->lblYFcaption.caption() + "|" + w->strYf() + "|" + std::to_string(w->MSFlexGrid1.rows()),
              "202612|202609|3");
    int perDay = w->MSFlexGrid1.textMatrix(1, frmjmjlNew::ColPerDay) == "Y" ? 1 : 2;
    int plain = 3 - perDay;
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(plain, frmjmjlNew::ColJm) + "|" + w->MSFlexGrid1.textMatrix(plain, frmjmjlNew::ColYs) +
                  "|" + w->MSFlexGrid1.textMatrix(plain, frmjmjlNew::ColQfyf),
              "|640|202609");

    // Days of a per-day item set its reduction to days x rate, and the totals follow.
    w->MSFlexGrid1.userCellClick(perDay, frmjmjlNew::ColDays);
    EXPECT_TRUE(w->Txt_write.visible());
    w->Txt_write.userSetText("3");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(perDay, frmjmjlNew::ColJm) + "|" + w->lblSumProject.caption() + "|" +
                  w->Lbl_jmhj.caption(),
              "46.50|46.50|46.5");

    // The amount column takes at most 10 characters with 2 decimals.
    w->MSFlexGrid1.userCellClick(plain, frmjmjlNew::ColJm);
    w->Txt_write.userSetText("");
    w->Txt_write.userType("12.345");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(plain, frmjmjlNew::ColJm), "12.34");
    w->Txt_write.userSetText("");
    w->Txt_write.userType("1234567890");
    EXPECT_EQ(w->Txt_write.text(), "12345678");
    // Enter moves the editor down a row, taking that row's text.
    w->MSFlexGrid1.userCellClick(1, frmjmjlNew::ColJm);
    w->userKey(w->Txt_write, key::Enter);
    EXPECT_EQ(w->MSFlexGrid1.row(), 2);
    EXPECT_EQ(w->Txt_write.text(), w->MSFlexGrid1.textMatrix(2, frmjmjlNew::ColJm));
    // Clearing the column empties the editor too; typing there afterwards still counts.
    w->cmdReset.userClick();
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(perDay, frmjmjlNew::ColJm) + "|" + w->lblSumProject.caption(), "|");
    w->Txt_write.userSetText("7");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(2, frmjmjlNew::ColJm) + "|" + w->lblSumProject.caption(), "7|7.00");

    // The header and hidden columns take no editor.
    w->Txt_write.setVisible(false);
    w->MSFlexGrid1.userCellClick(0, frmjmjlNew::ColJm);
    EXPECT_FALSE(w->Txt_write.visible());
    w->MSFlexGrid1.userCellClick(1, frmjmjlNew::ColItemId);
    EXPECT_FALSE(w->Txt_write.visible());

    // A month the host locked takes no posting; unlocked it does again.
    host->setMonthLocked("202612", true);
    w->LvwQFLIST.userItemClick("k" + line);
    EXPECT_FALSE(w->cmd_ok.enabled());
    host->setMonthLocked("202612", false);
    w->LvwQFLIST.userItemClick("k" + line);
    EXPECT_TRUE(w->cmd_ok.enabled());

    // An item from a stored line settles that line's row, whatever the period
    // columns say; a window filled before another clerk posted is refused.
    const auto students = owing();
    ASSERT_GE(students.size(), 2u);
    // An item whose grid row names another period than its stored row's
    // would settle nothing there: refused, nothing written.
    {
        auto w = enter(students[1].xh, students[1].qfkid, {{"1", "40"}}, "别的所属期");
        w->MSFlexGrid1.setTextMatrix(rowOf(*w, "1"), frmjmjlNew::ColQfyf, "202610");
        const BooksSnapshot before(*cn);
        w->cmd_ok.userClick();
        EXPECT_EQ(lastMessage().text, kFailed + "该欠费已被其他操作处理，请刷新。\r\n收费项目：保育费，所属期：202610");
        EXPECT_EQ(BooksSnapshot(*cn), before);
        EXPECT_EQ(one("select fkrq is null from qfhzb where qfkid=" + students[1].qfkid), "1");
    }
    for (const auto& [student, first, second] :
         {std::tuple{students[0], "640", "640"}, std::tuple{students[1], "40", "41"}}) {
        // The host does not fill in the period columns: the grid still knows
        // the row each item came from, and the reduction settles it.
        globals().settings->set("chkAutoInputTerm", Value("0"));
        auto mine = enter(student.xh, student.qfkid, {{"1", first}}, "先到");
        globals().settings->set("chkAutoInputTerm", Value("1"));
        auto other = enter(student.xh, student.qfkid, {{"1", second}}, "后到", true);
        mine->cmd_ok.userClick();
        ASSERT_EQ(lastMessage().text.rfind("操作成功！", 0), 0u) << lastMessage().text;
        const BooksSnapshot after(*cn);

        other->cmd_ok.userClick();
        EXPECT_EQ(lastMessage().text, kFailed + "该欠费已被其他操作处理，请刷新。\r\n收费项目：保育费，所属期：202609");
        EXPECT_EQ(BooksSnapshot(*cn), after);
        EXPECT_EQ(other->lblSumProject.caption() + "|" + other->txtJmyy.text(), std::string(second) + ".00|后到");
        EXPECT_EQ(one("select sum(jmje) from qfmxb where sfxmid=1 and qfkid=" + student.qfkid), first);
    }
    // (The open month's line, which has no stored row, alike: ConcurrencyTest's clerks.)
}

// Whatever the settings, the open month's grid offers what the posting
// takes: an item of a term, year or one-off period already paid or settled
// shows 0 and the record that did it, and a plain 确定 posts what is left.
// A year's or a term's line stands for the last carried-over month in it:
// the grid holds the stored arrears of that month, its term and its year,
// each item under its own line's period, and a reduction typed there settles
// that line. A term whose dates are not set holds no month: its line is taken
// as the open month's, on every engine.
TEST_P(ReductionWindowTest, TheOpenMonthsGridOffersWhatIsLeftAYearsOrATermsLineItsLastCarriedMonthsArrears) {
    globals().settings->set("chkYsjyj", Value("0"));
    const Rows students = rows("select x.xh from kdw_xs as x where x.del=0 and x.intTx=0 and"
                               " (select count(*) from qfhzb as h where h.xsid=x.id and h.fkrq is not null"
                               " and h.qfyf in('2026上','2026年','一次性'))=3 order by x.id limit 6");
    ASSERT_EQ(students.size(), 6u);
    int posted = 0;
    for (const std::string& xh : students) {
        auto w = windowFor(xh);
        const ListItem* month = w->LvwQFLIST.findItem("c202612");
        if (!month) continue;
        EXPECT_EQ(w->lblSumProject.caption(), month->subItem(2)) << xh;
        const int book = rowOf(*w, "3");  // 书本费
        ASSERT_GT(book, 0) << xh;
        EXPECT_EQ(w->MSFlexGrid1.textMatrix(book, frmjmjlNew::ColJm), "0") << xh;
        const std::string closer = one("select a.djbh from qfhzb h inner join kdw_sfjl a on a.id=h.sfjlid+h.jmjlid"
                                       " where h.qfyf='2026上' and h.fkrq is not null and h.xsid=(select id from"
                                       " kdw_xs where xh='" + xh + "') order by h.qfkid desc limit 1");
        EXPECT_EQ(w->MSFlexGrid1.textMatrix(book, frmjmjlNew::ColTerm),
                  (closer.rfind("JM", 0) == 0 ? "已减免（" : "已缴清（") + closer + "）")
            << xh;
        if (posted++ > 0) continue;
        w->txtJmyy.userSetText("照单减免");
        w->cmd_ok.userClick();
        EXPECT_EQ(lastMessage().text.rfind("操作成功！", 0), 0u) << lastMessage().text;
    }
    EXPECT_GT(posted, 0);

    // Student 9 owes 书本费 of the autumn term and 保险费 of the year.
    const std::string term = one("select qfkid from qfhzb where fkrq is null and qfyf='2026上' and xsid=9");
    const std::string year = one("select qfkid from qfhzb where fkrq is null and qfyf='2026年' and xsid=9");
    auto w = windowFor("20250009");
    const auto shown = [&] {
        Rows lines{w->strYf() + "|" + w->LBLlvwYf.caption() + "|" + w->lblYFcaption.caption()};
        for (int i = 1; i <= w->LvwQFLIST.itemCount(); ++i)
            if (w->LvwQFLIST.item(i).checked()) lines.push_back(w->LvwQFLIST.item(i).key());
        for (int r = 1; r < w->MSFlexGrid1.rows(); ++r) {
            std::string cells;
            for (int c : {frmjmjlNew::ColName, frmjmjlNew::ColYs, frmjmjlNew::ColJm, frmjmjlNew::ColTerm,
                          frmjmjlNew::ColQfyf})
                cells += "|" + w->MSFlexGrid1.textMatrix(r, c);
            lines.push_back(cells);
        }
        return lines;
    };
    const Rows arrears{"202611|202611|202612", "k" + term, "k" + year, "|书本费|300||2026-09-01至2027-01-31|2026上",
                       "|保险费|100||2026年|2026年"};
    ASSERT_TRUE(w->LvwQFLIST.userItemClick("k" + year));
    EXPECT_EQ(shown(), arrears);
    ASSERT_TRUE(w->LvwQFLIST.userItemClick("k" + term));
    EXPECT_EQ(shown(), arrears);
    typeReduction(*w, 2, "100");
    w->txtJmyy.userSetText("全年保险");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "操作成功！\r\n\r\n学生:" + one("select xm from kdw_xs where id=9") +
                                      "\r\n减免金额：100.00");
    EXPECT_EQ(rows("select qfkid,jmje,fkrq is null from qfhzb where qfkid in(" + term + "," + year + ") order by qfkid"),
              (Rows{term + "|0|1", year + "|100|0"}));

    cn->execute("update termdate set yffromdate=null,yftodate=null where termTag='2026上'");
    w = windowFor("20250009");
    ASSERT_TRUE(w->LvwQFLIST.userItemClick("k" + term));
    EXPECT_EQ(w->strYf() + "|" + w->LBLlvwYf.caption(), "202612|202612");
    EXPECT_GT(w->MSFlexGrid1.rows(), 1);
}

// A find whose work tables cannot be written (a file the program may not
// write, a full disk; the lock held past the wait alike) tells the clerk why;
// no error leaves the window, and the next find works. The dialect of SQL
// Server keeps its work tables in the engine's memory, which still writes on
// a full disk.
TEST_P(ReductionWindowTest, AFindThatCannotWriteItsWorkTablesSaysWhyAndTheNextOneWorks) {
    const std::string xh = one("select min(xh) from kdw_xs where del=0 and intTx=0 and id in(select xsid from qfhzb"
                               " where fkrq is null)");
    {
        ReadOnlyFile readOnly(dbPath);
        ASSERT_TRUE(readOnly.holds());
        auto other = windowFor(xh, true);
        EXPECT_EQ(lastMessage().text, std::string("查找学生失败。\r\n") + dbtext::ReadOnly);
        EXPECT_EQ(other->txtXh.text(), "");
    }
    auto w = formInstance<frmjmjlNew>();
    w->load();
    const std::size_t shown = ui.messages().size();
    {
        FullDisk full;
        w->txtFind.userSetText(xh);
        w->userKey(w->txtFind, key::Enter);
    }
    if (!sqlServer()) {
        ASSERT_GT(ui.messages().size(), shown);
        EXPECT_EQ(lastMessage().text, std::string("查找学生失败。\r\n") + dbtext::DiskFull);
        EXPECT_EQ(w->txtXh.text(), "");
    }
    w->txtFind.userSetText(xh);
    w->userKey(w->txtFind, key::Enter);
    EXPECT_EQ(w->txtXh.text(), xh);
    EXPECT_GT(w->LvwQFLIST.itemCount(), 0);
}

TEST_P(ReductionWindowTest, AnItemOfThePeriodIsReducedOnlyWhileThePeriodStillOwesIt) {
    // A student without a discount and without December's charge, whose
    // autumn term was paid by a charge before any month was carried over.
    const std::string fresh = one(
        "select min(x.id) from kdw_xs x where x.sflxid=1 and x.del=0 and x.inttx=0 and not exists(select 1 from "
        "kdw_sfjl a where a.xsid=x.id and a.sfyf='202612') and not exists(select 1 from xszhekou z where "
        "z.xsid=x.id) and not exists(select 1 from qfhzb h where h.xsid=x.id and h.qfyf='2026上')");
    ASSERT_NE(fresh, "");
    const BooksSnapshot before(*cn);
    postCurrent(fresh, {{"3", "100"}});
    EXPECT_EQ(lastMessage().text, kFailed + nothingOwed("书本费", "2026上"));
    EXPECT_EQ(BooksSnapshot(*cn), before);

    // December's coming charge may be reduced, by what the dues rules
    // leave; it settles no stored row.
    const std::string arrears = one("select count(*)||'|'||sum(jmje) from qfhzb");
    postCurrent(fresh, {{"1", "800"}});
    ASSERT_EQ(lastMessage().text.rfind("操作成功！", 0), 0u) << lastMessage().text;
    EXPECT_EQ(one("select count(*)||'|'||sum(jmje) from qfhzb"), arrears);
    postCurrent(fresh, {{"1", "0.01"}});
    EXPECT_EQ(lastMessage().text, kFailed + nothingOwed("保育费", "202612"));

    // A term whose stored row a charge settled owes nothing either.
    const std::string settled =
        one("select min(xsid) from qfhzb where qfyf='2026上' and fkrq is not null and sfjlid<>0");
    const BooksSnapshot count(*cn);
    postCurrent(settled, {{"3", "100"}});
    EXPECT_EQ(lastMessage().text, kFailed + nothingOwed("书本费", "2026上"));

    // Stored arrears and coming charges never share one record.
    const std::string open = one("select min(xsid) from qfhzb where qfyf='2026上' and fkrq is null");
    postCurrent(open, {{"1", "10"}, {"3", "10"}});
    EXPECT_EQ(lastMessage().text, kFailed + "收费项目[书本费]（所属期 2026上）是已结转的欠费，收费项目[保育费]（所属期 "
                                            "202612）是本期应收，不能记在同一张减免单上，请分两次减免。");
    EXPECT_EQ(BooksSnapshot(*cn), count);
}

FO_INSTANTIATE_DIALECTS(ReductionWindowTest);

}  // namespace
}  // namespace fo::test
