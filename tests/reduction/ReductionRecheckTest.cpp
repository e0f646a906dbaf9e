// What a reduction and its cancellation re-read inside their own
// transaction: windows filled before another posted, cancellations of what
// is no longer live, the period an item is owed in and the row it settles.
// (The reverse-order rule: ReductionPostingTest.) (Amounts pasted past the
// key filter: ReductionPostingTest, with a part of a cent.)
#include "reduction/ReductionFixture.h"
#include "ui/frmPlanPreview.h"
#include "reduction/frmjmjlML.h"

namespace fo::test {
namespace {

const std::string kFailed = "收费失败！原因如下:\r\n";

class ReductionRecheckTest : public ReductionTest {
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

TEST_P(ReductionRecheckTest, AWindowFilledBeforeAnotherPostedIsRefusedAndKeepsItsContents) {
    const auto students = owing();
    ASSERT_GE(students.size(), 2u);
    for (const auto& [student, first, second] :
         {std::tuple{students[0], "640", "640"}, std::tuple{students[1], "40", "41"}}) {
        auto mine = enter(student.xh, student.qfkid, {{"1", first}}, "先到");
        auto other = enter(student.xh, student.qfkid, {{"1", second}}, "后到", true);
        mine->cmd_ok.userClick();
        ASSERT_EQ(lastMessage().text.rfind("操作成功！", 0), 0u) << lastMessage().text;
        const std::string after = counts();

        other->cmd_ok.userClick();
        EXPECT_EQ(lastMessage().text, kFailed + "该欠费已被其他操作处理，请刷新。\r\n收费项目：保育费，所属期：202609");
        EXPECT_EQ(counts(), after);
        EXPECT_EQ(other->lblSumProject.caption() + "|" + other->txtJmyy.text(), std::string(second) + ".00|后到");
        EXPECT_EQ(one("select sum(jmje) from qfmxb where sfxmid=1 and qfkid=" + student.qfkid), first);
    }

    // The open month's line has no stored row: each window keeps what it
    // was filled with, and the later one is refused all the same.
    const std::string xh = one("select min(x.xh) from kdw_xs x inner join kdw_sflx l on l.id=x.sflxid and l.sfxmid=1"
                               " where l.je>=200 and x.del=0 and x.intTx=0 and not exists(select 1 from kdw_sfjl a"
                               " where a.xsid=x.id and a.sfyf='202612')");
    std::shared_ptr<frmjmjlNew> windows[2];
    for (auto& w : windows) {
        w = windowFor(xh, &w == &windows[1]);
        ASSERT_TRUE(w->LvwQFLIST.userItemClick("c202612"));
        w->cmdReset.userClick();
        typeReduction(*w, rowOf(*w, "1"), "100");
        w->txtJmyy.userSetText("本月");
    }
    windows[0]->cmd_ok.userClick();
    ASSERT_EQ(lastMessage().text.rfind("操作成功！", 0), 0u) << lastMessage().text;
    const std::string after = counts();
    windows[1]->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, kFailed + "该欠费已被其他操作处理，请刷新。\r\n收费项目：保育费，所属期：202612");
    EXPECT_EQ(counts(), after);
    // The student found again, the window shows what is left and posts it.
    windows[1]->txtFind.userSetText(xh);
    windows[1]->userKey(windows[1]->txtFind, key::Enter);
    ASSERT_TRUE(windows[1]->LvwQFLIST.userItemClick("c202612"));
    windows[1]->cmdReset.userClick();
    typeReduction(*windows[1], rowOf(*windows[1], "1"), "100");
    windows[1]->txtJmyy.userSetText("本月");
    windows[1]->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text.rfind("操作成功！", 0), 0u) << lastMessage().text;
    EXPECT_EQ(one("select sum(b.jmje) from kdw_sfjl a,kdw_sfjlmx b,kdw_xs x where b.sfjlid=a.id and a.xsid=x.id and"
                  " x.xh='" + xh + "' and a.jmyy='本月'"),
              "200");
}

TEST_P(ReductionRecheckTest, ACancellationOfWhatIsNoLongerALiveReductionIsRefused) {
    const Owing a = owing().at(0);
    const std::string id = post(a.xh, a.qfkid, {{"1", "640"}});
    const std::string djbh = one("select djbh from kdw_sfjl where id=" + id);
    auto mine = formInstance<frmjmjlML>();
    mine->load();
    auto other = std::make_shared<frmjmjlML>();
    other->load();
    bool ok = false;
    mine->CancelMonthJM(id, ok);
    ASSERT_TRUE(ok);
    const std::string after = counts();

    // The other window still lists it; its preview says why it cannot go.
    ASSERT_TRUE(other->lvwML.userItemClick("k" + id));
    std::string refusal;
    onModal = [&](Form& f) { refusal = dynamic_cast<frmPlanPreview&>(f).lblRefusal.caption(); };
    other->cmdCancel.userClick();
    EXPECT_EQ(refusal, "不能记账：减免记录[" + djbh + "]已被取消，不能再次取消，请刷新。");
    EXPECT_NE(other->lvwML.findItem("k" + id), nullptr);
    EXPECT_FALSE(ui.waitCursorShown());

    const std::string mirror = one("select id from kdw_sfjl where ysfjlid=" + id);
    other->CancelMonthJM(mirror, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(lastMessage().text, "[" + one("select djbh from kdw_sfjl where id=" + mirror) +
                                      "]是取消减免时记下的冲销记录，不能取消。");
    const std::string charge = one("select min(id) from kdw_sfjl where left(djbh,2)='SF'");
    other->CancelMonthJM(charge, ok);
    EXPECT_EQ(lastMessage().text, "[" + one("select djbh from kdw_sfjl where id=" + charge) +
                                      "]不是减免记录，不能在这里取消。");
    other->CancelMonthJM("999999", ok);
    EXPECT_EQ(lastMessage().text, "找不到该减免记录，可能已被删除，请刷新。");
    EXPECT_FALSE(ok);
    other->CancelMonthJM(id + " or 1=1", ok);  // never reaches a statement
    EXPECT_FALSE(ok);
    EXPECT_EQ(counts(), after);
    EXPECT_EQ(one("select count(*) from kdw_sfjl where ysfjlid in(" + id + "," + mirror + "," + charge + ")"), "1");
}

TEST_P(ReductionRecheckTest, AnItemOfThePeriodIsReducedOnlyWhileThePeriodStillOwesIt) {
    // A student without a discount and without December's charge, whose
    // autumn term was paid by a charge before any month was carried over.
    const std::string fresh = one(
        "select min(x.id) from kdw_xs x where x.sflxid=1 and x.del=0 and x.inttx=0 and not exists(select 1 from "
        "kdw_sfjl a where a.xsid=x.id and a.sfyf='202612') and not exists(select 1 from xszhekou z where "
        "z.xsid=x.id) and not exists(select 1 from qfhzb h where h.xsid=x.id and h.qfyf='2026上')");
    ASSERT_NE(fresh, "");
    const std::string before = counts();
    postCurrent(fresh, {{"3", "100"}});
    EXPECT_EQ(lastMessage().text, kFailed + nothingOwed("书本费", "2026上"));
    EXPECT_EQ(counts(), before);

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
    const std::string count = counts();
    postCurrent(settled, {{"3", "100"}});
    EXPECT_EQ(lastMessage().text, kFailed + nothingOwed("书本费", "2026上"));

    // Stored arrears and coming charges never share one record.
    const std::string open = one("select min(xsid) from qfhzb where qfyf='2026上' and fkrq is null");
    postCurrent(open, {{"1", "10"}, {"3", "10"}});
    EXPECT_EQ(lastMessage().text, kFailed + "收费项目[书本费]（所属期 2026上）是已结转的欠费，收费项目[保育费]（所属期 "
                                            "202612）是本期应收，不能记在同一张减免单上，请分两次减免。");
    EXPECT_EQ(counts(), count);
}

TEST_P(ReductionRecheckTest, AnItemFromAStoredLineSettlesThatLinesRowWhateverThePeriodColumnsSay) {
    const auto students = owing();
    ASSERT_GE(students.size(), 2u);
    // The host does not fill in the period columns: the grid still knows the
    // row each item came from, and the reduction settles it.
    globals().settings->set("chkAutoInputTerm", Value("0"));
    const Owing& a = students[0];
    const std::string id = post(a.xh, a.qfkid, {{"1", "40"}});
    ASSERT_EQ(lastMessage().text.rfind("操作成功！", 0), 0u) << lastMessage().text;
    EXPECT_EQ(one("select jmje,jmjlid,fkrq is not null from qfhzb where qfkid=" + a.qfkid), "40|" + id + "|1");
    EXPECT_EQ(one("select qfje,fkrq is null from qfhzb where yqfkid=" + a.qfkid), "941|1");

    // An item whose grid row names another period than its stored row's
    // would settle nothing there: refused, nothing written.
    globals().settings->set("chkAutoInputTerm", Value("1"));
    const Owing& b = students[1];
    auto w = enter(b.xh, b.qfkid, {{"1", "40"}}, "别的所属期");
    w->MSFlexGrid1.setTextMatrix(rowOf(*w, "1"), frmjmjlNew::ColQfyf, "202610");
    const std::string before = counts();
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, kFailed + "该欠费已被其他操作处理，请刷新。\r\n收费项目：保育费，所属期：202610");
    EXPECT_EQ(counts(), before);
    EXPECT_EQ(one("select fkrq is null from qfhzb where qfkid=" + b.qfkid), "1");
}

FO_INSTANTIATE_DIALECTS(ReductionRecheckTest);

}  // namespace
}  // namespace fo::test
