// The drive verb, run as the built executable on a demo fee office: what a
// script prints, and the exit status that tells a caller how it went.
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

    fo::test::ExeRun drive(const std::string& script) {
        const std::string file = path("script.txt");
        std::ofstream(file) << script;
        return run({"drive", "--db", db_, "--settings", path("settings"), file});
    }

    std::string db_;
};

TEST_F(DriveVerb, ANestedYesNoBoxAnsweredByTheScriptExitsZero) {
    const auto r = drive(
        "# the yes/no box\n"
        "open frmMsg\n"
        "expect cmdOk 是\n"
        "click cmdOK\n"
        "expect sql \"select count(*) from kdw_xs\" 8\n");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "open frmMsg\nclose frmMsg\n");
}

TEST_F(DriveVerb, AFailedExpectationExitsOneAndNamesItsLine) {
    const auto r = drive(
        "open frmMsg\n"
        "expect sql \"select count(*) from kdw_xs\" 9\n"
        "close\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("line 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("9"), std::string::npos) << r.out;
}

TEST_F(DriveVerb, ScriptErrorsExitTwo) {
    for (const std::string script : {"frobnicate frmMsg\n", "open frmNoSuchWindow\n",
                                     "open frmMsg\nclick cmdNoSuchButton\n"}) {
        const auto r = drive(script);
        EXPECT_EQ(r.exitCode, 2) << script << r.out << r.err;
        EXPECT_NE(r.err.find("line"), std::string::npos) << script << r.err;
    }
}

}  // namespace
