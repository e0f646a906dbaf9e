#include <gtest/gtest.h>

#include "db/values/Value.h"

using fo::Currency;
using fo::Value;

namespace {

Currency amount(const char* text) { return *Currency::parse(text); }

TEST(LeadingNumber, ReadsTheNumericStartOfTypedText) {
    EXPECT_EQ(fo::leadingNumber("12.5元"), amount("12.5"));
    EXPECT_EQ(fo::leadingNumber("abc"), Currency());
    EXPECT_EQ(fo::leadingNumber(""), Currency());
    EXPECT_EQ(fo::leadingNumber(" -3.2x"), amount("-3.2"));
    EXPECT_EQ(fo::leadingNumber("1.2.3"), amount("1.2"));
    EXPECT_EQ(fo::leadingNumber("-.5"), amount("-0.5"));
    EXPECT_EQ(fo::leadingNumber("+7"), amount("7"));
    EXPECT_EQ(fo::leadingNumber("0.123456"), amount("0.1235"));
    EXPECT_EQ(fo::leadingNumber("-"), Currency());
    EXPECT_EQ(fo::leadingNumber("x12"), Currency());
}

TEST(Value, ConvertsToCurrencyDoublesDatesAndWholeNumbers) {
    EXPECT_EQ(Value(0.1 + 0.2).toCurrency(), amount("0.3"));
    EXPECT_EQ(Value(std::int64_t{42}).toCurrency(), amount("42"));
    EXPECT_EQ(Value("12.5元").toCurrency(), amount("12.5"));
    EXPECT_EQ(Value().toCurrency(), Currency());
    EXPECT_EQ(Value(*fo::DateTime::parse("2026-01-01")).toCurrency(), Currency());
    // To doubles and dates.
    EXPECT_DOUBLE_EQ(Value(" 1.25kg").toDouble(), 1.25);
    EXPECT_DOUBLE_EQ(Value(amount("-0.75")).toDouble(), -0.75);
    ASSERT_TRUE(Value("2026-05-06 07:08").toDate().has_value());
    EXPECT_EQ(Value("2026-05-06 07:08").toDate()->dateTimeText(), "2026-05-06 07:08:00");
    EXPECT_FALSE(Value("2026-02-30").toDate().has_value());
    EXPECT_FALSE(Value(20260506).toDate().has_value());
    // To whole numbers, half to even.
    EXPECT_EQ(Value(2.5).toInt(), 2);
    EXPECT_EQ(Value(3.5).toInt(), 4);
    EXPECT_EQ(Value(-2.5).toInt(), -2);
    EXPECT_EQ(Value(amount("0.5")).toInt(), 0);
    EXPECT_EQ(Value(amount("1.5")).toInt(), 2);
    EXPECT_EQ(Value(amount("1.5001")).toInt(), 2);
    EXPECT_EQ(Value("7.5天").toInt(), 8);
    EXPECT_EQ(Value().toInt(), 0);
}

TEST(Value, TextForms) {
    EXPECT_EQ(Value().toText(), "");
    EXPECT_EQ(Value(42).toText(), "42");
    EXPECT_EQ(Value(amount("12.50")).toText(), "12.5");
    EXPECT_EQ(Value(0.1).toText(), "0.1");
    EXPECT_EQ(Value(*fo::DateTime::parse("2026-01-02")).toText(), "2026-01-02");
    EXPECT_EQ(Value(*fo::DateTime::parse("2026-01-02 03:04:05")).toText(), "2026-01-02 03:04:05");
    EXPECT_EQ(fo::format00(Value(2.345)), "2.35");
    EXPECT_EQ(fo::format00(Value("abc")), "0.00");
    EXPECT_EQ(fo::plainAmount(Value(50)), "50");
    EXPECT_EQ(fo::plainAmount(Value(" 12.50")), "12.5");
}

TEST(Value, EqualityComparesNumbersByValueAcrossKinds) {
    EXPECT_EQ(Value(3), Value(amount("3")));
    EXPECT_EQ(Value(amount("0.1")), Value(0.1));
    EXPECT_EQ(Value(2), Value(2.0));
    EXPECT_EQ(Value(std::size_t{2}).kind(), Value::Kind::Integer);
    EXPECT_EQ(Value(2LL), Value(2));
    EXPECT_NE(Value(amount("3.0001")), Value(3));
    EXPECT_NE(Value("3"), Value(3));  // text is not a number
    EXPECT_EQ(Value("张三"), Value(std::string("张三")));
    EXPECT_NE(Value("a"), Value("A"));
    EXPECT_EQ(Value(), Value::null());
    EXPECT_NE(Value(), Value(0));
    EXPECT_NE(Value(), Value(""));
}

}  // namespace
