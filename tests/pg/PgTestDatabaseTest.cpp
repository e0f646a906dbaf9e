// An operator signed in on a PostgreSQL test's database is that database's
// own role: the behaviour tests' server runs meet his grants, not the owner's.
#include <gtest/gtest.h>

#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "support/DemoDatabase.h"
#include "support/PgTestServer.h"
#include "support/Query.h"

namespace fo::test {
namespace {

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
