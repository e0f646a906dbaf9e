#pragma once
#include <string>

#include <gtest/gtest.h>

namespace fo::test {

// Dialect codes as the host reports them: 1 SQL Server, 0 Access.
inline constexpr int kSqlServer = 1;
inline constexpr int kAccess = 0;

// Base of a test that runs once per dialect; GetParam() is the dialect code.
class DialectTest : public ::testing::TestWithParam<int> {
protected:
    int dialectCode() const { return GetParam(); }
    bool sqlServer() const { return GetParam() == kSqlServer; }
};

// Test names read "…/SqlServer" and "…/Access".
inline std::string dialectName(const ::testing::TestParamInfo<int>& info) {
    return info.param == kSqlServer ? "SqlServer" : "Access";
}

}  // namespace fo::test

// Runs every TEST_P of `suite` in both dialects.
#define FO_INSTANTIATE_DIALECTS(suite)                                                  \
    INSTANTIATE_TEST_SUITE_P(Dialects, suite,                                           \
                             ::testing::Values(::fo::test::kSqlServer, ::fo::test::kAccess), \
                             ::fo::test::dialectName)
