#include <gtest/gtest.h>

#include "bills/SqlNumber.h"

namespace fo {
namespace {

TEST(SqlNumberLiteral, PlainDecimalsAreWrittenInCanonicalForm) {
    EXPECT_EQ(sqlNumberLiteral("12", false), "12");
    EXPECT_EQ(sqlNumberLiteral("  12.50\t", false), "12.50");
    EXPECT_EQ(sqlNumberLiteral("+5", false), "5");
    EXPECT_EQ(sqlNumberLiteral("-3.25", false), "-3.25");
    EXPECT_EQ(sqlNumberLiteral(".5", false), "0.5");
    EXPECT_EQ(sqlNumberLiteral("-.5", false), "-0.5");
    EXPECT_EQ(sqlNumberLiteral("12.", false), "12");
    // Ids far beyond the range of a currency amount pass through unchanged.
    EXPECT_EQ(sqlNumberLiteral("123456789012345678901", false), "123456789012345678901");
    // Empty text is zero only where the caller allows it.
    EXPECT_EQ(sqlNumberLiteral("   ", true), "0");
    EXPECT_EQ(sqlNumberLiteral(" ", false), std::nullopt);
}

TEST(SqlNumberLiteral, TextThatIsNotWhollyANumberIsRefused) {
    for (const char* text : {"abc", "12abc", "12.5元", "1 2", "1.2.3", "-", "+", ".", "1e3", "0x10",
                             "--1", "1-", "1); delete from PjML; --", "'1'"}) {
        EXPECT_EQ(sqlNumberLiteral(text, true), std::nullopt) << text;
    }
}

TEST(ValueNumberLiteral, FieldValuesByKind) {
    EXPECT_EQ(valueNumberLiteral(Value(), true), "0");
    EXPECT_EQ(valueNumberLiteral(Value(), false), std::nullopt);
    EXPECT_EQ(valueNumberLiteral(Value(42), false), "42");
    EXPECT_EQ(valueNumberLiteral(Value(Currency::fromRaw(125000)), false), "12.5");
    // A double is written as the nearest four-decimal amount, never in
    // exponent form.
    EXPECT_EQ(valueNumberLiteral(Value(0.1 + 0.2), false), "0.3");
    EXPECT_EQ(valueNumberLiteral(Value(1e-7), false), "0");
    EXPECT_EQ(valueNumberLiteral(Value(" 22 "), false), "22");
    EXPECT_EQ(valueNumberLiteral(Value("二十"), false), std::nullopt);
    EXPECT_EQ(valueNumberLiteral(Value(DateTime{2026, 9, 1}), true), std::nullopt);
}

}  // namespace
}  // namespace fo
