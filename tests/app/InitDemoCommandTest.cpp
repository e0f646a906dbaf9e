// The init and init-demo verbs, run as the built executable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/ExeRunner.h"

namespace {

class InitDemoVerb : public fo::test::ExeTest {
protected:
    fo::test::ExeRun initDemo(std::vector<std::string> args) {
        args.insert(args.begin(), "init-demo");
        return run(std::move(args));
    }
};

TEST_F(InitDemoVerb, WritesTheSchoolAndPrintsItsSummaryButNeverOverAFileOrIntoNoFolder) {
    const std::string db = path("demo.db");
    const auto r = initDemo({db, "--students", "25", "--seed", "3", "--today", "2026-11-05"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("students:              25"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("months carried over:   2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("open month:            202611"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("receipts:"), std::string::npos) << r.out;

    // An existing file is refused untouched.
    const std::string taken = path("taken.db");
    std::ofstream(taken) << "not a fee office";
    const auto refused = initDemo({taken, "--students", "5"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("already exists"), std::string::npos) << refused.err;
    EXPECT_EQ(fo::test::readWholeFile(taken), "not a fee office");
    // A folder that is not there is named as a command line names it.
    const auto missing = initDemo({path("nowhere") + "/demo.db", "--students", "5"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("does not exist (nothing was written)"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.err.find("打开数据库"), std::string::npos) << missing.err;
}

// An empty office: the books check passes, there is no student, and the
// administrator is there to sign in and choose his password. A second init
// on the same file leaves it as it is.
TEST_F(InitDemoVerb, InitWritesEmptyBooksWithTheAdministratorOnlyOnceAndARosterFillsThem) {
    const std::string db = path("office.db");
    const auto r = run({"init", db});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(run({"check", "--db", db}).out, "ok\n");
    EXPECT_EQ(run({"sql", "--db", db, "select count(*) as n from kdw_xs"}).out, "n\n0\n");
    EXPECT_EQ(run({"sql", "--db", db, "select id,admin,pwhash from sys_user"}).out, "id\tadmin\tpwhash\n1\t1\t\n");
    const auto again = run({"init", db});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;
    EXPECT_EQ(run({"sql", "--db", db, "select count(*) as n from sys_user"}).out, "n\n1\n");

    // Its first students come from a roster: each row said first, then the
    // accepted written, the books still in order.
    run({"sql", "--db", db, "insert into kdw_bj(id,mc) values(1,'小班一班')"});
    run({"sql", "--db", db, "insert into kdw_sflx(id,mc,sfxmid,je) values(1,'全日制',0,0)"});
    const std::string roster = path("roster.csv");
    std::ofstream(roster) << "学号,姓名,班级,收费类型\n20260001,王小明,小班一班,全日制\n20260001,李二,小班一班,全日制\n";
    const auto preview = run({"import-students", "--db", db, roster, "--dry-run"});
    EXPECT_EQ(preview.exitCode, 0) << preview.err;
    EXPECT_EQ(preview.out, "2\taccepted\t20260001\t王小明\n3\trefused\t20260001\t李二\t学号20260001已经用过\n"
                           "1 of 2 rows would be imported (dry run: nothing written)\n");
    EXPECT_EQ(run({"sql", "--db", db, "select count(*) as n from kdw_xs"}).out, "n\n0\n");
    const auto imported = run({"import-students", "--db", db, roster});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_NE(imported.out.find("imported 1 students"), std::string::npos) << imported.out;
    EXPECT_EQ(run({"sql", "--db", db, "select xm,jm from kdw_xs"}).out, "xm\tjm\n王小明\tWXM\n");
    EXPECT_EQ(run({"check", "--db", db}).out, "ok\n");
}

}  // namespace
