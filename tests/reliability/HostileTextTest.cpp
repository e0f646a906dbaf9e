// Hostile text pasted into every text input of every window, on every engine
// and in both dialects: quotes, wildcards, brackets, a thousand characters,
// emoji, control characters, full-width digits. No engine's English reaches
// the clerk, no exception leaves a window, and a reason or remark that is
// stored reads back exactly as it was typed.
#include "batch/frmBachJM_next.h"
#include "batch/frmJmBachList.h"
#include "bills/frmBILLML.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "reliability/Clerk.h"
#include "reliability/ReliabilityFixture.h"
#include "students/frmCommFind.h"
#include "students/frmXSsel.h"
#include "support/Query.h"
#include "ui/CombinedQueryForm.h"
#include "ui/FormInstance.h"
#include "ui/controls/KeyCodes.h"

namespace fo::test {
namespace {

// No Latin word of their own, so that any in a message came from elsewhere.
std::vector<std::string> hostileTexts() {
    std::string longText;
    for (int i = 0; i < 1000; ++i) longText += "长";
    return {"王'小'明''", "100%_折扣_[特]^", "--;删除 表/*", "😀👍🏽表情", "控制\x01\x02\x1b字符\t制表",
            "１２３．４５全角", longText, "引号\"反斜杠\\`"};
}

class HostileTextTest : public ReliabilityTest {
protected:
    void SetUp() override {
        ReliabilityTest::SetUp();
        office = std::make_unique<ClerkOffice>(locator, dialect(), dir.file("settings"));
    }
    void TearDown() override { office.reset(); }

    HeadlessUi& ui() { return office->ui(); }
    // What the clerk was shown since the last look: nothing in English.
    void expectNoEnglishSince(std::size_t& seen, const std::string& typed, const std::string& where) {
        const auto& shown = ui().messages();
        for (; seen < shown.size(); ++seen)
            EXPECT_FALSE(looksEnglish(shown[seen].text, typed)) << where << ": " << shown[seen].text;
    }
    std::string lastReason() {
        return scalar(office->cn(), "select jmyy from kdw_sfjl where id=(select max(id) from kdw_sfjl where djbh like 'JM%')")
            .toText();
    }
    std::string owingStudent(int n) {
        return scalar(office->cn(), "select x.xh from kdw_xs x where x.del=0 and (select count(*) from qfhzb q where"
                                    " q.xsid=x.id and q.fkrq is null and q.qfje>0)>0 order by x.id limit 1 offset " +
                                        std::to_string(n))
            .toText();
    }

    std::unique_ptr<ClerkOffice> office;
};

// The single-student windows, the batch ones, then the receipt register with
// its filter and combined query dialogs.
TEST_P(HostileTextTest, EveryWindowFindsNothingOddAndStoresTheReasonAsTyped) {
    std::size_t seen = 0;
    int n = 0;
    std::string typed;
    int dialogs = 0;
    ui().setModalRunner([&](Form& f) {
        if (auto* find = dynamic_cast<frmCommFind*>(&f)) {
            ++dialogs;
            find->txtXh.userSetText(typed);
            find->txtXSxm.userSetText(typed);
            find->txtJtzz.userSetText(typed);
            find->OptPart.userClick();
            find->cmdSure.userClick();
        } else if (auto* query = dynamic_cast<CombinedQueryForm*>(&f)) {
            ++dialogs;
            for (const std::string& op : CombinedQueryForm::operators()) {
                query->cmbField.setListIndex(query->cmbField.ListCount() > 1 ? 1 : 0);
                query->cmbOp.userSelect(op);
                query->txtValue.userSetText(typed);
                query->cmdAdd.userClick();
            }
            query->cmdOK.userClick();
        } else {
            ClerkOffice::answerAsClerk(f);
        }
    });
    for (const std::string& h : hostileTexts()) {
        SCOPED_TRACE(h.substr(0, 40));
        typed = h;
        auto w = formInstance<frmjmjlNew>();
        w->load();
        w->txtFind.userSetText(h);
        w->userKey(w->txtFind, key::Enter);
        w->txtFind.userSetText(owingStudent(n++));
        w->userKey(w->txtFind, key::Enter);
        ASSERT_GT(w->LvwQFLIST.itemCount(), 0);
        w->LvwQFLIST.userItemClick(w->LvwQFLIST.item(1).key());
        ASSERT_GT(w->MSFlexGrid1.rows(), 1);
        w->Txt_ts.userSetText(h);
        w->Txt_bz.userSetText(h);
        typeInto(w->MSFlexGrid1, w->Txt_write, 1, frmjmjlNew::ColJm, h);
        typeInto(w->MSFlexGrid1, w->Txt_write, 1, frmjmjlNew::ColJm, "1");
        w->txtJmyy.userSetText(h);
        w->cmd_ok.userClick();
        EXPECT_EQ(ui().lastMessage()->text.rfind("操作成功！", 0), 0u) << ui().lastMessage()->text;
        EXPECT_EQ(lastReason(), h);
        expectNoEnglishSince(seen, h, "reduction window");
        FormInstances::releaseAll();

        auto records = formInstance<frmjmjlML>();
        records->load();
        records->txtXh.userSetText(h);
        records->CMDfind.userClick();
        expectNoEnglishSince(seen, h, "records window");
        FormInstances::releaseAll();

        auto picker = formInstance<frmXSsel>();
        picker->load();
        picker->txtFilter.userSetText(h);
        expectNoEnglishSince(seen, h, "student picker");
        FormInstances::releaseAll();

        auto list = formInstance<frmJmBachList>();
        list->load();
        list->cmbYf.userSelect(list->cmbYf.List(0));
        for (int i = 0; i < list->LSTsfxm.ListCount(); ++i) list->LSTsfxm.setSelected(i, true);
        list->txtBh.userSetText(h);
        list->CMDfind.userClick();
        list->txtBh.userSetText(owingStudent(n++));
        list->CMDfind.userClick();
        ASSERT_GT(list->lvw1.itemCount(), 0);
        list->txtJmje.userSetText(h);
        list->cmdALL.userClick();
        list->lvw1.userItemClick(list->lvw1.item(1).key());
        list->txtWrite.userSetText(h);
        list->cmdCancelSelect.userClick();
        list->txtJmyy.userSetText(h);
        ui().queueAnswer(MsgAnswer::Yes);
        list->cmdJMok.userClick();
        EXPECT_EQ(ui().lastMessage()->text, "操作成功！");
        EXPECT_EQ(lastReason(), h);
        expectNoEnglishSince(seen, h, "receivables list");
        FormInstances::releaseAll();

        // The wizard for one student who still owes a monthly item of a
        // carried-over month, one yuan of it.
        const auto owes = query("select q.xsid,q.qfyf,i.sfxmid,t.mc from qfhzb q inner join qfmxb i on i.qfkid=q.qfkid"
                                " inner join kdw_xs x on x.id=q.xsid inner join kdw_sflx t on t.id=x.sflxid and"
                                " t.sfxmid=i.sfxmid inner join kdw_sfxm m on m.id=i.sfxmid where q.fkrq is null and"
                                " m.jflx=3 and i.qfje-i.jmje-i.fkje>=1 and x.intTx=0 order by q.xsid desc,q.qfkid"
                                " limit 1 offset " + std::to_string(n));
        ASSERT_FALSE(owes.empty());
        std::vector<std::string> ticked;
        auto next = openWizard({owes[0][0]}, ticked);
        next->CMB_sflx.userSelect(owes[0][3]);
        next->cmbYF.userSelect(monthCaption(owes[0][1]));
        ASSERT_TRUE(typeForItem(next->MSFlexGrid1, next->Txt_write, owes[0][2], h));
        typeForItem(next->MSFlexGrid1, next->Txt_write, owes[0][2], "1");
        next->txtJMYY.userSetText(h);
        next->cmd_ok.userClick();
        EXPECT_EQ(ui().lastMessage()->text.rfind("操作成功！", 0), 0u) << ui().lastMessage()->text;
        EXPECT_EQ(lastReason(), h);
        expectNoEnglishSince(seen, h, "wizard");
        FormInstances::releaseAll();

        auto bills = formInstance<frmBILLML>();
        bills->load();
        bills->DTPfrom.userPick(DateTime{2000, 1, 1});
        bills->DTPto.userPick(DateTime{2100, 12, 31});
        bills->cmbDJstate.userSelect("全部");
        dialogs = 0;
        bills->mFindWhere.userClick();
        bills->mGroupFind.userClick();
        EXPECT_EQ(dialogs, 2) << "the filter and the combined query both asked";
        expectNoEnglishSince(seen, h, "receipt filters");
        bills->CMDfind.userClick();
        const std::string bill =
            scalar(office->cn(), "select min(p.id) from PJML p inner join kdw_sfjl a on a.djbh=p.djbh where"
                                 " coalesce(p.pjState,'')<>'作废' and a.sfyf>='" + office->host().CurrentYf() + "'")
                .toText();
        ASSERT_TRUE(bills->ListView1.userItemClick("k" + bill));
        bills->txtZfyy.userSetText(h);
        ui().queueAnswer(MsgAnswer::Yes);
        bills->cmdZF.userClick();
        EXPECT_EQ(scalar(office->cn(), "select zfyy from PJML where id=" + bill).toText(), h);
        expectNoEnglishSince(seen, h, "receipt void");
        FormInstances::releaseAll();
    }
}

FO_INSTANTIATE_ENGINES_AND_DIALECTS(HostileTextTest);

}  // namespace
}  // namespace fo::test
