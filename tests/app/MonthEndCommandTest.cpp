// The month-end verb on a demo office: an administrator's step, signed in
// and logged, that carries a month over before its last day only when the
// month is named.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/ExeRunner.h"

namespace {

class MonthEndVerb : public fo::test::ExeTest {};

TEST_F(MonthEndVerb, OnlyAnAdministratorCarriesOverAndAMonthNotOverMustBeNamed) {
    const std::string db = path("school.db");
    ASSERT_EQ(run({"init-demo", db, "--students", "12", "--today", "2026-12-07"}).exitCode, 0);
    std::ofstream(path("clerk")) << "zhang123\n";
    std::ofstream(path("admin")) << "admin123\n";

    auto r = run({"month-end", "--db", db, "--today", "2026-12-07", "--user", "2", "--password-file", path("clerk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("only an administrator"), std::string::npos) << r.err;

    const std::vector<std::string> admin = {"month-end", "--db", db, "--password-file", path("admin"), "--today", "2026-12-07"};
    r = run(admin);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("202612 is not over yet; name it with --month 202612"), std::string::npos) << r.err;
    auto words = admin;
    words.insert(words.end(), {"--month", "202611"});
    EXPECT_EQ(run(words).exitCode, 1);
    EXPECT_EQ(run({"sql", "--db", db, "select count(*) from hisxsinfo where jzyf='202612'"}).out, "count(*)\n0\n");

    words = admin;
    words.insert(words.end(), {"--month", "202612"});
    r = run(words);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("carried over 202612"), std::string::npos) << r.out;
    EXPECT_NE(run({"log", "--db", db}).out.find("\t月末结转\t202612\t"), std::string::npos);
    EXPECT_EQ(run({"check", "--db", db}).out, "ok\n");
}

}  // namespace
