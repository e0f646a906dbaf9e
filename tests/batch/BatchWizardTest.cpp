// The two-step wizard posting without its preview, in both dialects on the
// demo school: each student held to what he owes, a second reduction of a
// period asked first, a row above its receivable stopping the batch before
// anything is written. (Its preview and a first posting: BatchPreviewTest.)
#include "BatchFixture.h"
#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "ui/frmMsg.h"

namespace fo::test {
namespace {

class BatchWizardTest : public BatchTest {};

TEST_P(BatchWizardTest, EachStudentIsHeldToWhatHeOwesInOnePostingThatCannotStartTwice) {
    const std::string logged = one("select max(id) from sys_log");  // the demo's own postings
    auto w = stepTwo();
    w->txtJMYY.userSetText("按欠费");
    // 700 is within the standard 800 but beyond the 640 student 7 owes:
    // refused (the message: BatchPreviewTest), and logged once below.
    type(*w, 1, "700");
    w->cmd_ok.userClick();

    // What he owes is posted, and the row's remainder is exactly the rest.
    // The posting shows its progress with its button disabled, and a click
    // while it runs starts no second batch.
    type(*w, 1, "640");
    std::vector<std::string> seen;
    ui.events.progress = [&](const std::string& caption, long done, long steps) {
        seen.push_back(caption + "|" + std::to_string(done) + "/" + std::to_string(steps) + "|" +
                       (w->cmd_ok.enabled() ? "enabled" : "disabled"));
        if (done == 1) w->cmd_ok.userClick();
    };
    w->cmd_ok.userClick();
    ui.events.progress = nullptr;
    EXPECT_EQ(seen, (std::vector<std::string>{"正在为 2 名学生记账减免…|1/2|disabled",
                                              "正在为 2 名学生记账减免…|2/2|disabled"}));
    EXPECT_TRUE(shown("上一批减免还在记账，请等它完成后再开始。"));
    ASSERT_EQ(lastMessage().text, "操作成功！\r\n减免金额：640.00");
    EXPECT_TRUE(w->cmd_ok.enabled());
    const std::string rest = one("select r.qfkid from qfhzb r,qfhzb q where r.yqfkid=q.qfkid and q.xsid=7 and "
                                 "q.qfyf='202609'");
    EXPECT_EQ(one("select qfje from qfhzb where qfkid=" + rest), "341");
    EXPECT_EQ(rows("select sfxmid,qfje from qfmxb where qfkid=" + rest + " order by sfxmid"), (Rows{"1|0", "2|341"}));
    // The refused batch of two left one row in the audit log, after its rollback.
    EXPECT_EQ(rows("select operation,amount,outcome,djbh like '% 等 2 笔' from sys_log where id>" + logged +
                   " order by id"),
              (Rows{"批量减免|1400|失败|1", "批量减免|640|完成|0", "批量减免|640|完成|0"}));

    // A month not charged yet owes what the dues rules leave of it: 640 for
    // student 7, and nothing more once that is reduced.
    auto coming = stepTwo("7");
    coming->cmbYF.userSelect("2027年01月");
    coming->txtJMYY.userSetText("一月");
    for (const char* amount : {"700", "640", "0.01"}) {
        type(*coming, 1, amount);
        coming->cmd_ok.userClick();
    }
    // The step shows the 640 he owes, so 700 stops there.
    EXPECT_TRUE(shown("收费项目[保育费]\r\n应收金额：640\r\n\r\n减免金额不能大于应收金额"));
    EXPECT_TRUE(shown("操作成功！\r\n减免金额：640.00"));
    // The step now shows that nothing is owed, and stops the cent there.
    EXPECT_EQ(coming->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColYs), "0.00");
    EXPECT_EQ(lastMessage().text, "收费项目[保育费]\r\n应收金额：0\r\n\r\n减免金额不能大于应收金额");
    EXPECT_EQ(one("select count(*),sum(jmje),min(sfrq) from kdw_sfjl where jmyy='一月'"), "1|640|2027-01-01");
}

TEST_P(BatchWizardTest, StepTwoShowsWhatTheStudentsOweAndASecondReductionOfAPeriodIsAskedFirst) {
    // The receivable is what the most owing ticked student still owes of
    // the period, not the fee type's standard 800.
    EXPECT_EQ(stepTwo("31")->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColYs), "0.00");
    auto w = stepTwo("7");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColYs), "640.00");
    w->cmbYF.userSelect("2027年01月");
    ASSERT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColYs), "640.00");
    type(*w, 1, "100");
    w->txtJMYY.userSetText("两次");

    // Step 1 numbers its rows for the clerk; the student's id stays in the key.
    ListView& picked = formInstance<frmBachJM>()->lvwXS;
    EXPECT_EQ(picked.item(picked.itemCount()).text(), std::to_string(picked.itemCount()));
    EXPECT_NE(picked.findItem("k7"), nullptr);
    // Nobody ticked is no reduction, and no success is said.
    formInstance<frmBachJM>()->lvwXS.findItem("k7")->setChecked(false);
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "没有勾选学生，本次没有减免。请在上一步勾选要减免的学生。");
    w->cmdPreview.userClick();
    EXPECT_EQ(lastMessage().text, "没有勾选学生，本次没有减免。请在上一步勾选要减免的学生。");
    EXPECT_EQ(one("select count(*) from kdw_sfjl where jmyy='两次'"), "0");
    formInstance<frmBachJM>()->lvwXS.findItem("k7")->setChecked(true);
    w->cmd_ok.userClick();
    ASSERT_EQ(lastMessage().text, "操作成功！\r\n减免金额：100.00");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColYs), "540.00") << "what is left after it";

    // The same batch again, from a fresh window: the clerk is asked, with
    // the earlier record named, and 否 posts nothing; 是 posts it.
    const std::string djbh = one("select djbh from kdw_sfjl where jmyy='两次'");
    std::vector<std::string> asked;
    bool again = false;
    ui.setModalRunner([&](Form& f) {
        const std::string text = dynamic_cast<frmMsg&>(f).Label1.caption();
        const bool second = text.find("已有减免单") != std::string::npos;
        if (second) asked.push_back(text);
        f.find<CommandButton>(!second || again ? "cmdOk" : "cmdNo")->userClick();
    });
    for (bool answer : {false, true}) {
        again = answer;
        FormInstances::releaseAll();
        auto fresh = stepTwo("7");
        fresh->cmbYF.userSelect("2027年01月");
        type(*fresh, 1, "100");
        fresh->txtJMYY.userSetText("两次");
        fresh->cmd_ok.userClick();
    }
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].find("20260007 陈文琪：收费项目[保育费]所属期[202701]已有减免单 " + djbh + "（减免 100.00）"),
              std::string::npos)
        << asked[0];
    EXPECT_EQ(one("select count(*),sum(jmje) from kdw_sfjl where jmyy='两次'"), "2|200");
}

TEST_P(BatchWizardTest, ARowAboveItsReceivableOrAPastedBadAmountStopsTheBatchBeforeAnyWrite) {
    auto w = stepTwo();
    const std::string before = books();
    type(*w, 1, "800.01");
    w->txtJMYY.userSetText("超额");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "收费项目[保育费]\r\n应收金额：800\r\n\r\n减免金额不能大于应收金额");
    // Pasted past the key filter: below zero, or a third decimal.
    for (const char* pasted : {"-5", "12.345", "1.005"}) {
        type(*w, 1, pasted);
        w->cmd_ok.userClick();
        EXPECT_EQ(lastMessage().text, std::string("收费项目[保育费]的减免金额[") + pasted +
                                          "]不正确：减免金额不能小于零，最多两位小数。");
    }
    EXPECT_EQ(books(), before);

    // A term reduction: the term tag is the arrears key and its first day the date.
    w->optRQ[frmBachJM_next::KindTerm].userClick();
    w->cmbYF.userSelect("2026上");
    EXPECT_EQ(w->DTP_jmrq.dateText(), "2026-09-01") << "the date follows the period when it is picked";
    ASSERT_EQ(w->MSFlexGrid1.rows(), 2);
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColQfyf) + "|" + w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColTerm),
              "2026上|2026-09-01  -  2027-01-31");
    // One-off: no period to choose, the current month's first day. Student
    // 19 has paid his, so the batch is refused until he is left out.
    w->optRQ[frmBachJM_next::KindOneOff].userClick();
    EXPECT_FALSE(w->cmbYF.enabled());
    ASSERT_EQ(w->MSFlexGrid1.rows(), 2);
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColQfyf), "一次性");
    type(*w, 1, "10");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "以下 1 项减免被拒绝，本批减免没有记账：\r\n20260019 吴泽涵：收费项目[报名费]在所属期"
                                  "[一次性]已没有欠费（已缴清、已减免或已被其他操作处理），不能再减免，请刷新。");
    EXPECT_EQ(books(), before);
    // Step 1 counts the ticked students on every tick, 全选 and 全不选.
    auto first = formInstance<frmBachJM>();
    EXPECT_EQ(first->lblTicked.caption(), "已选 2 人");
    first->lvwXS.userItemCheck("k19", false);
    EXPECT_EQ(first->lblTicked.caption(), "已选 1 人");
    w->cmd_ok.userClick();
    EXPECT_EQ(one("select count(*),min(sfrq),min(xsid) from kdw_sfjl where jmyy='超额'"), "1|2026-12-01|7");
    first->cmdSelectNo.userClick();
    EXPECT_EQ(first->lblTicked.caption(), "已选 0 人");
}

FO_INSTANTIATE_DIALECTS(BatchWizardTest);

}  // namespace
}  // namespace fo::test
