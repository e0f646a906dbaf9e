// What an operator sees and may do once signed in with his password, in both
// dialects on the demo office: 李出纳 may see the 托管幼儿 category only and
// has no right to reprint; 张会计 has it.
#include <set>

#include "batch/frmBachJM.h"
#include "batch/frmJmBachList.h"
#include "bills/frmBILLML.h"
#include "host/SignIn.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "students/frmXSsel.h"
#include "support/DemoOfficeWindowTest.h"
#include "support/ScopedVariable.h"
#include "ui/DataGrid.h"
#include "ui/FlexGrid.h"
#include "ui/KeyCodes.h"
#include "ui/ListView.h"
#include "ui/TreeView.h"

namespace fo::test {
namespace {

class SignedInOperatorTest : public DemoOfficeWindowTest {
protected:
    // Signs `user` in with `password` and hands the module a host for him.
    void signIn(int user, const std::string& password) {
        ASSERT_EQ(SignIn(host->gLinkString(), dbPath).attempt(user, password).status, SignInStatus::SignedIn);
        FormInstances::releaseAll();
        host = std::make_shared<ReferenceHost>(dbPath, dialectCode(), user);
        host->setSettingsStore(std::make_shared<UserSettingsStore>(dir.file("settings")));
        host->installInModuleGlobals();
        globals().host = host;
    }
    std::set<std::string> numbers(const std::string& where) {
        std::set<std::string> out;
        for (const std::string& xh : rows("select xh from kdw_xs where " + where)) out.insert(xh);
        return out;
    }
    // Every text a list, grid or tree of the window shows.
    static std::set<std::string> shown(const Form& form) {
        std::set<std::string> out;
        for (Control* c : form.controls()) {
            if (auto* list = dynamic_cast<ListView*>(c)) {
                for (int i = 1; i <= list->itemCount(); ++i)
                    for (int col = 1; col <= list->columnCountOf(); ++col) out.insert(list->item(i).cell(col));
            } else if (auto* grid = dynamic_cast<FlexGrid*>(c)) {
                for (int r = 0; r < grid->rows(); ++r)
                    for (int col = 0; col < grid->cols(); ++col) out.insert(grid->textMatrix(r, col));
            } else if (auto* data = dynamic_cast<DataGrid*>(c)) {
                for (int r = 0; r < data->rowCount(); ++r)
                    for (int col = 0; col < data->columnCount(); ++col) out.insert(data->cellText(r, col));
            } else if (auto* tree = dynamic_cast<TreeView*>(c)) {
                for (TreeNode* node : tree->treeOrder()) out.insert(node->text().substr(0, node->text().find("->")));
            }
        }
        return out;
    }
    // The window shows some of his students and none of the others.
    void expectOnlyHis(const Form& form, bool someExpected = true) {
        const std::set<std::string> texts = shown(form);
        int his = 0;
        for (const std::string& xh : numbers("lb1=2")) his += static_cast<int>(texts.count(xh));
        for (const std::string& xh : numbers("lb1<>2")) EXPECT_EQ(texts.count(xh), 0u) << form.name() << ": " << xh;
        if (someExpected) EXPECT_GT(his, 0) << form.name();
    }

    ScopedVariable state{"XDG_STATE_HOME", dir.file("state")};
};

TEST_P(SignedInOperatorTest, ARestrictedClerkSeesNoStudentOutsideHisCategoriesInAnyList) {
    ASSERT_FALSE(numbers("lb1=2").empty());
    signIn(3, "li123456");
    const DateTime september{2026, 9, 1};

    auto bills = formInstance<frmBILLML>();
    bills->load();
    bills->DTPfrom.userPick(september);
    bills->cmbDJstate.userSelect("全部");
    bills->CMDfind.userClick();
    expectOnlyHis(*bills);

    auto records = formInstance<frmjmjlML>();
    records->load();
    records->DTPfrom.userPick(september);
    records->CMDfind.userClick();
    expectOnlyHis(*records, false);

    auto reduction = formInstance<frmjmjlNew>();
    reduction->load();
    expectOnlyHis(*reduction);
    reduction->txtFind.userSetText(*numbers("lb1<>2 and del=0 and intTx=0").begin());
    reduction->userKey(reduction->txtFind, key::Enter);
    EXPECT_EQ(reduction->txtXh.text(), "");

    auto picker = formInstance<frmXSsel>();
    picker->load();
    expectOnlyHis(*picker);

    auto wizard = formInstance<frmBachJM>();
    wizard->load();
    wizard->initData(false, "-1", false, "select id from kdw_xs");
    expectOnlyHis(*wizard);

    auto list = formInstance<frmJmBachList>();
    list->load();
    list->cmbYf.userSelect("2026年09月");
    list->cmbYFto.userSelect("2026年12月");
    for (const char* item : {"保育费", "伙食费"}) list->LSTsfxm.setSelected(list->LSTsfxm.findEntry(item), true);
    ui.queueAnswer(MsgAnswer::Yes);  // a query over every class and student
    list->CMDfind.userClick();
    expectOnlyHis(*list);
}

TEST_P(SignedInOperatorTest, OnlyAClerkWithTheReprintRightCanReprint) {
    signIn(3, "li123456");
    auto bills = formInstance<frmBILLML>();
    bills->load();
    EXPECT_FALSE(bills->cmdPrintRe.enabled());
    bills->unload();

    signIn(2, "zhang123");
    bills = formInstance<frmBILLML>();
    bills->load();
    EXPECT_TRUE(bills->cmdPrintRe.enabled());
}

FO_INSTANTIATE_DIALECTS(SignedInOperatorTest);

}  // namespace
}  // namespace fo::test
