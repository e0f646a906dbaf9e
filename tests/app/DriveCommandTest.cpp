// The drive verb, run as the built executable on a demo fee office: the
// script's status is the exit status, and the operator signs in first. (What
// the script driver does with each line is its own test's, in-process.)
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

TEST_F(DriveVerb, ItSignsInWithThePasswordOfAFileOrTheEnvironmentRefusesWithoutOneAndExitsWithTheScriptsStatus) {
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
    std::istringstream lines(log.out);
    for (std::string line; std::getline(lines, line);)
        if (line.find("登录") != std::string::npos) {
            EXPECT_NE(line.find("\t3 李出纳\t"), std::string::npos) << line;
        }

    // Signed in from the environment, a failed expectation exits 1 naming its line.
    ::setenv("FEEOFFICE_PASSWORD", fo::test::kDemoAdminPassword, 1);
    r = drive("open frmMsg\nexpect sql \"select count(*) from kdw_xs\" 9\nclose\n");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("FAIL line 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("9"), std::string::npos) << r.out;
}

// A probe reads and never writes, and only an administrator's script probes:
// a clerk's script cannot make him administrator or erase his trail.
TEST_F(DriveVerb, AProbeNeverWritesAndIsAnAdministratorsStep) {
    ::setenv("FEEOFFICE_PASSWORD", "admin123", 1);
    for (const std::string sql : {"update sys_user set admin=1 where id=3", "delete from sys_log",
                                  "select 1; delete from sys_log"}) {
        const auto r = drive("expect sql \"" + sql + "\" 0\n");
        EXPECT_EQ(r.exitCode, 2) << sql << r.out << r.err;
    }
    EXPECT_EQ(drive("expect sql \"select admin from sys_user where id=3\" 0\n").exitCode, 0);
    EXPECT_NE(run({"log", "--db", db_}).out, "");

    std::ofstream(path("clerk")) << "li123456\n";
    const auto r = drive("expect sql \"select count(*) from sys_user\" 3\n", {"--user", "3", "--password-file", path("clerk")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("administrator"), std::string::npos) << r.err;
}

// Rights hold in the windows, whoever opens them, once he signed in with
// his password: operator 3 may look at receipts but neither reprint nor void
// them, and may not open a batch window at all, be it through the entry
// operation or the window's own name; operator 2 has the right to reprint.
TEST_F(DriveVerb, AClerkCannotDoWhatHisRightsDoNotAllowThroughAnyEntry) {
    std::ofstream(path("clerk")) << "li123456\n";
    std::ofstream(path("accountant")) << "zhang123\n";
    const std::vector<std::string> clerk = {"--user", "3", "--password-file", path("clerk")};
    auto r = drive("open ShowPJinfo\nexpect enabled cmdZF 0\nexpect enabled cmdPrintRe 0\nclick cmdZF\n", clerk);
    EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
    EXPECT_NE(r.err.find("'cmdZF' is disabled"), std::string::npos) << r.err;
    r = drive("open ShowPJinfo\nexpect enabled cmdPrintRe 1\n", {"--user", "2", "--password-file", path("accountant")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    for (const std::string window : {"ShowBachJm", "frmJmBachList", "frmBachJM", "frmBachJM_next"}) {
        r = drive("open " + window + "\n", clerk);
        EXPECT_EQ(r.exitCode, 0) << window << r.err;
        EXPECT_EQ(r.out, "message 提示|您没有“批量减免、应收明细表-减免”的权限，请与管理员联系。\n") << window;
    }
    // What he may do stays open to him: single reductions.
    r = drive("open ShowJMJL\nclose\n", clerk);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("open frmjmjlNew\n"), std::string::npos) << r.out;
}

}  // namespace
