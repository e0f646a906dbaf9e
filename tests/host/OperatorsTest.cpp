// The host's operators: their categories and rights; the audit log, whose
// posting row commits or rolls back with the posting, a rolled-back posting
// recorded once as failed, and whose file line is written only once the
// outcome is known; and signing in: passwords checked against their hashes
// only, refusals that are logged, waits that grow after wrong passwords,
// disabled operators kept out, and a first password or a requested change
// set at sign-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>
#include <tuple>

#include "HostTestSupport.h"
#include "db/DbError.h"
#include "host/operators/AuditLog.h"
#include "host/operators/Operators.h"
#include "host/operators/SignIn.h"
#include "host/ReferenceHost.h"
#include "support/FailingWrites.h"
#include "support/FileText.h"
#include "support/Query.h"
#include "support/ScopedVariable.h"

namespace fo {
namespace {

// A fresh fee database whose audit log file goes to a state folder of the test's own.
class AuditLogTest : public ::testing::Test, public test::FeeDb {
protected:
    std::string fileText() const { return test::readWholeFile(AuditLog::filePath()); }
    std::vector<AuditRecord> logged() { return readAuditLog(*cn); }

    test::ScopedVariable state{"XDG_STATE_HOME", dir.file("state")};
    std::shared_ptr<AuditLog> log = std::make_shared<AuditLog>(db.connectionString(), dbPath, 2, "张会计");
};

TEST_F(AuditLogTest, APostingsRowCommitsOrRollsBackWithItAndItsLineFollowsTheOutcome) {
    ConnectionPtr tr = db.open();
    tr->beginTrans();
    log->posting(*tr, AuditEntry{"减免", "JM202612060001", Currency::parse("12.5")});
    tr->execute("insert into kdw_bj(id,mc) values(9,'大班')");
    // Nobody else sees the row before the posting commits, and the file
    // does not claim what has not happened yet.
    EXPECT_TRUE(logged().empty());
    EXPECT_EQ(fileText(), "");
    tr->commitTrans();

    // The connection's next posting starts afresh; rolled back, it is
    // recorded once as failed with its reason; one whose connection is
    // closed in the middle failed as well.
    tr->beginTrans();
    try {
        log->posting(*tr, AuditEntry{"批量减免", "JM1", Currency::fromInt(10)});
        log->posting(*tr, AuditEntry{"批量减免", "JM2", Currency::parse("20.5")});
        throw DbError(1, "减免金额不能大于应收金额");
    } catch (const DbError&) {
        tr->rollbackTrans();
    }
    tr->beginTrans();
    log->posting(*tr, AuditEntry{"取消减免", "QXJM1", std::nullopt});
    tr->close();

    const auto rows = logged();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(std::to_string(rows[0].userId) + "|" + rows[0].userName + "|" + rows[0].workstation + "|" +
                  rows[0].operation + "|" + rows[0].document + "|" + rows[0].outcome,
              "2|张会计|" + AuditLog::workstation() + "|减免|JM202612060001|完成");
    EXPECT_EQ(rows[0].amount, Currency::parse("12.5"));
    EXPECT_EQ(rows[1].document + "|" + rows[1].outcome, "JM1 等 2 笔|失败：减免金额不能大于应收金额");
    EXPECT_EQ(rows[1].amount, Currency::parse("30.5"));
    EXPECT_EQ(rows[2].document + "|" + rows[2].outcome, "QXJM1|失败");
    EXPECT_FALSE(rows[2].amount);
    const std::string file = fileText();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 3);
    EXPECT_EQ(file.rfind(rows[0].time + "\t2 张会计\t" + AuditLog::workstation() + "\t减免\tJM202612060001\t12.50\t完成\t" +
                             std::filesystem::absolute(dbPath).string() + "\n",
                         0),
              0u)
        << file;
    EXPECT_NE(file.find("\t批量减免\tJM1 等 2 笔\t30.50\t失败：减免金额不能大于应收金额\t"), std::string::npos) << file;
}

TEST_F(AuditLogTest, TheLogIsReadByDaysBothIncluded) {
    for (const char* time : {"2026-12-04 23:59:59", "2026-12-05 00:00:00", "2026-12-06 18:30:00", "2026-12-07 00:00:00"})
        writeAuditRow(*cn, AuditRecord{time, 1, "系统管理员", "ws", "登录", "", std::nullopt, "成功"});
    std::vector<std::string> times;
    for (const AuditRecord& r : readAuditLog(*cn, "2026-12-05", "2026-12-06")) times.push_back(r.time);
    EXPECT_EQ(times, (std::vector<std::string>{"2026-12-05 00:00:00", "2026-12-06 18:30:00"}));
    EXPECT_EQ(readAuditLog(*cn, {}, "2026-12-04").size(), 1u);
    EXPECT_EQ(readAuditLog(*cn, "2026-12-07").size(), 1u);
}

class OperatorsTest : public test::FeeDbTest {
protected:
    // The students he sees through the condition and through the statement
    // of ids; both must agree.
    std::vector<std::string> visibleStudents(ReferenceHost& host) {
        const auto ids = [&](const std::string& sql) { return test::firstColumn(*cn, sql + " order by 1"); };
        auto byCondition = ids("select c.id from kdw_xs c where c.del=0" + host.getXSLBlistInSQL(" c.lb1 "));
        EXPECT_EQ(ids("select id from kdw_xs where del=0 and id in(" + host.userXSLBListInSQL() + ")"), byCondition);
        return byCondition;
    }
};

// The built-in operator sees every category, also students without one;
// a clerk only his own first-level categories; one without any, nobody.
TEST_P(OperatorsTest, EachSeesHisCategoriesWithHisRightsAnAdministratorIsAlwaysLeftAndTheBuiltInOneIsMadeOnce) {
    // Three first-level categories (3, 5, 8) with a sub-category under 3;
    // clerk 2 may see categories 3 and 5, clerk 4 none at all.
    exec("insert into kdw_xslx(id,parentid,mc) values(3,0,'全日制'),(5,0,'半日制'),(8,0,'托管'),(31,3,'全日制A')");
    exec("insert into kdw_xs(id,xh,xm,lb,lb1,lb2) values(1,'001','张三',3,3,31),(2,'002','李四',5,5,0),"
         "(3,'003','王五',8,8,0),(4,'004','赵六',3,3,0)");
    exec("insert into kdw_xs(id,xh,xm) values(5,'005','孙七')");  // category unset (0)
    exec("insert into kdw_xs(id,xh,xm,lb1) values(6,'006','周八',null)");
    Operators ops(*cn);
    ops.ensureBuiltIns();
    ops.add(Operator{2, "收费员甲", false});
    ops.add(Operator{4, "收费员乙", false});
    ops.add(Operator{6, "主管", true});
    ops.allowCategory(2, 5);
    ops.allowCategory(2, 3);
    ops.allowCategory(2, 3);  // granted twice, listed once
    ops.setRight(2, "JM", 2);
    ops.setRight(2, "PJZF", 0);

    struct Case {
        int user;
        const char* name;
        const char* categories;
        std::vector<std::string> students;
    };
    const Case cases[] = {{Operators::BuiltInId, "系统管理员", "3,5,8", {"1", "2", "3", "4", "5", "6"}},
                          {2, "收费员甲", "3,5", {"1", "2", "4"}},
                          {4, "收费员乙", "", {}}};
    for (const Case& c : cases) {
        ReferenceHost host(dbPath, dialect(), c.user);
        // First-level categories only.
        EXPECT_EQ(host.gUserid() + "|" + host.gusername() + "|" + host.userXSLBLIST(),
                  std::to_string(c.user) + "|" + c.name + "|" + c.categories);
        EXPECT_EQ(visibleStudents(host), c.students) << c.name;
    }
    EXPECT_EQ(ReferenceHost(dbPath, dialect(), 2).getXSLBlistInSQL("b.lb1"), " and b.lb1 in(3,5)");

    // Right levels: a clerk's as granted, an administrator's all.
    ReferenceHost clerk(dbPath, dialect(), 2);
    EXPECT_EQ(clerk.GetQx("JM", Value(), true), 2);
    EXPECT_EQ(clerk.GetQx("PJZF", Value(), true), 0);
    EXPECT_EQ(clerk.GetQx("never-granted", Value(), true), 0);
    // A later grant replaces the earlier one.
    Operators(*cn).setRight(2, "JM", 1);
    EXPECT_EQ(clerk.GetQx("JM", Value(), true), 1);

    ReferenceHost chief(dbPath, dialect(), 6);  // an administrator, with no rows of his own
    EXPECT_EQ(std::pair(chief.GetQx("JM", Value(), true), chief.GetQx("PJZF", Value(), true)), std::pair(3, 3));
    // Administrator rights do not widen his categories: only the built-in
    // operator sees all of them.
    EXPECT_EQ(chief.getXSLBlistInSQL("lb1"), " and lb1 in(-1)");

    EXPECT_EQ(ReferenceHost(dbPath, dialect()).GetQx("anything", Value(), true), 3);  // the built-in operator

    // A right code with a quote is only text.
    Operators(*cn).setRight(2, "it's", 2);
    EXPECT_EQ(clerk.GetQx("it's", Value(), true), 2);

    EXPECT_THROW(ops.addNew(" 收费员甲 ", false), OperatorRefusal);  // the name is taken
    EXPECT_THROW(ops.addNew("  ", false), OperatorRefusal);
    const int added = ops.addNew(" 收费员丙 ", false);
    EXPECT_EQ(std::to_string(added) + "|" + ops.find(added)->name + "|" + std::to_string(ops.find(added)->hasPassword) +
                  "|" + std::to_string(ops.find(added)->mustSetPassword),
              "7|收费员丙|0|1");
    EXPECT_THROW(ops.rename(added, "主管"), OperatorRefusal);

    // Two administrators can sign in (1 and 6): one may go, the last may not.
    ops.setDisabled(6, true);
    EXPECT_THROW(ops.setDisabled(1, true), OperatorRefusal);
    EXPECT_THROW(ops.setAdmin(1, false), OperatorRefusal);
    ops.setAdmin(2, true);
    ops.setDisabled(1, true);
    EXPECT_TRUE(ops.find(1)->disabled);

    // Whoever wrote a record stays; one who never posted goes with his rights.
    exec("insert into kdw_sfjl(id,djbh,xsid,operid) values(1,'JM202612060001',1,4)");
    EXPECT_TRUE(ops.hasPostings(4));
    EXPECT_THROW(ops.remove(4), OperatorRefusal);
    EXPECT_THROW(ops.remove(1), OperatorRefusal);
    ops.setRight(added, Operators::ReprintRight, 3);
    ops.setCategories(added, {5, 8});
    EXPECT_EQ(ops.categoryIds(added), "5,8");
    ops.remove(added);
    EXPECT_FALSE(ops.find(added));
    EXPECT_EQ(scalar("select count(*) from sys_user_right where userid=" + std::to_string(added)), "0");
    EXPECT_EQ(scalar("select count(*) from sys_user_xslb where userid=" + std::to_string(added)), "0");

    // A new database gets its administrator once; an office whose built-in
    // row was deleted does not get a passwordless one back.
    exec("delete from sys_user");
    ReferenceHost first(dbPath, dialect());
    ReferenceHost second(dbPath, dialect());
    EXPECT_EQ(scalar("select count(*)||'|'||max(admin) from sys_user where id=1"), "1|1");
    exec("insert into sys_user(id,name) values(2,'收费员甲')");
    exec("delete from sys_user where id=1");
    EXPECT_THROW(ReferenceHost(dbPath, dialect()), std::runtime_error);
    exec("delete from sys_user");
    exec("insert into sys_log(logtime,userid,operation,outcome) values('2026-12-01 08:00:00',1,'登录','成功')");
    EXPECT_THROW(ReferenceHost(dbPath, dialect()), std::runtime_error);
    EXPECT_EQ(scalar("select count(*) from sys_user"), "0");
    EXPECT_THROW(ReferenceHost(dbPath, dialect(), 99), std::runtime_error);
    EXPECT_THROW(ReferenceHost(dir.file("missing.db"), dialect()), std::runtime_error);
}

FO_INSTANTIATE_DIALECTS(OperatorsTest);

class SignInTest : public AuditLogTest {
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

    SignIn signIn{db.connectionString(), dbPath};
};

TEST_F(SignInTest, AWrongPasswordOrADisabledOperatorIsRefusedAndLoggedAndTheRightOneSignsIn) {
    SignInResult r = signIn.attempt(2, "secret-3");
    EXPECT_EQ(std::pair(r.status, r.message), std::pair(SignInStatus::WrongPassword, std::string("密码错误！")));
    EXPECT_EQ(scalar("select failures from sys_user where id=2"), "1");
    r = signIn.attempt(2, "secret-2");
    EXPECT_EQ(std::pair(r.status, r.op.name), std::pair(SignInStatus::SignedIn, std::string("收费员甲")));
    EXPECT_EQ(scalar("select failures from sys_user where id=2"), "0");
    EXPECT_EQ(signIn.attempt(2, "").status, SignInStatus::WrongPassword);
    EXPECT_EQ(signIn.attempt(9, "secret-2").status, SignInStatus::Unknown);
    EXPECT_EQ(logOf(9), (std::vector<std::string>{"登录失败|没有该操作员"}));
    // A disabled operator cannot sign in even with his password, nor is he offered.
    Operators(*cn).setDisabled(2, true);
    r = signIn.attempt(2, "secret-2");
    EXPECT_EQ(std::pair(r.status, r.message), std::pair(SignInStatus::Disabled, std::string("操作员“收费员甲”已停用，不能登录。")));
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
    EXPECT_EQ(std::pair(r.status, r.op.hasPassword), std::pair(SignInStatus::NeedsNewPassword, false));
    EXPECT_EQ(signIn.setNewPassword(1, "", "admin-1", "admin-2"), "两次输入的新密码不一致。");
    EXPECT_EQ(signIn.setNewPassword(1, "", "short", "short"), "密码至少要有 6 个字符。");
    EXPECT_EQ(signIn.setNewPassword(1, "", "      ", "      "), "密码不能全是空格。");
    EXPECT_EQ(signIn.setNewPassword(1, "", "管理员的密码", "管理员的密码"), "");
    EXPECT_EQ(signIn.attempt(1, "").status, SignInStatus::WrongPassword);
    EXPECT_EQ(signIn.attempt(1, "管理员的密码").status, SignInStatus::SignedIn);

    // A password an administrator gave him works once, for choosing his own.
    Operators(*cn).setPassword(2, "given-by-admin", true);
    r = signIn.attempt(2, "given-by-admin");
    EXPECT_EQ(std::pair(r.status, r.op.hasPassword), std::pair(SignInStatus::NeedsNewPassword, true));
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
    EXPECT_EQ(std::tuple(r.status, r.waitSeconds, r.message),
              std::tuple(SignInStatus::MustWait, 3, std::string("密码错误次数过多，请 3 秒后再试。")));
    r = signIn.attempt(2, "guess", at(7));
    EXPECT_EQ(std::pair(r.status, r.waitSeconds), std::pair(SignInStatus::WrongPassword, 10));
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
