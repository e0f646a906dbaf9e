// The wizard's second step and the 预览 of both batch paths in both dialects
// on the demo school: confirmed, the books change row for row as it showed;
// refused or overtaken by another clerk, nothing is written.
#include "BatchFixture.h"
#include "data/checks/BooksCheck.h"
#include "reduction/PaidCredit.h"
#include "support/XlsxSheet.h"
#include "ui/frmMsg.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {
namespace {

class BatchPreviewTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        // The preview is looked at, then confirmed or left.
        onModal = [this](Form& f) {
            auto& preview = dynamic_cast<frmPlanPreview&>(f);
            previewed = preview.shownPlan();
            refusalText = preview.lblRefusal.caption();
            confirmable = preview.cmdOK.enabled();
            lines.clear();
            for (int i = 1; i <= preview.lvwLines.itemCount(); ++i) {
                std::string line;
                for (int c = 1; c <= preview.lvwLines.columnCountOf(); ++c)
                    line += (c > 1 ? "|" : "") + preview.lvwLines.item(i).cell(c);
                lines.push_back(line);
            }
            if (whilePreviewed) whilePreviewed(preview);
            refreshOffered = preview.cmdRefresh.visible();
            if (confirmPreview && confirmable) preview.cmdOK.userClick();
            else (refreshOffered ? preview.cmdRefresh : preview.cmdBack).userClick();
        };
    }

    std::string madeSince(const BooksSnapshot& before) {
        return planMismatches(previewed, changesBetween(before, BooksSnapshot(*cn)));
    }

    plan::Plan previewed;
    std::string refusalText;
    std::vector<std::string> lines;
    bool confirmable = false, confirmPreview = true, refreshOffered = false;
    std::function<void(frmPlanPreview&)> whilePreviewed;
};

TEST_P(BatchPreviewTest, TheWizardNamesItsRefusedStudentsAndWithoutThemPostsWhatItsPreviewShowedAndNoMore) {
    // 31 owes nothing for September; 7 is reduced beyond what he owes.
    auto w = stepTwo("7,19,31");
    type(*w, 1, "700");
    w->txtJMYY.userSetText("预览拒绝");
    const BooksSnapshot before(*cn);
    w->cmdPreview.userClick();
    EXPECT_FALSE(confirmable);
    EXPECT_EQ(BooksSnapshot(*cn), before);
    ASSERT_EQ(previewed.refusals.size(), 2u);
    EXPECT_EQ(previewed.refusals[0].code, "owed");
    EXPECT_NE(previewed.refusals[0].reason.find("尚欠 640.00，少于减免金额 700.00"), std::string::npos);
    EXPECT_NE(refusalText.find("已没有欠费"), std::string::npos) << refusalText;
    // The refused students' lines say why; 19 would have been posted.
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("尚欠 640.00"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].substr(lines[1].rfind('|')), "|");
    // A preview plan draws nothing: the next record still gets the next id.
    EXPECT_EQ(host->pGetMaxId("INandOutML"), std::to_string(std::stoi(one("select max(id) from kdw_sfjl")) + 1));
    // Posted without the preview, the batch stops naming every refused student.
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "以下 2 项减免被拒绝，本批减免没有记账：\r\n20260007 陈文琪：收费项目[保育费]在所属期"
                                  "[202609]尚欠 640.00，少于减免金额 700.00，请刷新后按实际欠费录入。\r\n20260031 朱安晨："
                                  "收费项目[保育费]在所属期[202609]已没有欠费（已缴清、已减免或已被其他操作处理），不能再减免，请刷新。");
    EXPECT_EQ(BooksSnapshot(*cn), before);

    // Without 31 and within what 7 owes, the same items are reduced for
    // each ticked student, each with his own record settling the arrears of
    // the period, row for row as the preview showed.
    formInstance<frmBachJM>()->lvwXS.findItem("k31")->setChecked(false);
    type(*w, 1, "30");
    type(*w, 2, "20.5");
    EXPECT_EQ(w->lblSumProject.caption(), "50.50");
    // A remembered reason with a quote is stored as it was typed.
    w->txtJMYY.userSetText(" O'Brien 批量补助 ");
    w->cmdPreview.userClick();
    ASSERT_TRUE(confirmable) << refusalText;
    EXPECT_EQ(lastMessage().title + "|" + lastMessage().text, "提示|操作成功！\r\n减免金额：50.50");
    EXPECT_EQ(madeSince(before), "");
    EXPECT_EQ(rows("select xsid,sfrq,jmje,count(distinct djbh) from kdw_sfjl where jmyy='O''Brien 批量补助'"
                   " group by xsid,sfrq,jmje"),
              (Rows{"7|2026-09-01|50.5|1", "19|2026-09-01|50.5|1"}));
    EXPECT_EQ(rows("select b.sfxmid,b.jmje,b.ysje,count(*) from kdw_sfjl a,kdw_sfjlmx b where b.sfjlid=a.id and "
                   "a.jmyy='O''Brien 批量补助' group by b.sfxmid,b.jmje,b.ysje"),
              (Rows{"1|30|800|2", "2|20.5|341|2"}));
    // The audit log has each student's reduction, by its number, in the
    // transaction that wrote it.
    EXPECT_EQ(rows("select l.operation,l.amount,l.outcome,l.username from sys_log l,kdw_sfjl a where l.djbh=a.djbh "
                   "and a.jmyy='O''Brien 批量补助' order by a.xsid"),
              (Rows{"批量减免|50.5|完成|系统管理员", "批量减免|50.5|完成|系统管理员"}));
    // Per student and item: the reduction, the row it settles, what it owed, the rest.
    ASSERT_EQ(lines.size(), 4u);
    const std::string settled = one("select qfkid from qfhzb where xsid=7 and qfyf='202609' and jmjlid>0");
    EXPECT_EQ(lines[0], "20260007 陈文琪|小班一班|202609|保育费|30.00|202609#" + settled + "|640.00|610.00|");
    // Student 7 owed 981 for September: 930.5 is left open.
    EXPECT_EQ(one("select qfje from qfhzb where yqfkid=" + settled), "930.5");

    // January is not charged yet, so no row of the wizard shows what is
    // owed; the preview does, per student, and holds the posting to it. (The
    // receivables list's open month alike: ConcurrencyTest's clerks.)
    w->cmbYF.userSelect("2027年01月");
    type(*w, 1, "100");
    w->txtJMYY.userSetText("一月预览");
    whilePreviewed = [&](frmPlanPreview&) {
        auto other = std::make_shared<frmBachJM_next>();
        other->load();
        other->CMB_sflx.userSelect("全日制");
        other->cmbYF.userSelect("2027年01月");
        type(*other, 1, "100");
        other->txtJMYY.userSetText("另一位");
        other->cmd_ok.userClick();
    };
    w->cmdPreview.userClick();
    ASSERT_TRUE(confirmable) << refusalText;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "20260007 陈文琪|小班一班|202701|保育费|100.00|本期应收（未结转）|640.00|540.00|");
    EXPECT_TRUE(shown("预览之后，另一位操作员改动了本次要记账的数据"));
    EXPECT_TRUE(shown("学生[20260007 陈文琪]收费项目[保育费]所属期[202701]尚欠：预览时为 640.00，现在为 540.00"))
        << lastMessage().text;
    EXPECT_EQ(one("select count(*) from kdw_sfjl where jmyy='一月预览'"), "0");
    EXPECT_EQ(one("select count(*) from kdw_sfjl where jmyy='另一位'"), "2");
}

TEST_P(BatchPreviewTest, TheListAndTheWizardRefuseWhatChangedOrIsTooMuchOfferTheRefreshAndOtherwisePostWhatTheyShowed) {
    // Student 19 owes two items in September (carried over) and two in December.
    const std::string qfkid = one("select min(qfkid) from qfhzb where xsid=19 and qfyf='202609' and fkrq is null");
    auto w = query("20260019");
    w->cmdCancelSelect.userClick();
    ListItem* r = row(*w, "k19_202609_", "保育费");
    ASSERT_NE(r, nullptr);
    const std::string owed = r->subItem(6);
    typeOn(*w, *r, (leadingNumber(owed) + *Currency::parse("0.01")).format00());
    w->txtJmyy.userSetText("预览超额");
    const BooksSnapshot before(*cn);
    w->cmdPreview.userClick();
    EXPECT_FALSE(confirmable);
    EXPECT_EQ(previewed.refusals.at(0).code, "over-reduction");
    EXPECT_NE(refusalText.find("减免金额不能大于应收金额"), std::string::npos) << refusalText;
    EXPECT_EQ(BooksSnapshot(*cn), before);

    // Ten less; while the clerk looks at the preview another clerk reduces
    // the same December row by one: the posting names it and writes nothing.
    typeOn(*w, *r, (leadingNumber(owed) - Currency::fromInt(10)).format00());
    BooksSnapshot meanwhile(*cn);
    whilePreviewed = [&](frmPlanPreview&) {
        cn->execute("update qfmxb set jmje=1 where qfkid=" + qfkid + " and sfxmid=1");
        meanwhile = BooksSnapshot(*cn);
    };
    ui.queueAnswer(MsgAnswer::Yes);
    w->cmdPreview.userClick();
    ASSERT_TRUE(confirmable) << refusalText;
    EXPECT_TRUE(shown("预览之后，另一位操作员改动了本次要记账的数据")) << lastMessage().text;
    EXPECT_TRUE(shown("：预览后已被其他操作改动")) << "the changed row is named";
    EXPECT_EQ(lastMessage().text.rfind("操作失败！", 0), 0u);
    EXPECT_EQ(BooksSnapshot(*cn), meanwhile);

    // The list, then the wizard: between reading what is owed and the
    // preview, another clerk reduces the row by one.
    w = query("20260019");
    r = row(*w, "k19_202609_", "保育费");
    ASSERT_NE(r, nullptr);
    const Currency owedNow = leadingNumber(r->subItem(6));
    typeOn(*w, *r, "10");
    w->txtJmyy.userSetText("刷新");
    cn->execute("update qfmxb set jmje=jmje+1 where qfkid=" + qfkid + " and sfxmid=1");
    const BooksSnapshot refreshed(*cn);
    whilePreviewed = [](frmPlanPreview& p) { p.cmdExport.userClick(); };
    w->cmdPreview.userClick();
    whilePreviewed = nullptr;
    EXPECT_FALSE(confirmable);
    EXPECT_NE(refusalText.find("请刷新"), std::string::npos) << refusalText;
    ASSERT_TRUE(refreshOffered);
    // Its export ends with the refusal, as the window said it.
    ASSERT_EQ(ui.exports().size(), 1u);
    const std::string& book = XlsxSheet(ui.exports()[0]).workbookXml();
    int sheets = 0;
    for (std::size_t at = book.find("<sheet "); at != std::string::npos; at = book.find("<sheet ", at + 1)) ++sheets;
    const XlsxSheet refusals(ui.exports()[0], sheets);
    EXPECT_EQ(refusals.header(), std::vector<std::string>{"不能记账"});
    EXPECT_NE(refusals.cell("A2").value.find("请刷新"), std::string::npos);
    r = row(*w, "k19_202609_", "保育费");
    ASSERT_NE(r, nullptr) << "the refresh read the list again";
    EXPECT_EQ(r->subItem(6), (owedNow - Currency::fromInt(1)).format00());
    EXPECT_EQ(BooksSnapshot(*cn), refreshed);

    auto next = stepTwo("19");
    type(*next, 1, "10");
    next->txtJMYY.userSetText("刷新");
    cn->execute("update qfmxb set jmje=jmje+1 where qfkid=" + qfkid + " and sfxmid=1");
    confirmPreview = false;
    next->cmdPreview.userClick();
    EXPECT_FALSE(confirmable);
    ASSERT_TRUE(refreshOffered) << refusalText;
    next->cmdPreview.userClick();
    EXPECT_TRUE(confirmable) << "the owed amounts were read again: " << refusalText;
    EXPECT_EQ(one("select count(*) from kdw_sfjl where jmyy='刷新'"), "0");
    confirmPreview = true;

    // Read again, every row reduced by what it owes but one left empty,
    // which is not posted: the books change as the preview showed.
    w = query("20260019");
    w->cmdCancelSelect.userClick();
    ListItem* food = row(*w, "k19_202612_", "伙食费");
    ASSERT_NE(food, nullptr);
    food->setSubItem(7, "");
    w->txtJmyy.userSetText("预览补助");
    const BooksSnapshot unposted(*cn);
    whilePreviewed = [](frmPlanPreview& p) { p.cmdExport.userClick(); };
    ui.queueAnswer(MsgAnswer::Yes);  // 确定减免吗？
    w->cmdPreview.userClick();
    ASSERT_TRUE(confirmable) << refusalText;
    EXPECT_EQ(lastMessage().text, "操作成功！");
    EXPECT_EQ(madeSince(unposted), "");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(one("select count(*) from kdw_sfjl where jmyy='预览补助'"), "2");
    EXPECT_EQ(one("select sum(jmje) from kdw_sfjl where jmyy='预览补助'"), "1938");

    // The export holds the lines as the clerk read them, amounts as numbers.
    ASSERT_EQ(ui.exports().size(), 2u);
    const XlsxSheet sheet(ui.exports()[1]);
    EXPECT_EQ(sheet.header().front() + "|" + sheet.header().back(), "学生|说明");
    ASSERT_EQ(sheet.rows(), 4);
    EXPECT_EQ(sheet.cell("E2").type + "|" + sheet.cell("E2").format, "|0.00");
    EXPECT_EQ(sheet.cell("D4").value, "保育费");
    // and, on the next sheet, every row the posting changes.
    const XlsxSheet changes(ui.exports()[1], 2);
    EXPECT_EQ(changes.header(), (std::vector<std::string>{"操作", "内容", "说明", "变动", "记录"}));
    EXPECT_EQ(changes.rows(), static_cast<int>(previewed.changes.size()) + 1);
}

// What was paid, credited from both batch paths with the option: a right of
// its own at the box and at the posting; the grid and the list offer what
// may still be credited (a carried-over month nothing); the preview names
// the payment and the balance before and after and the posting writes just
// that; a second credit of the item and period is refused naming the
// first, also when another clerk made it while the preview was shown.
TEST_P(BatchPreviewTest, PaidFeesAreCreditedOncePerPeriodFromTheWizardAndTheList) {
    // Two 全日制 students who paid December's 保育费 in one charge each.
    const auto paid = fieldRows(*cn,
        "select a.xsid,x.xh,a.djbh,b.je,x.ysk from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id inner join"
        " kdw_xs as x on x.id=a.xsid where left(a.djbh,2)='SF' and a.sfyf='202612' and b.sfxmid=1 and a.ysfjlid=0 and"
        " b.je>300 and x.sflxid=(select min(id) from kdw_sflx where mc='全日制') and a.xsid not in(select xsid from"
        " kdw_sfjl where sfyf='202612' and id<>a.id) order by a.xsid");
    ASSERT_GE(paid.size(), 2u);
    const std::string xsid = paid[0][0], djbh = paid[0][2];
    const Currency je = leadingNumber(paid[0][3]), ysk = leadingNumber(paid[0][4]);

    actAs(2);
    EXPECT_FALSE(stepTwo(xsid)->chkCreditPaid.enabled());
    FormInstances::releaseAll();
    actAs(Operators::BuiltInId);
    auto w = stepTwo(xsid, "2026年12月");
    w->chkCreditPaid.userClick();
    int r = 1;  // 保育费's row
    while (r < w->MSFlexGrid1.rows() && w->MSFlexGrid1.textMatrix(r, frmBachJM_next::ColItemId) != "1") ++r;
    ASSERT_LT(r, w->MSFlexGrid1.rows());
    EXPECT_EQ(leadingNumber(w->MSFlexGrid1.textMatrix(r, frmBachJM_next::ColYs)), je);
    type(*w, r, "100");
    w->txtJMYY.userSetText("迟到的补助");
    // Signed in without the right meanwhile, the posting is refused.
    actAs(2);
    const BooksSnapshot before(*cn);
    w->cmd_ok.userClick();
    EXPECT_NE(lastMessage().text.find("已缴费用的减免转入预收款"), std::string::npos) << lastMessage().text;
    EXPECT_EQ(BooksSnapshot(*cn), before);
    actAs(Operators::BuiltInId);

    w->cmdPreview.userClick();
    ASSERT_TRUE(confirmable) << refusalText;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].find("|202612|")), "|202612|保育费|100.00|" + djbh + "|" + ysk.format00() + "|" +
                                                              (ysk + leadingNumber("100")).format00() + "|");
    EXPECT_EQ(lastMessage().text, "操作成功！\r\n转入预收款：100.00");
    EXPECT_EQ(madeSince(before), "");
    const std::string first = one("select djbh from kdw_sfjl where jmyy='迟到的补助'");
    EXPECT_EQ(one("select sfrq,jmje,ysk from kdw_sfjl where jmyy='迟到的补助'"), "2026-12-01|100|100");
    // Again for the same item and period: refused in the preview and the posting.
    w->cmdPreview.userClick();
    EXPECT_FALSE(confirmable);
    ASSERT_EQ(previewed.refusals.size(), 1u);
    EXPECT_EQ(previewed.refusals[0].code + "|" + previewed.refusals[0].laterDjbh, "second-credit|" + first);
    const BooksSnapshot once(*cn);
    w->cmd_ok.userClick();
    EXPECT_NE(lastMessage().text.find(first), std::string::npos) << lastMessage().text;
    EXPECT_EQ(BooksSnapshot(*cn), once);

    // The list: the paid rows with what may be credited, none of September.
    const std::string other = paid[1][0];
    auto list = query(paid[1][1]);
    list->chkCreditPaid.userClick();
    EXPECT_EQ(list->lvw1.itemCount(), 0);
    list->CMDfind.userClick();
    EXPECT_EQ(row(*list, "k" + other + "_202609_", "保育费"), nullptr);
    ListItem* food = row(*list, "k" + other + "_202612_", "保育费");
    ASSERT_NE(food, nullptr);
    EXPECT_EQ(food->subItem(6), leadingNumber(paid[1][3]).format00());
    typeOn(*list, *food, "200");
    list->txtJmyy.userSetText("名单补助");
    // Another clerk credits the same item while the preview is shown.
    whilePreviewed = [&](frmPlanPreview&) {
        jmjl::CreditRequest single{other, one("select sflxid from kdw_xs where id=" + other), "班", "2026-12-01",
                                   "202612", "另一位", {{"1", "保育费", leadingNumber("50"), "2026-12-01至2026-12-31"}}};
        jmjl::postCredit(*host, single);
    };
    ui.queueAnswer(MsgAnswer::Yes);  // 确定减免吗？
    list->cmdPreview.userClick();
    ASSERT_TRUE(confirmable) << refusalText;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("|" + paid[1][2] + "|"), std::string::npos) << lines[0];
    EXPECT_NE(lastMessage().text.find(one("select djbh from kdw_sfjl where jmyy='另一位'")), std::string::npos)
        << lastMessage().text;
    EXPECT_EQ(one("select count(*) from kdw_sfjl where jmyy='名单补助'"), "0");
    EXPECT_TRUE(checkBooks(*cn).empty());
}

// The wizard posting without its preview: each student held to what he
// owes, a second reduction of a period asked first, a row above its
// receivable stopping the batch before anything is written.
TEST_P(BatchPreviewTest, EachStudentIsHeldToWhatHeOwesInOnePostingThatCannotStartTwice) {
    const std::string logged = one("select max(id) from sys_log");  // the demo's own postings
    auto w = stepTwo();
    w->txtJMYY.userSetText("按欠费");
    // 700 is within the standard 800 but beyond the 640 student 7 owes:
    // refused (its message: TheWizardNamesItsRefusedStudents… above), logged below.
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
    auto coming = stepTwo("7", "2027年01月");
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

TEST_P(BatchPreviewTest, StepTwoShowsWhatIsOwedAsksBeforeASecondReductionAndStopsARowAboveItsReceivableBeforeAnyWrite) {
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
    for (CommandButton* button : {&w->cmd_ok, &w->cmdPreview}) {
        button->userClick();
        EXPECT_EQ(lastMessage().text, "没有勾选学生，本次没有减免。请在上一步勾选要减免的学生。");
    }
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
        auto fresh = stepTwo("7", "2027年01月");
        type(*fresh, 1, "100");
        fresh->txtJMYY.userSetText("两次");
        fresh->cmd_ok.userClick();
    }
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].find("20260007 陈文琪：收费项目[保育费]所属期[202701]已有减免单 " + djbh + "（减免 100.00）"),
              std::string::npos)
        << asked[0];
    EXPECT_EQ(one("select count(*),sum(jmje) from kdw_sfjl where jmyy='两次'"), "2|200");

    w = stepTwo();
    const BooksSnapshot before(*cn);
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
    EXPECT_EQ(BooksSnapshot(*cn), before);

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
    EXPECT_EQ(BooksSnapshot(*cn), before);
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

FO_INSTANTIATE_DIALECTS(BatchPreviewTest);

}  // namespace
}  // namespace fo::test
