// Signing in: passwords checked against their hashes only, refusals that
// are logged, waits that grow after wrong passwords, disabled operators
// kept out, and a first password or a requested change set at sign-in.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <thread>

#include "HostTestSupport.h"
#include "host/operators/AuditLog.h"
#include "host/ReferenceHost.h"
#include "host/operators/SignIn.h"
#include "support/FailingWrites.h"
#include "support/ScopedVariable.h"

namespace fo {
namespace {

class SignInTest : public ::testing::Test, public test::FeeDb {
protected:
    void SetUp() override {
        Operators operators(*cn);
        operators.ensureBuiltIns();
        operators.add(Operator{2, "收费员甲", false});
        operators.setPassword(2, "secret-2", false);
    }
    // The log's rows of one operator as "operation|outcome".
    std::vector<std::string> logOf(int user) {
        std::vector<std::string> out;
        for (const AuditRecord& r : readAuditLog(*cn))
            if (r.userId == user) out.push_back(r.operation + "|" + r.outcome);
        return out;
    }
    // `second` seconds after nine o'clock.
    static DateTime at(int second) { return DateTime{2026, 12, 6, 9, second / 60, second % 60}; }

    test::ScopedVariable state{"XDG_STATE_HOME", dir.file("state")};
    SignIn signIn{db.connectionString(), dbPath};
};

TEST_F(SignInTest, AWrongPasswordOrADisabledOperatorIsRefusedAndLoggedAndTheRightOneSignsIn) {
    SignInResult r = signIn.attempt(2, "secret-3");
    EXPECT_EQ(r.status, SignInStatus::WrongPassword);
    EXPECT_EQ(r.message, "密码错误！");
    EXPECT_EQ(scalar("select failures from sys_user where id=2"), "1");
    r = signIn.attempt(2, "secret-2");
    EXPECT_EQ(r.status, SignInStatus::SignedIn);
    EXPECT_EQ(r.op.name, "收费员甲");
    EXPECT_EQ(scalar("select failures from sys_user where id=2"), "0");
    EXPECT_EQ(signIn.attempt(2, "").status, SignInStatus::WrongPassword);
    EXPECT_EQ(signIn.attempt(9, "secret-2").status, SignInStatus::Unknown);
    EXPECT_EQ(logOf(9), (std::vector<std::string>{"登录失败|没有该操作员"}));
    // A disabled operator cannot sign in even with his password, nor is he offered.
    Operators(*cn).setDisabled(2, true);
    r = signIn.attempt(2, "secret-2");
    EXPECT_EQ(r.status, SignInStatus::Disabled);
    EXPECT_EQ(r.message, "操作员“收费员甲”已停用，不能登录。");
    EXPECT_EQ(logOf(2), (std::vector<std::string>{"登录失败|密码错误", "登录|成功", "登录失败|密码错误", "登录失败|已停用"}));
    for (const Operator& op : signIn.operatorsToChoose()) EXPECT_NE(op.id, 2);
    EXPECT_THROW(ReferenceHost(dbPath, 1, 2), std::runtime_error);
}

TEST_F(SignInTest, ASignInTheLogCannotRecordDoesNotHappenTheFirstSetsThePasswordAndARequestedChangeIsMade) {
    // Another program holds the write lock past the wait (a second here).
    SignIn impatient{db.connectionString() + ";Lock Wait=1", dbPath};
    ConnectionPtr other = db.open();
    other->beginTrans();
    other->execute("update sys_user set name=name where id=2");
    SignInResult r = impatient.attempt(2, "secret-2");
    EXPECT_EQ(r.status, SignInStatus::NotRecorded);
    EXPECT_NE(r.message.find("本次登录无效"), std::string::npos) << r.message;
    other->rollbackTrans();
    EXPECT_EQ(impatient.attempt(2, "secret-2").status, SignInStatus::SignedIn);
    EXPECT_EQ(logOf(2), (std::vector<std::string>{"登录|成功"}));
    // The same when only the log's row is refused (a full disk).
    const std::string takeBack = test::failInserts(*cn, "sys_log", "disk full");
    EXPECT_EQ(signIn.attempt(2, "secret-2").status, SignInStatus::NotRecorded);
    cn->execute(takeBack);
    EXPECT_EQ(logOf(2), (std::vector<std::string>{"登录|成功"}));

    // A new database's administrator has no password: whatever is typed,
    // he is asked for one, and the rules hold.
    r = signIn.attempt(1, "");
    EXPECT_EQ(r.status, SignInStatus::NeedsNewPassword);
    EXPECT_FALSE(r.op.hasPassword);
    EXPECT_EQ(signIn.setNewPassword(1, "", "admin-1", "admin-2"), "两次输入的新密码不一致。");
    EXPECT_EQ(signIn.setNewPassword(1, "", "short", "short"), "密码至少要有 6 个字符。");
    EXPECT_EQ(signIn.setNewPassword(1, "", "      ", "      "), "密码不能全是空格。");
    EXPECT_EQ(signIn.setNewPassword(1, "", "管理员的密码", "管理员的密码"), "");
    EXPECT_EQ(signIn.attempt(1, "").status, SignInStatus::WrongPassword);
    EXPECT_EQ(signIn.attempt(1, "管理员的密码").status, SignInStatus::SignedIn);

    // A password an administrator gave him works once, for choosing his own.
    Operators(*cn).setPassword(2, "given-by-admin", true);
    r = signIn.attempt(2, "given-by-admin");
    EXPECT_EQ(r.status, SignInStatus::NeedsNewPassword);
    EXPECT_TRUE(r.op.hasPassword);
    EXPECT_EQ(signIn.setNewPassword(2, "not-the-given", "mine-now", "mine-now"), "原密码不对。");
    EXPECT_EQ(signIn.setNewPassword(2, "given-by-admin", "given-by-admin", "given-by-admin"), "新密码不能与原密码相同。");
    EXPECT_EQ(signIn.setNewPassword(2, "given-by-admin", "mine-now", "mine-now"), "");
    EXPECT_EQ(signIn.attempt(2, "mine-now").status, SignInStatus::SignedIn);
    EXPECT_EQ(signIn.attempt(2, "given-by-admin").status, SignInStatus::WrongPassword);
    EXPECT_EQ(logOf(1), (std::vector<std::string>{"设置密码|完成", "登录|成功", "登录失败|密码错误", "登录|成功"}));
}

TEST_F(SignInTest, EachWrongPasswordAfterTheThirdMakesTheNextWaitLongerAlsoForParallelGuesses) {
    for (int second : {0, 1, 2}) EXPECT_EQ(signIn.attempt(2, "guess", at(second)).status, SignInStatus::WrongPassword);
    // The right password is not even tried while he must wait.
    SignInResult r = signIn.attempt(2, "secret-2", at(4));
    EXPECT_EQ(r.status, SignInStatus::MustWait);
    EXPECT_EQ(r.waitSeconds, 3);
    EXPECT_EQ(r.message, "密码错误次数过多，请 3 秒后再试。");
    r = signIn.attempt(2, "guess", at(7));
    EXPECT_EQ(r.status, SignInStatus::WrongPassword);
    EXPECT_EQ(r.waitSeconds, 10);
    EXPECT_EQ(signIn.attempt(2, "secret-2", at(16)).status, SignInStatus::MustWait);
    EXPECT_EQ(signIn.attempt(2, "secret-2", at(17)).status, SignInStatus::SignedIn);
    // Signed in, the count starts again; a long run of guesses waits at most five minutes.
    EXPECT_EQ(signIn.attempt(2, "guess", at(18)).waitSeconds, 0);
    EXPECT_EQ(SignIn::waitAfter(40), 300);
    // Claims of workstations that died while verifying (kept, they would
    // make every sign-in wait the longest) are let go once a minute has
    // passed without an attempt.
    cn->execute("update sys_user set pending=40,lastfailure='" + at(60).dateTimeText() + "' where id=2");
    EXPECT_EQ(signIn.attempt(2, "secret-2", at(125)).status, SignInStatus::SignedIn);
    EXPECT_EQ(signIn.attempt(2, "secret-2", at(126)).status, SignInStatus::SignedIn);

    // Ten sign-ins with the right password at one moment all get in, and
    // leave no count behind; then thirty wrong passwords at one moment, ten
    // at a time: only the three the wait allows are verified, every other
    // one waits.
    const auto atOnce = [&](int attempts, const std::function<std::string(int)>& password) {
        std::array<std::atomic<int>, 6> answers{};
        std::vector<std::thread> threads;
        for (int i = 0; i < attempts; ++i)
            threads.emplace_back([&, i] {
                SignIn mine(db.connectionString(), dbPath);
                ++answers[static_cast<int>(mine.attempt(2, password(i), at(30)).status)];
            });
        for (std::thread& t : threads) t.join();
        return std::vector<int>(answers.begin(), answers.end());
    };
    const auto count = [](const std::vector<int>& answers, SignInStatus status) { return answers[static_cast<int>(status)]; };
    EXPECT_EQ(count(atOnce(10, [](int) { return std::string("secret-2"); }), SignInStatus::SignedIn), 10);
    EXPECT_EQ(scalar("select failures+pending from sys_user where id=2"), "0");
    std::vector<int> guesses(6);
    for (int round = 0; round < 3; ++round) {
        const std::vector<int> answers = atOnce(10, [](int i) { return "guess-" + std::to_string(i); });
        for (std::size_t i = 0; i < answers.size(); ++i) guesses[i] += answers[i];
    }
    EXPECT_EQ(count(guesses, SignInStatus::WrongPassword), 3);
    EXPECT_EQ(count(guesses, SignInStatus::MustWait), 27);
    EXPECT_EQ(scalar("select failures||'|'||pending from sys_user where id=2"), "3|0");
    EXPECT_EQ(logOf(2).size(), 50u);  // the ten attempts above and these forty
}

}  // namespace
}  // namespace fo
