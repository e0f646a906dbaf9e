#include <memory>

#include <gtest/gtest.h>

#include "host/api/ModuleGlobals.h"
#include "support/FakeHostSystem.h"

namespace fo {
namespace {

std::shared_ptr<test::FakeHostSystem> hostWithLink(const char* link) {
    return std::make_shared<test::FakeHostSystem>(link, Value(1));
}

// The transaction link string wins; without one, the object's own host
// answers when it has one, the module's host otherwise.
TEST(ModuleLinkStringTest, FallsBackToTheGivenHostThenToGRun) {
    const auto moduleHost = hostWithLink("Provider=SQLite;Data Source=module.db");
    const auto ownHost = hostWithLink("Provider=SQLite;Data Source=own.db");
    {
        test::ScopedHost scoped{moduleHost, "Provider=SQLite;Data Source=trans.db"};
        EXPECT_EQ(moduleLinkString(), "Provider=SQLite;Data Source=trans.db");
        EXPECT_EQ(moduleLinkString(ownHost), "Provider=SQLite;Data Source=trans.db");
    }
    test::ScopedHost scoped{moduleHost, ""};
    EXPECT_EQ(moduleLinkString(), "Provider=SQLite;Data Source=module.db");
    EXPECT_EQ(moduleLinkString(nullptr), "Provider=SQLite;Data Source=module.db");
    EXPECT_EQ(moduleLinkString(ownHost), "Provider=SQLite;Data Source=own.db");
}

}  // namespace
}  // namespace fo
