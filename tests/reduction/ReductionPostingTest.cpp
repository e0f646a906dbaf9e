#include "data/checks/BooksCheck.h"
#include "db/DbError.h"
#include "reduction/JmjlStatements.h"
#include "reduction/frmjmjlML.h"
#include "reduction/ReductionFixture.h"
#include "support/FailingWrites.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {
namespace {

class ReductionPostingTest : public ReductionTest {};

TEST_P(ReductionPostingTest, FullAndPartialReductionsWriteTheRecordItemsSettlementAndRemainder) {
    const auto students = owing();
    ASSERT_GE(students.size(), 2u);
    const Owing& a = students[0];
    const Owing& b = students[1];
    const std::string bjmcA = one("select b.mc from kdw_xs x,kdw_bj b where b.id=x.bjid and x.id=" + a.xsid);
    const std::string sflxA = one("select sflxid from kdw_xs where id=" + a.xsid);

    const std::string full = post(a.xh, a.qfkid, {{"1", "640"}, {"2", "341"}});
    EXPECT_EQ(lastMessage().text, "操作成功！\r\n\r\n学生:" + a.name + "\r\n减免金额：981.00");
    EXPECT_EQ(lastMessage().title, "提示");
    EXPECT_FALSE(ui.waitCursorShown());
    EXPECT_EQ(one("select sfrq,sflxid,xsid,bjmc,jmje,jmyy,ysfjlid,qfkid,hkid,operid,sfyf,skr,left(djbh,2)"
                  " from kdw_sfjl where id=" + full),
              "2026-09-01|" + sflxA + "|" + a.xsid + "|" + bjmcA + "|981|困难补助|0|0|0|1|202612|" +
                  host->gusername() + "|JM");
    EXPECT_EQ(rows("select sfxmid,jmje,feetermname,cqts,ysje,ye from kdw_sfjlmx where sfjlid=" + full +
                   " order by sfxmid"),
              (Rows{"1|640|2026-09-01至2026-09-30|0|640|0", "2|341|2026-09-01至2026-09-30|22|341|0"}));
    EXPECT_EQ(one("select jmje,jmjlid,fkrq is not null from qfhzb where qfkid=" + a.qfkid), "981|" + full + "|1");
    EXPECT_EQ(rows("select jmje from qfmxb where qfkid=" + a.qfkid + " order by sfxmid"), (Rows{"640", "341"}));
    EXPECT_EQ(one("select count(*) from qfhzb where yqfkid=" + a.qfkid), "0");

    // A partial one, with a reason that carries quotes, booked in the month
    // of its date when reductions are not limited to the open month.
    globals().settings->set("chkNotLimitJZ", Value("1"));
    const std::string part = post(b.xh, b.qfkid, {{"1", "40"}}, "O'Brien's 'bad' year");
    EXPECT_EQ(one("select jmje,jmyy,sfyf from kdw_sfjl where id=" + part), "40|O'Brien's 'bad' year|202609");
    EXPECT_EQ(rows("select sfxmid,jmje,ysje from kdw_sfjlmx where sfjlid=" + part), (Rows{"1|40|640"}));
    EXPECT_EQ(one("select jmje,jmjlid,fkrq is not null from qfhzb where qfkid=" + b.qfkid), "40|" + part + "|1");
    const std::string next = one("select qfkid from qfhzb where yqfkid=" + b.qfkid);
    EXPECT_EQ(one("select qfyf,xsid,qfje,sjqfje,fkje,jmje,jmjlid,sfjlid,fkrq is null,userid from qfhzb where qfkid=" + next),
              "202609|" + b.xsid + "|941|0|0|0|0|0|1|1");
    EXPECT_EQ(rows("select sfxmid,qfje,fkje,jmje,xsid from qfmxb where qfkid=" + next + " order by sfxmid"),
              (Rows{"1|600|0|0|" + b.xsid, "2|341|0|0|" + b.xsid}));
}

TEST_P(ReductionPostingTest, OverReductionByOneCentOrDeclinedConfirmationStoresNothing) {
    const Owing a = owing().at(0);
    const std::string before = counts();

    auto w = enter(a.xh, a.qfkid, {{"1", "640.01"}}, "多减一分");
    const std::size_t shown = ui.messages().size();
    confirm = false;
    w->cmd_ok.userClick();
    EXPECT_EQ(ui.messages().size(), shown);
    EXPECT_EQ(counts(), before);

    confirm = true;
    w->cmd_ok.userClick();
    ASSERT_EQ(ui.messages().size(), shown + 2);
    EXPECT_EQ(ui.messages()[shown].text, "收费项目[保育费]\r\n应收金额：640\r\n\r\n减免金额不能大于应收金额");
    EXPECT_EQ(ui.messages()[shown].title, "警告！");
    EXPECT_EQ(lastMessage().text, "收费失败！\r\n");
    EXPECT_EQ(lastMessage().title, "提示");
    EXPECT_EQ(counts(), before);
    // The window keeps what was entered, so the clerk can correct it.
    EXPECT_EQ(w->lblSumProject.caption(), "640.01");
    EXPECT_EQ(w->txtJmyy.text(), "多减一分");
    EXPECT_FALSE(ui.waitCursorShown());
}

TEST_P(ReductionPostingTest, APartOfACentAnOlderDatabaseLeftOwingIsOfferedAsItIsAndClearedExactly) {
    // The row owes 0.005 of 保育费 and nothing else, as older books hold it.
    const Owing a = owing().at(0);
    cn->execute("delete from qfmxb where sfxmid<>1 and qfkid=" + a.qfkid);
    cn->execute("update qfmxb set qfje=0.005 where qfkid=" + a.qfkid);
    cn->execute("update qfhzb set qfje=0.005 where qfkid=" + a.qfkid);
    auto w = enter(a.xh, a.qfkid, {}, "清零");
    EXPECT_EQ(w->LvwQFLIST.findItem("k" + a.qfkid)->subItem(2), "0.005");
    const int r = rowOf(*w, "1");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(r, frmjmjlNew::ColJm), "0.005");
    EXPECT_EQ(w->lblSumProject.caption(), "0.005");
    // Only that rest is taken with a third decimal.
    const std::string before = counts();
    typeReduction(*w, r, "0.004");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "收费项目[保育费]的减免金额[0.004]不正确：减免金额不能小于零，最多两位小数。");
    EXPECT_EQ(counts(), before);
    typeReduction(*w, r, "0.005");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "操作成功！\r\n\r\n学生:" + a.name + "\r\n减免金额：0.005");
    const std::string record = one("select max(id) from kdw_sfjl");
    EXPECT_EQ(one("select count(*) from kdw_sfjl a inner join kdw_sfjlmx m on m.sfjlid=a.id where a.jmje=0.005 and"
                  " m.jmje=0.005 and a.id=" + record),
              "1");
    EXPECT_EQ(one("select jmjlid,fkrq is not null from qfhzb where qfkid=" + a.qfkid), record + "|1");
    EXPECT_EQ(one("select count(*) from qfhzb where yqfkid=" + a.qfkid), "0");
    const auto faults = checkBooks(*cn);
    EXPECT_TRUE(faults.empty()) << faults.front().code << " " << faults.front().text;
}

TEST_P(ReductionPostingTest, AnItemReducedBeyondItsArrearsCountsOnlyUpToThem) {
    // As when one item is reduced in two months of one posting.
    const Owing a = owing().at(0);
    ConnectionPtr tr = host->pgettrcn();
    tr->beginTrans();
    formInstance<frmjmjlNew>()->toUpdateHis(a.xsid, "202609:1|700,202609:2|300", *tr, "77");
    tr->commitTrans();
    EXPECT_EQ(one("select jmje,jmjlid from qfhzb where qfkid=" + a.qfkid), "940|77");
    EXPECT_EQ(one("select qfje from qfhzb where yqfkid=" + a.qfkid), "41");
}

TEST_P(ReductionPostingTest, CancellationGoesInReverseOrderOnly) {
    const std::string logged = one("select max(id) from sys_log");  // the demo's own postings
    const Owing b = owing().at(1);
    const std::string first = post(b.xh, b.qfkid, {{"1", "40"}});
    const std::string remainder = one("select qfkid from qfhzb where yqfkid=" + b.qfkid);
    const std::string second = post(b.xh, remainder, {{"1", "41"}});
    ASSERT_NE(first, second);

    auto list = formInstance<frmjmjlML>();
    list->load();
    ASSERT_NE(list->lvwML.findItem("k" + first), nullptr);
    const std::string before = counts();
    list->lvwML.userItemClick("k" + first);
    // The preview refuses, names the later reduction and opens it.
    onModal = [&](Form& f) {
        auto& preview = dynamic_cast<frmPlanPreview&>(f);
        EXPECT_FALSE(preview.cmdOK.enabled());
        EXPECT_EQ(preview.lblRefusal.caption(), "不能记账：" + jmjl::reverseOrderRefusal() + "\r\n\r\n须先取消：减免记录[" +
                                                   one("select djbh from kdw_sfjl where id=" + second) + "]（所属期 202609）");
        preview.cmdOpenLater.userClick();
    };
    list->cmdCancel.userClick();
    EXPECT_EQ(counts(), before);
    ASSERT_EQ(list->lvwML.itemCount(), 1);
    EXPECT_EQ(list->lvwML.selectedItem()->key(), "k" + second);
    EXPECT_EQ(list->lvwMx.item(1).subItem(1), "41");
    list->initData(nullptr);
    EXPECT_NE(list->lvwML.findItem("k" + first), nullptr);

    // A statement failing half-way takes the whole cancellation back.
    const std::string unjam = failUpdates(*cn, "qfhzb", "jammed", "fkrq");
    bool ok = true;
    list->CancelMonthJM(second, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(lastMessage().text.rfind("操作失败！\r\n", 0), 0u) << lastMessage().text;
    // The clerk reads why in Chinese, not the engine's words.
    EXPECT_NE(lastMessage().text.find(dbtext::Constraint), std::string::npos) << lastMessage().text;
    EXPECT_EQ(lastMessage().text.find("jammed"), std::string::npos);
    EXPECT_EQ(counts(), before);
    cn->execute(unjam);

    list->CancelMonthJM(second, ok);
    ASSERT_TRUE(ok);
    list->lvwML.userItemClick("k" + first);
    list->CancelMonthJM(first, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(lastMessage().text, "操作成功！");
    EXPECT_EQ(list->lvwML.findItem("k" + first), nullptr);
    EXPECT_FALSE(ui.waitCursorShown());

    const std::string mirror = one("select id from kdw_sfjl where ysfjlid=" + first);
    EXPECT_EQ(one("select left(djbh,4),xsid,jmje,sfyf,skr,sflxid=(select sflxid from kdw_sfjl where id=" + first +
                  ") from kdw_sfjl where id=" + mirror),
              "QXJM|" + b.xsid + "|-40|202612|" + host->gusername() + "|1");
    EXPECT_EQ(rows("select sfxmid,jmje,ysje,feetermname from kdw_sfjlmx where sfjlid=" + mirror),
              (Rows{"1|-40|-640|2026-09-01至2026-09-30"}));
    EXPECT_EQ(one("select count(*) from qfhzb where yqfkid in(" + b.qfkid + "," + remainder + ")"), "0");
    EXPECT_EQ(one("select jmje,jmjlid,fkrq is null from qfhzb where qfkid=" + b.qfkid), "0|0|1");
    EXPECT_EQ(rows("select jmje from qfmxb where qfkid=" + b.qfkid), (Rows{"0", "0"}));

    // The audit log: each posting with its number and amount, and each
    // cancellation that went back, once, as failed (the jammed one with why).
    // The one its preview refused never began, so the log has no row of it.
    EXPECT_EQ(rows("select operation,amount,substr(outcome,1,2) from sys_log where id>" + logged + " order by id"),
              (Rows{"减免|40|完成", "减免|41|完成", "取消减免|41|失败", "取消减免|41|完成", "取消减免|40|完成"}));
    EXPECT_EQ(one("select count(*) from sys_log where outcome like '%jammed%'"), "1");
    EXPECT_EQ(one("select outcome from sys_log where outcome like '%jammed%'").rfind(
                  std::string("失败：") + dbtext::Constraint, 0),
              0u);
    EXPECT_EQ(one("select count(*) from sys_log l,kdw_sfjl a where l.djbh=a.djbh and l.outcome='完成' and l.id>" +
                  logged),
              "4");

    // Neither the cancelled reductions nor their mirrors are listed again.
    list->initData(nullptr);
    for (const std::string& id : {first, second, mirror})
        EXPECT_EQ(list->lvwML.findItem("k" + id), nullptr) << id;
}

FO_INSTANTIATE_DIALECTS(ReductionPostingTest);

}  // namespace
}  // namespace fo::test
