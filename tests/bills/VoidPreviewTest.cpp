// The preview of a void and of a charge cancellation on a demo fee office,
// in both dialects: what the books show afterwards is, row for row, what the
// preview showed; a refused void shows why and writes nothing; a void whose
// rows another clerk changed after the preview names them and writes nothing.
#include <gtest/gtest.h>

#include <set>

#include "bills/FeeCancellation.h"
#include "bills/cLsBILLhead.h"
#include "bills/frmBILLML.h"
#include "students/DemoOfficeTest.h"
#include "support/BooksDiff.h"
#include "support/XlsxSheet.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {
namespace {

class VoidPreview : public DemoOfficeTest {
protected:
    void SetUp() override {
        DemoOfficeTest::SetUp();
        // An October charge whose settled arrears left a remainder row, made
        // to touch everything a cancellation gives back: it took 50 of the
        // prepaid balance, left 20 of new prepayment on its first item, and
        // produced a transfer record.
        charge = text("select min(a.id) from kdw_sfjl a where a.djbh like 'SF%' and a.sfyf='202610' and exists("
                      "select 1 from qfhzb r where r.yqfkid in(select qfkid from qfhzb where sfjlid=a.id))");
        ASSERT_NE(charge, "");
        student = text("select xsid from kdw_sfjl where id=" + charge);
        item = text("select min(sfxmid) from kdw_sfjlmx where sfjlid=" + charge);
        bill = text("select a.id from pjml a, kdw_sfjl b where a.djbh=b.djbh and b.id=" + charge);
        cn->execute("update kdw_sfjl set hkje=50,ysk=20 where id=" + charge);
        cn->execute("update kdw_sfjlmx set ysk=20 where sfjlid=" + charge + " and sfxmid=" + item);
        cn->execute("insert into XS_SFXM_YSK(xsid,sfxmid,ysk) values(" + student + "," + item + ",35)");
        cn->execute("update kdw_xs set ysk=100.1 where id=" + student);
        cn->execute("insert into kdw_sfjl(id,djbh,xsid,je,sfyf,ysfjlid,hkid) values(9001,'HK202610050001'," + student +
                    ",50,'202610',0," + charge + ")");
        cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,je) values(9001," + item + ",50)");
    }

    std::shared_ptr<frmBILLML> registerOn(const std::string& billId) {
        auto w = formInstance<frmBILLML>();
        w->load();
        w->DTPfrom.userPick(*DateTime::parse("2026-10-01"));
        w->DTPto.userPick(*DateTime::parse("2026-10-31"));
        w->cmbDJstate.userSelect("全部");
        w->CMDfind.userClick();
        EXPECT_TRUE(w->ListView1.userItemClick("k" + billId));
        return w;
    }
    // Voids through the preview: `onPreview` sees it, then it is confirmed
    // (or left with 返回 when `confirm` is false) and the question answered yes.
    void voidBill(frmBILLML& w, const std::function<void(frmPlanPreview&)>& onPreview, bool confirm = true) {
        ui.setModalRunner([&](Form& f) {
            auto& preview = dynamic_cast<frmPlanPreview&>(f);
            shown = preview.shownPlan();
            if (onPreview) onPreview(preview);
            (confirm ? preview.cmdOK : preview.cmdBack).userClick();
        });
        if (confirm) ui.queueAnswer(MsgAnswer::Yes);
        w.cmdZF.userClick();
    }
    std::string lastText() { return ui.lastMessage() ? ui.lastMessage()->text : std::string(); }

    std::string charge, student, item, bill;
    plan::Plan shown;
};

TEST_P(VoidPreview, TheBooksChangeRowForRowAsThePreviewShowed) {
    auto w = registerOn(bill);
    const BooksSnapshot before(*cn);
    voidBill(*w, {}, false);
    EXPECT_EQ(BooksSnapshot(*cn), before) << "going back from the preview writes nothing";

    w->txtZfyy.userSetText("重复收费");
    voidBill(*w, [](frmPlanPreview& p) {
        EXPECT_TRUE(p.cmdOK.enabled());
        EXPECT_EQ(p.lvwPlan.itemCount(), static_cast<int>(p.shownPlan().changes.size()));
        p.cmdExport.userClick();
    });
    // The export holds every row of the preview as the clerk read it.
    ASSERT_EQ(ui.exports().size(), 1u);
    const XlsxSheet sheet(ui.exports()[0]);
    EXPECT_EQ(sheet.header(), (std::vector<std::string>{"操作", "内容", "说明", "变动", "记录"}));
    EXPECT_EQ(sheet.rows(), static_cast<int>(shown.changes.size()) + 1);
    EXPECT_EQ(sheet.cell("B2").value, "收据");
    ASSERT_EQ(lastText(), "操作成功！");
    EXPECT_EQ(planMismatches(shown, changesBetween(before, BooksSnapshot(*cn))), "");
    // Every part of a cancellation was in it: the receipt, the mirrored
    // record, items and journal, the prepayments, the transfer, the arrears.
    std::set<std::string> tables;
    for (const auto& c : shown.changes) tables.insert(plan::kindWord(c.kind) + " " + c.table);
    EXPECT_EQ(tables, (std::set<std::string>{"update PJML", "insert INandOutML", "insert INandOut", "insert kdw_sfjl",
                                             "update XS_SFXM_YSK", "update kdw_xs", "insert kdw_sfjlmx",
                                             "delete kdw_sfjlmx", "delete kdw_sfjl", "delete qfmxb", "delete qfhzb",
                                             "update qfmxb", "update qfhzb"}));
    // Access keeps two decimals of the balance: 100.1 + 50 - 20.
    EXPECT_EQ(text("select ysk from kdw_xs where id=" + student), "130.1");
}

TEST_P(VoidPreview, AChargeCancelledByTheHostWritesWhatItsPlanSaid) {
    cLsBILLhead head;
    head.set_gRun(host);
    const plan::Plan planned = head.planCancelMonthFee(*cn, "", charge);
    ASSERT_FALSE(planned.refused());
    const BooksSnapshot before(*cn);
    ConnectionPtr tr = host->pgettrcn();
    tr->beginTrans();
    ASSERT_TRUE(head.CancelMonthFee(*tr, "", charge));
    tr->commitTrans();
    EXPECT_EQ(planMismatches(planned, changesBetween(before, BooksSnapshot(*cn))), "");
    // Cancelled now: a second plan says so and draws nothing.
    EXPECT_EQ(head.planCancelMonthFee(*cn, "", charge).refusals.at(0).code, "missing");
}

TEST_P(VoidPreview, ARefusedVoidShowsWhyInThePreviewAndCannotBeConfirmed) {
    // A later reduction settled the remainder the charge split off.
    const std::string remainder =
        text("select min(qfkid) from qfhzb where yqfkid in(select qfkid from qfhzb where sfjlid=" + charge + ")");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,jmje,sfyf,ysfjlid,hkid) values(9002,'JM202610200001'," + student +
                ",10,'202610',0,0)");
    cn->execute("update qfhzb set jmjlid=9002,fkrq='2026-10-20' where qfkid=" + remainder);
    const BooksSnapshot blocked(*cn);
    auto w = registerOn(bill);
    voidBill(*w, [](frmPlanPreview& p) {
        EXPECT_FALSE(p.cmdOK.enabled());
        EXPECT_FALSE(p.cmdRefresh.visible()) << "nothing to refresh for";
        EXPECT_NE(p.lblRefusal.caption().find("须先取消：减免记录[JM202610200001]"), std::string::npos)
            << p.lblRefusal.caption();
    }, false);
    EXPECT_EQ(shown.refusals.at(0).code, "later-operation");
    EXPECT_TRUE(shown.changes.empty());
    EXPECT_EQ(BooksSnapshot(*cn), blocked);

    EXPECT_FALSE(w->ListView1.findItem("k" + bill) == nullptr);

    // The receipt went since the register was read: the preview says so and
    // offers the refresh, which reads the register again without it.
    cn->execute("delete from pjml where id=" + bill);
    ui.setModalRunner([&](Form& f) {
        auto& preview = dynamic_cast<frmPlanPreview&>(f);
        EXPECT_EQ(preview.shownPlan().refusals.at(0).code, "receipt-missing");
        EXPECT_TRUE(preview.cmdRefresh.isUsable());
        preview.cmdRefresh.userClick();
    });
    w->cmdZF.userClick();
    EXPECT_EQ(w->ListView1.findItem("k" + bill), nullptr);
}

TEST_P(VoidPreview, RowsAnotherClerkChangedAfterThePreviewAreNamedAndNothingIsWritten) {
    auto w = registerOn(bill);
    // The student's balance moves between the preview and the confirmation.
    BooksSnapshot before(*cn);
    voidBill(*w, [&](frmPlanPreview&) {
        cn->execute("update kdw_xs set ysk=ysk+1 where id=" + student);
        before = BooksSnapshot(*cn);
    });
    const auto& messages = ui.messages();
    ASSERT_GE(messages.size(), 2u);
    const std::string refusal = messages[messages.size() - 2].text;
    EXPECT_EQ(refusal.rfind("预览之后，另一位操作员改动了本次要记账的数据", 0), 0u) << refusal;
    EXPECT_NE(refusal.find("学生[id=" + student + "]"), std::string::npos) << refusal;
    EXPECT_EQ(lastText(), "操作失败！");
    EXPECT_EQ(BooksSnapshot(*cn), before);

    // A later operation between the preview and the confirmation: the
    // posting meets the refusal the preview did not show.
    voidBill(*w, [&](frmPlanPreview&) {
        cn->execute("update qfhzb set fkje=5 where yqfkid in(select qfkid from qfhzb where sfjlid=" + charge + ")");
        before = BooksSnapshot(*cn);
    });
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2].text.rfind(feecancel::kLaterOperationText, 0), 0u);
    EXPECT_EQ(BooksSnapshot(*cn), before);
}

FO_INSTANTIATE_DIALECTS(VoidPreview);

}  // namespace
}  // namespace fo::test
