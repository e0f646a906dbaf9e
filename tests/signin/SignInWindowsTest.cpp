// The sign-in and operator windows. The sign-in: a wrong password is said
// in the window and refused, the right one signs in, and a first sign-in
// asks for the password twice. (Whom it offers is the sign-in's own list:
// host/OperatorsTest.) The operator window: only an administrator opens it;
// the categories and rights he sets are what the host answers from;
// whoever posted is never deleted; and no password typed anywhere is kept
// in clear.
#include <filesystem>

#include "OfficeFixture.h"
#include "data/FeeDatabase.h"
#include "host/operators/SignIn.h"
#include "signin/frmOperators.h"
#include "signin/frmSignIn.h"
#include "support/FileText.h"
#include "ui/controls/KeyCodes.h"

namespace fo::test {
namespace {

class SignInWindowsTest : public OfficeTest {
protected:
    std::shared_ptr<frmSignIn> openSignIn(const std::string& database, int user) {
        auto w = formInstance<frmSignIn>();
        w->prepare(sqliteConnectionString(database), database, user);
        w->load();
        return w;
    }
};

// Every file under a folder, whole.
std::string everyFile(const std::filesystem::path& folder) {
    std::string all;
    if (!std::filesystem::exists(folder)) return all;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        all += entry.path().string() + "\n" + readWholeFile(entry.path()) + "\n";
    }
    return all;
}

TEST_P(SignInWindowsTest, TheFirstSignInAWrongPasswordAndNoneKeptInClearThenTheOperatorWindowsRightsAndRefusals) {
    const std::string fresh = dir.file("new.db");
    createFeeDatabase(sqliteConnectionString(fresh));
    auto first = openSignIn(fresh, 0);
    EXPECT_EQ(std::to_string(first->cmbUser.ListCount()) + "|" + first->cmbUser.text(), "1|系统管理员");
    first->cmdOK.userClick();
    EXPECT_EQ((std::vector<bool>{first->txtNew.visible(), first->txtRepeat.visible(), first->cmbUser.enabled()}),
              (std::vector<bool>{true, true, false}));
    EXPECT_EQ(first->lblMessage.caption(), "“系统管理员”还没有密码：请设置登录密码。（至少 6 个字符）");
    first->txtNew.userType("新的管理密码");
    first->txtRepeat.userType("新的管理密码");
    first->cmdOK.userClick();
    EXPECT_EQ(first->signedIn(), 1);
    EXPECT_EQ(SignIn(sqliteConnectionString(fresh), fresh).attempt(1, "新的管理密码").status, SignInStatus::SignedIn);

    auto signIn = openSignIn(dbPath, 2);
    EXPECT_EQ(signIn->lblDatabase.caption() + "|" + signIn->cmbUser.text() + "|" + signIn->txtPassword.passwordChar(),
              "数据库：" + dbPath + "|张会计|*");
    EXPECT_FALSE(signIn->txtNew.visible());
    signIn->txtPassword.userType("zhang124");
    signIn->cmdOK.userClick();
    EXPECT_TRUE(signIn->isLoaded());
    EXPECT_EQ(signIn->lblMessage.caption() + "|" + signIn->txtPassword.text(), "密码错误！|");
    EXPECT_FALSE(signIn->signedIn());

    signIn->cmbUser.userSelect("李出纳");
    signIn->txtPassword.userType("li123456");
    signIn->userKey(signIn->txtPassword, key::Enter);  // Enter presses 登录
    EXPECT_FALSE(signIn->isLoaded());
    EXPECT_EQ(signIn->signedIn(), 3);
    EXPECT_EQ(logged(), (std::vector<std::string>{"张会计|登录失败||密码错误", "李出纳|登录||成功"}));

    // The administrator gives a new clerk a first password; the clerk signs
    // in with it and chooses his own; the administrator resets it later.
    auto w = open<frmOperators>();
    w->txtName.userSetText("王会计");
    w->txtPassword.userType("first-given");
    w->cmdAdd.userClick();
    ASSERT_TRUE(w->lvwUsers.findItem("k4")) << ui.lastMessage()->text;
    EXPECT_EQ(w->lvwUsers.findItem("k4")->subItem(4), "须更改");
    w->cmdClose.userClick();

    signIn = openSignIn(dbPath, 4);
    signIn->txtPassword.userType("first-given");
    signIn->cmdOK.userClick();
    signIn->txtNew.userType("chosen-by-him");
    signIn->txtRepeat.userType("chosen-by-hin");
    signIn->cmdOK.userClick();
    EXPECT_EQ(signIn->lblMessage.caption() + "|" + signIn->txtNew.text(), "两次输入的新密码不一致。|");
    signIn->txtNew.userType("chosen-by-him");
    signIn->txtRepeat.userType("chosen-by-him");
    signIn->cmdOK.userClick();
    ASSERT_EQ(signIn->signedIn(), 4) << signIn->lblMessage.caption();

    w = open<frmOperators>();
    w->lvwUsers.userItemClick("k4");
    w->txtPassword.userType("reset-by-admin");
    w->cmdResetPassword.userClick();
    EXPECT_EQ(ui.lastMessage()->text, "密码已重设。该操作员下次登录时须设置自己的新密码。");
    EXPECT_EQ(SignIn(host->gLinkString(), dbPath).attempt(4, "reset-by-admin").status, SignInStatus::NeedsNewPassword);
    w->cmdClose.userClick();

    std::string stored;
    for (RecordsetPtr rs = cn->execute("select * from sys_user"); !rs->eof(); rs->moveNext())
        for (std::size_t i = 0; i < rs->fieldCount(); ++i) stored += rs->field(i).toText() + "\n";
    EXPECT_NE(stored.find("$argon2id$"), std::string::npos);
    stored += everyFile(dir.file("config")) + everyFile(dir.file("state"));
    for (const auto& [name, value] : store->values) stored += name + "=" + value + "\n";
    for (const char* typed : {"first-given", "chosen-by-him", "reset-by-admin", "zhang123", "li123456", "admin123"})
        EXPECT_EQ(stored.find(typed), std::string::npos) << typed;
    EXPECT_EQ(logged().size(), 7u);

    // Only an administrator opens the operator window; what he sets there is
    // what the host answers; whoever posted is only disabled.
    actAs(2);
    auto refused = open<frmOperators>();
    EXPECT_FALSE(refused->isLoaded());
    EXPECT_EQ(ui.lastMessage()->text, "只有管理员可以管理操作员。");

    actAs(Operators::BuiltInId);
    w = open<frmOperators>();
    ASSERT_TRUE(w->isLoaded());
    ASSERT_TRUE(w->lvwUsers.userItemClick("k3"));
    EXPECT_EQ(w->txtName.text(), "李出纳");
    std::vector<std::string> ticked;
    for (int i = 1; i <= w->lvwCategories.itemCount(); ++i)
        if (w->lvwCategories.item(i).checked()) ticked.push_back(w->lvwCategories.item(i).text());
    EXPECT_EQ(ticked, (std::vector<std::string>{"托管幼儿"}));
    ASSERT_TRUE(w->lvwRights.userItemClick(std::string("k") + Operators::ReprintRight));
    EXPECT_EQ(w->lvwRights.selectedItem()->subItem(1), "无");
    w->cmbLevel.userSelect("完全");
    w->lvwCategories.userItemCheck("k1", true);
    w->txtName.userSetText("李出纳（兼）");
    w->cmdSave.userClick();
    EXPECT_EQ(ui.lastMessage()->text, "保存成功！");
    ASSERT_TRUE(w->lvwUsers.userItemClick("k1"));  // the administrator may do everything
    EXPECT_EQ(w->lvwRights.findItem(std::string("k") + Operators::ReprintRight)->subItem(1), "完全（管理员）");

    ReferenceHost clerk(dbPath, 1, 3);
    EXPECT_EQ(clerk.gusername() + "|" + clerk.userXSLBLIST(), "李出纳（兼）|1,2");
    EXPECT_EQ(clerk.GetQx(Operators::ReprintRight, Value(), true), 3);
    EXPECT_EQ(clerk.GetQx("PJCX", Value(), true), 1);  // untouched rights stay
    EXPECT_EQ(logged().back(), "系统管理员|修改操作员|李出纳（兼）|完成");

    cn->execute("insert into kdw_sfjl(id,djbh,xsid,operid) values(9001,'JM202612060099',1,2)");
    ASSERT_TRUE(w->lvwUsers.userItemClick("k2"));
    ui.queueAnswer(MsgAnswer::Yes);
    w->cmdDelete.userClick();
    EXPECT_EQ(ui.lastMessage()->text, "操作员“张会计”已有业务记录，不能删除，只能停用。");
    w->chkDisabled.userClick();
    w->cmdSave.userClick();
    EXPECT_EQ(w->lvwUsers.findItem("k2")->subItem(3), "停用");
    EXPECT_EQ(SignIn(host->gLinkString(), dbPath).attempt(2, "zhang123").status, SignInStatus::Disabled);

    // Nor may the administrator take himself out.
    ASSERT_TRUE(w->lvwUsers.userItemClick("k1"));
    w->chkDisabled.userClick();
    w->cmdSave.userClick();
    EXPECT_EQ(ui.lastMessage()->text, "不能取消自己的管理员身份，也不能停用自己。");
    EXPECT_EQ(w->chkDisabled.value(), 0);
}

FO_INSTANTIATE_DIALECTS(SignInWindowsTest);

}  // namespace
}  // namespace fo::test
