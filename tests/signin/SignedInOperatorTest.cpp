// What an operator may do once signed in with his password, in both dialects
// on the demo office: 李出纳 has no right to reprint; 张会计 has it. (What each
// sees is worked from scripts behind the same sign-in: module/CategoryVisibility.)
#include "bills/frmBILLML.h"
#include "host/operators/SignIn.h"
#include "support/DemoOfficeWindowTest.h"
#include "support/ScopedVariable.h"

namespace fo::test {
namespace {

class SignedInOperatorTest : public DemoOfficeWindowTest {
protected:
    // Signs `user` in with `password` and hands the module a host for him.
    void signIn(int user, const std::string& password) {
        ASSERT_EQ(SignIn(host->gLinkString(), dbPath).attempt(user, password).status, SignInStatus::SignedIn);
        FormInstances::releaseAll();
        actAs(user);
    }
    ScopedVariable state{"XDG_STATE_HOME", dir.file("state")};
};

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
