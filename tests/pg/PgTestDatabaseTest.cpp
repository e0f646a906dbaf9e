// The databases every PostgreSQL test runs on: each test's is a clone of its
// template as the template was made, whether the cluster's filler made it
// ahead or the test made it itself, and what one test writes no other sees;
// an operator signed in on one is that database's own role.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "support/DemoDatabase.h"
#include "support/PgTestServer.h"
#include "support/Query.h"

namespace fo::test {
namespace {

constexpr const char* kTemplate = "fo_tpl_isolation";

void fillTemplate(const std::string& link) {
    openConnection(pgTestLink("postgres"))->execute("create database " + pgLinkParts(link).database);
    ConnectionPtr cn = openConnection(link);
    cn->execute("create table public.marks (id integer primary key, note varchar(20))");
    cn->execute("insert into public.marks values (1, 'template')");
    cn->close();
}

std::vector<std::string> notes(const PgTestDatabase& db) {
    ConnectionPtr cn = openConnection(db.link());
    std::vector<std::string> texts = firstColumn(*cn, "select note from public.marks order by id");
    cn->close();
    return texts;
}

std::vector<std::string> readyClones() {
    ConnectionPtr server = openConnection(pgTestLink("postgres"));
    return firstColumn(*server, std::string("select datname from pg_database where starts_with(datname, 'fo_ready__") +
                                    kTemplate + "__') order by oid");
}

TEST(PgTestDatabase, EachTestGetsThePristineTemplateAndNoOneElsesWrites) {
    ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only";
    const std::vector<std::string> pristine = {"template"};
    {
        PgTestDatabase first(kTemplate, fillTemplate);
        PgTestDatabase second(kTemplate, fillTemplate);
        EXPECT_NE(first.link(), second.link());
        openConnection(first.link())->execute("insert into public.marks values (2, 'first')");
        EXPECT_EQ(notes(second), pristine);
        EXPECT_EQ(notes(first), (std::vector<std::string>{"template", "first"}));
    }
    // The filler clones the template, never a database a test has used.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (readyClones().empty() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::vector<std::string> ready = readyClones();
    ASSERT_FALSE(ready.empty()) << "the cluster's filler made no clone of " << kTemplate;

    PgTestDatabase taken(kTemplate, fillTemplate);
    EXPECT_EQ(notes(taken), pristine);
    const std::vector<std::string> left = readyClones();
    EXPECT_TRUE(std::find(left.begin(), left.end(), ready.front()) == left.end())
        << "the first ready clone " << ready.front() << " was not the one taken";
}

// The behaviour tests post as the signed-in operator's role, the roles the
// demo's template made shared by no other test's clone, and arrange and read
// as the owner.
TEST(PgSignedInOperator, TheHostsSessionsAreTheOperatorsOwnRoleAndTheTestsStayTheOwners) {
    ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only";
    TempDir dir;
    const DemoOptions demo{120, 1, "2026-12-06"};
    DemoDatabase first(dir, demo), second(dir, demo);
    PgSignedInOperator clerk(first.location(), 3);
    const std::string role = scalar(*openConnection(first.location()), "select session_user").toText();
    EXPECT_EQ(role, pgLinkParts(first.location()).database + "_op3");
    EXPECT_THROW(openConnection(first.location())->execute("delete from sys_log"), DbError);
    EXPECT_EQ(scalar(*openAsOwner(first.location()), "select session_user").toText(), "feeoffice");
    EXPECT_NE(scalar(*openAsOwner(second.location()), "select rolename from fo_operator_roles where userid=3").toText(),
              role);
}

}  // namespace
}  // namespace fo::test
