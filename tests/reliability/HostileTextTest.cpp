// Hostile text pasted into every text input of every window, on every engine
// and in both dialects: quotes, wildcards, brackets, a thousand characters,
// emoji, control characters, full-width digits. No engine's English reaches
// the clerk, no exception leaves a window, and a reason or remark that is
// stored reads back exactly as it was typed.
#include "bills/frmBILLML.h"
#include "reduction/frmjmjlML.h"
#include "reliability/ReliabilityFixture.h"
#include "students/frmCommFind.h"
#include "students/frmXSsel.h"
#include "ui/CombinedQueryForm.h"
#include "ui/FormInstance.h"

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
        clerk = std::make_unique<Clerk>(*office, 1);
        clerk->setMistakes(false);
    }

    HeadlessUi& ui() { return office->ui(); }
    // What the clerk was shown since the last look: nothing in English. The
    // windows are closed after.
    void expectNoEnglishSince(const std::string& typed, const std::string& where) {
        const auto& shown = ui().messages();
        for (; seen < shown.size(); ++seen)
            EXPECT_FALSE(looksEnglish(shown[seen].text, typed)) << where << ": " << shown[seen].text;
        FormInstances::releaseAll();
    }
    // A reduction that went through, its reason read back as typed.
    void expectPosted(const Posting& p, const std::string& typed) {
        EXPECT_TRUE(p.committed) << p.kind << ": " << p.lastMessage;
        EXPECT_EQ(one("select jmyy from kdw_sfjl where id=(select max(id) from kdw_sfjl where djbh like 'JM%')"), typed)
            << p.kind;
        expectNoEnglishSince(typed, p.kind);
    }

    std::unique_ptr<ClerkOffice> office;
    std::unique_ptr<Clerk> clerk;
    std::size_t seen = 0;
};

// The clerk pastes each text first into every input of the single-student
// window, the receivables list, the wizard and the void; then into the
// records window, the student picker and the receipt register's filter and
// combined query dialogs.
TEST_P(HostileTextTest, EveryWindowFindsNothingOddAndStoresTheReasonAsTyped) {
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
    const auto owing = column("select x.xh from kdw_xs x where x.del=0 and exists(select 1 from qfhzb q where"
                              " q.xsid=x.id and q.fkrq is null and q.qfje>0) order by x.id");
    const auto texts = hostileTexts();
    for (std::size_t n = 0; n < texts.size(); ++n) {
        const std::string& h = texts[n];
        SCOPED_TRACE(h.substr(0, 40));
        typed = h;
        clerk->setNoise(h);
        ASSERT_GT(owing.size(), 2 * n + 1);
        const std::string row = one("select min(q.qfkid) from qfhzb q inner join kdw_xs x on x.id=q.xsid where"
                                    " q.fkrq is null and q.qfje>0 and x.xh='" + owing[2 * n] + "'");
        expectPosted(clerk->reduceLine(owing[2 * n], "k" + row, h), h);
        expectPosted(clerk->receivablesListFor(owing[2 * n + 1], h), h);
        // One yuan of a monthly item a student still owes of a carried-over month.
        const auto owes = query("select q.xsid,q.qfyf,i.sfxmid from qfhzb q inner join qfmxb i on i.qfkid=q.qfkid"
                                " inner join kdw_xs x on x.id=q.xsid inner join kdw_sflx t on t.id=x.sflxid and"
                                " t.sfxmid=i.sfxmid inner join kdw_sfxm m on m.id=i.sfxmid where q.fkrq is null and"
                                " m.jflx=3 and i.qfje-i.jmje-i.fkje>=1 and x.intTx=0 order by q.xsid desc,q.qfkid"
                                " limit 1 offset " + std::to_string(n));
        ASSERT_FALSE(owes.empty());
        expectPosted(clerk->wizardBatch({owes[0][0]}, owes[0][1], owes[0][2], "1", h), h);

        auto records = formInstance<frmjmjlML>();
        records->load();
        records->txtXh.userSetText(h);
        records->CMDfind.userClick();
        expectNoEnglishSince(h, "records window");
        auto picker = formInstance<frmXSsel>();
        picker->load();
        picker->txtFilter.userSetText(h);
        expectNoEnglishSince(h, "student picker");
        auto bills = formInstance<frmBILLML>();
        bills->load();
        dialogs = 0;
        bills->mFindWhere.userClick();
        bills->mGroupFind.userClick();
        EXPECT_EQ(dialogs, 2) << "the filter and the combined query both asked";
        bills->CMDfind.userClick();
        expectNoEnglishSince(h, "receipt filters");
        const std::string bill = one("select min(p.id) from PJML p inner join kdw_sfjl a on a.djbh=p.djbh where"
                                     " coalesce(p.pjState,'')<>'作废' and a.sfyf>='" + office->host().CurrentYf() + "'");
        EXPECT_TRUE(clerk->voidBill(bill, h).committed);
        EXPECT_EQ(one("select zfyy from PJML where id=" + bill), h);
        expectNoEnglishSince(h, "receipt void");
    }
}

FO_INSTANTIATE_ENGINES_AND_DIALECTS(HostileTextTest);

}  // namespace
}  // namespace fo::test
