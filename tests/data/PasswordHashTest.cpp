// Operators' passwords: hashes that check what they were made from and
// nothing else.
#include <gtest/gtest.h>

#include "data/PasswordHash.h"

namespace fo {
namespace {

TEST(PasswordHash, AHashChecksItsOwnPasswordOnlyAndClearTextMatchesNothing) {
    const std::string first = password::hash("王会计的密码"), second = password::hash("王会计的密码");
    EXPECT_TRUE(password::isHash(first));
    EXPECT_NE(first, second) << "each hash has its own salt";
    EXPECT_TRUE(password::matches(first, "王会计的密码"));
    EXPECT_TRUE(password::matches(second, "王会计的密码"));
    EXPECT_FALSE(password::matches(first, "王会计的密"));
    EXPECT_FALSE(password::matches(first, ""));
    // A password kept in clear, or none, is no hash: nothing matches it.
    EXPECT_FALSE(password::matches("secret", "secret"));
    EXPECT_FALSE(password::matches("", ""));
}

}  // namespace
}  // namespace fo
