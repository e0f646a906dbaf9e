#include <gtest/gtest.h>

#include "bills/SqlNumber.h"

namespace fo {
namespace {

TEST(SqlNumberLiteral, PlainDecimalsInCanonicalFormAndEverythingElseRefused) {
    const std::pair<const char*, const char*> accepted[] = {
        {"  12.50\t", "12.50"}, {"+5", "5"}, {"-.5", "-0.5"}, {"12.", "12"},
        // Ids beyond the range of a currency amount pass through unchanged.
        {"123456789012345678901", "123456789012345678901"}};
    for (const auto& [text, literal] : accepted) EXPECT_EQ(sqlNumberLiteral(text, false), literal) << text;
    for (const char* text : {"12.5元", "1 2", "1.2.3", "-", ".", "1e3", "0x10", "--1", "1); delete from PjML; --"})
        EXPECT_EQ(sqlNumberLiteral(text, true), std::nullopt) << text;
    // Empty text is zero only where the caller allows it.
    EXPECT_EQ(sqlNumberLiteral("   ", true), "0");
    EXPECT_EQ(sqlNumberLiteral(" ", false), std::nullopt);
}

TEST(ValueNumberLiteral, FieldValuesByKind) {
    EXPECT_EQ(valueNumberLiteral(Value(), true), "0");
    EXPECT_EQ(valueNumberLiteral(Value(), false), std::nullopt);
    EXPECT_EQ(valueNumberLiteral(Value(Currency::fromRaw(125000)), false), "12.5");
    // A double is written as the nearest four-decimal amount, never in
    // exponent form.
    EXPECT_EQ(valueNumberLiteral(Value(0.1 + 0.2), false), "0.3");
    EXPECT_EQ(valueNumberLiteral(Value(1e-7), false), "0");
    EXPECT_EQ(valueNumberLiteral(Value(" 22 "), false), "22");
    EXPECT_EQ(valueNumberLiteral(Value(DateTime{2026, 9, 1}), true), std::nullopt);
}

}  // namespace
}  // namespace fo
