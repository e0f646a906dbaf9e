// The check verb on the built executable: a demo school is ok, a damaged one
// gets one line per fault and exit 1, anything that is not a fee database
// exit 2 and stays as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ExeRunner.h"

namespace {

class CheckVerb : public fo::test::ExeTest {};

TEST_F(CheckVerb, TheDemoIsOkAndADamagedOneHasItsFaultsListed) {
    const std::string db = path("school.db");
    ASSERT_EQ(run({"init-demo", db, "--students", "30", "--today", "2026-12-06"}).exitCode, 0);
    auto clean = run({"check", "--db", db});
    EXPECT_EQ(clean.exitCode, 0) << clean.out << clean.err;
    EXPECT_EQ(clean.out, "ok\n");

    // A removed trail shows, both ways: a reduction whose log row is gone,
    // and a log row of a void whose receipt was turned back to live. (Each
    // fault of the books themselves: the books check's own tests.)
    const auto damage = run({"sql", "--db", db,
                             "delete from sys_log where id=(select min(id) from sys_log where operation='减免');"
                             "update PJML set pjState='' where djbh=(select min(djbh) from sys_log where"
                             " operation='作废票据')"});
    ASSERT_EQ(damage.exitCode, 0) << damage.err;
    auto damaged = run({"check", "--db", db});
    EXPECT_EQ(damaged.exitCode, 1) << damaged.err;
    EXPECT_NE(damaged.out.find("在操作日志中没有记载。 [audit-missing]\n"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find("在账中不存在或没有作废。 [audit-orphan]\n"), std::string::npos) << damaged.out;
    EXPECT_EQ(damaged.out.find("ok\n"), std::string::npos);
}

TEST_F(CheckVerb, AnythingButAFeeDatabaseIsRefusedUntouched) {
    const std::string text = path("notes.txt");
    std::ofstream(text) << "not a database\n";
    auto refused = run({"check", "--db", text});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("notes.txt"), std::string::npos) << refused.err;
    EXPECT_EQ(fo::test::readWholeFile(text), "not a database\n");

    // Every verb says the same of a database that is not there, in the
    // command line's words, and exits 2.
    const std::string missing = path("missing.db");
    const std::vector<std::vector<std::string>> verbs = {
        {"check", "--db", missing}, {"sql", "--db", missing, "select 1"}, {"log", "--db", missing},
        {"copy", "--from", missing, "--to", path("to.db")}, {"month-end", "--db", missing},
        {"drive", "--db", missing, text}, {"tour", "--db", missing, "--out", path("pictures")}};
    for (const auto& words : verbs) {
        const auto r = run(words);
        EXPECT_EQ(r.exitCode, 2) << words.front() << r.err;
        EXPECT_EQ(r.err.find("重新选择"), std::string::npos) << words.front() << r.err;
        if (words.front() != "drive") {
            EXPECT_NE(r.err.find("no fee database at"), std::string::npos) << words.front() << r.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
