// The check verb on the built executable: a demo school is ok, a damaged one
// gets one line per fault and exit 1, anything that is not a fee database
// exit 2 and stays as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/ExeRunner.h"

namespace {

class CheckVerb : public fo::test::ExeTest {};

TEST_F(CheckVerb, TheDemoIsOkAndADamagedOneHasItsFaultsListed) {
    const std::string db = path("school.db");
    ASSERT_EQ(run({"init-demo", db, "--students", "30", "--today", "2026-12-06"}).exitCode, 0);
    auto clean = run({"check", "--db", db});
    EXPECT_EQ(clean.exitCode, 0) << clean.out << clean.err;
    EXPECT_EQ(clean.out, "ok\n");

    ASSERT_EQ(run({"sql", "--db", db,
                   "update kdw_sfjl set jmje=jmje+1 where id=(select min(id) from kdw_sfjl where djbh like 'QXJM%')"})
                  .exitCode,
              0);
    ASSERT_EQ(run({"sql", "--db", db, "update qfhzb set fkrq=null where qfkid=(select min(yqfkid) from qfhzb where yqfkid<>0)"})
                  .exitCode,
              0);
    auto damaged = run({"check", "--db", db});
    EXPECT_EQ(damaged.exitCode, 1) << damaged.err;
    EXPECT_NE(damaged.out.find("[mirror-amount]\n"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find("[remainder-orphan]\n"), std::string::npos) << damaged.out;
    EXPECT_EQ(damaged.out.find("ok\n"), std::string::npos);
}

TEST_F(CheckVerb, AnythingButAFeeDatabaseIsRefusedUntouched) {
    const std::string text = path("notes.txt");
    std::ofstream(text) << "not a database\n";
    auto refused = run({"check", "--db", text});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("notes.txt"), std::string::npos) << refused.err;
    EXPECT_EQ(fo::test::readWholeFile(text), "not a database\n");

    EXPECT_EQ(run({"check", "--db", path("missing.db")}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(path("missing.db")));
}

}  // namespace
