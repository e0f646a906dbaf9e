// The drive verb, run as the built executable on a demo fee office: the
// script's status is the exit status, and the operator signs in first. (What
// the script driver does with each line is its own test's, in-process.)
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/ExeRunner.h"

namespace {

class DriveVerb : public fo::test::ExeTest {
protected:
    void SetUp() override {
        ExeTest::SetUp();
        db_ = path("demo.db");
        const auto made = run({"init-demo", db_, "--students", "8", "--today", "2026-10-15"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    fo::test::ExeRun drive(const std::string& script, std::vector<std::string> extra = {}) {
        const std::string file = path("script.txt");
        std::ofstream(file) << script;
        std::vector<std::string> words = {"drive", "--db", db_, "--settings", path("settings")};
        words.insert(words.end(), extra.begin(), extra.end());
        words.push_back(file);
        return run(words);
    }

    std::string db_;
};

TEST_F(DriveVerb, AFailedExpectationExitsOneAndNamesItsLine) {
    const auto r = drive(
        "open frmMsg\n"
        "expect sql \"select count(*) from kdw_xs\" 9\n"
        "close\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("line 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("9"), std::string::npos) << r.out;
}

TEST_F(DriveVerb, ItSignsInWithThePasswordOfAFileOrTheEnvironmentAndRefusesWithoutOne) {
    const std::string script = "open frmMsg\nclick cmdOK\n";
    std::ofstream(path("clerk")) << "li123456\n";
    auto r = drive(script, {"--user", "3", "--password-file", path("clerk")});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    ::unsetenv("FEEOFFICE_PASSWORD");
    r = drive(script);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "feeoffice drive: operator 1 needs his password: --password-file FILE or FEEOFFICE_PASSWORD\n");
    ::setenv("FEEOFFICE_PASSWORD", "li123457", 1);
    r = drive(script, {"--user", "3"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "feeoffice drive: wrong password for operator 3\n");

    // The office's log has each sign-in, the refused one included, and each sign-out.
    const auto log = run({"log", "--db", db_});
    EXPECT_EQ(log.exitCode, 0);
    std::size_t at = 0;
    for (const std::string entry : {"\t登录\t\t\t成功\n", "\t退出登录\t\t\t完成\n", "\t登录失败\t\t\t密码错误\n"}) {
        at = log.out.find(entry, at);
        ASSERT_NE(at, std::string::npos) << entry << log.out;
    }
    EXPECT_EQ(log.out.find("系统管理员"), std::string::npos) << "only 李出纳 signed in";
    EXPECT_NE(log.out.find("\t3 李出纳\t"), std::string::npos);
}

}  // namespace
