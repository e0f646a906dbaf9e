// The sign-in window: a wrong password is said in the window and refused,
// the right one signs in, and a first sign-in asks for the password twice
// (two that differ: OperatorsWindowTest, a clerk's first sign-in).
// (Whom it offers is the sign-in's own list: host/SignInTest.)
#include "OfficeFixture.h"
#include "data/FeeDatabase.h"
#include "signin/frmSignIn.h"
#include "ui/controls/KeyCodes.h"

namespace fo::test {
namespace {

class SignInWindowTest : public OfficeTest {
protected:
    std::shared_ptr<frmSignIn> open(const std::string& database, int user) {
        auto w = formInstance<frmSignIn>();
        w->prepare(sqliteConnectionString(database), database, user);
        w->load();
        return w;
    }
};

TEST_F(SignInWindowTest, AWrongPasswordIsRefusedInTheWindowAndTheRightOneSignsIn) {
    auto w = open(dbPath, 2);
    EXPECT_EQ(w->lblDatabase.caption(), "数据库：" + dbPath);
    EXPECT_EQ(w->cmbUser.text(), "张会计");
    EXPECT_EQ(w->txtPassword.passwordChar(), "*");
    EXPECT_FALSE(w->txtNew.visible());
    w->txtPassword.userType("zhang124");
    w->cmdOK.userClick();
    EXPECT_TRUE(w->isLoaded());
    EXPECT_EQ(w->lblMessage.caption(), "密码错误！");
    EXPECT_EQ(w->txtPassword.text(), "");
    EXPECT_FALSE(w->signedIn());

    w->cmbUser.userSelect("李出纳");
    w->txtPassword.userType("li123456");
    w->userKey(w->txtPassword, key::Enter);  // Enter presses 登录
    EXPECT_FALSE(w->isLoaded());
    EXPECT_EQ(w->signedIn(), 3);
    EXPECT_EQ(logged(), (std::vector<std::string>{"张会计|登录失败||密码错误", "李出纳|登录||成功"}));
}

TEST_F(SignInWindowTest, TheFirstSignInOnANewDatabaseAsksForThePasswordTwice) {
    const std::string fresh = dir.file("new.db");
    createFeeDatabase(sqliteConnectionString(fresh));
    auto w = open(fresh, 0);
    ASSERT_EQ(w->cmbUser.ListCount(), 1);
    EXPECT_EQ(w->cmbUser.text(), "系统管理员");
    w->cmdOK.userClick();
    EXPECT_TRUE(w->txtNew.visible());
    EXPECT_TRUE(w->txtRepeat.visible());
    EXPECT_FALSE(w->cmbUser.enabled());
    EXPECT_EQ(w->lblMessage.caption(), "“系统管理员”还没有密码：请设置登录密码。（至少 6 个字符）");
    w->txtNew.userType("新的管理密码");
    w->txtRepeat.userType("新的管理密码");
    w->cmdOK.userClick();
    EXPECT_EQ(w->signedIn(), 1);
    EXPECT_EQ(SignIn(sqliteConnectionString(fresh), fresh).attempt(1, "新的管理密码").status, SignInStatus::SignedIn);
}

}  // namespace
}  // namespace fo::test
