#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>
#include <vector>

#include "db/values/Currency.h"

using fo::Currency;

namespace {

Currency money(const char* text) { return *Currency::parse(text); }

TEST(Currency, FromDoubleTakesTheNearestFourDecimalValue) {
    for (const auto& [value, raw] : std::vector<std::pair<double, std::int64_t>>{
             {0.1, 1000}, {0.1 + 0.2, 3000}, {2.345, 23450}, {1.23455, 12346}, {-1.23455, -12346}, {-5.55e-17, 0}})
        EXPECT_EQ(Currency::fromDouble(value).raw(), raw) << value;
    EXPECT_THROW(Currency::fromDouble(1.0 / 0.0), std::domain_error);
}

// A fifth decimal rounds half away from zero.
TEST(Currency, ParseAcceptsOnlyPlainDecimalText) {
    for (const auto& [text, raw] : std::vector<std::pair<const char*, std::int64_t>>{
             {"-12.5", -125000}, {"0.00", 0}, {"+3", 30000}, {".5", 5000}, {"7.", 70000}, {"1.00005", 10001},
             {"-1.00005", -10001}, {"1.000049999", 10000}})
        EXPECT_EQ(money(text).raw(), raw) << text;
    for (const char* bad : {"", "-", ".", "1e3", "1.2.3", "12元", "abc", "1 2", "99999999999999999999"})
        EXPECT_FALSE(Currency::parse(bad).has_value()) << bad;
}

TEST(Currency, ProductsAndQuotientsRoundHalfAwayFromZero) {
    EXPECT_EQ((money("0.0001") * money("0.5")).raw(), 1);   // 0.00005 -> 0.0001
    EXPECT_EQ((money("-0.0001") * money("0.5")).raw(), -1);
    EXPECT_EQ((money("12.34") * money("3")).raw(), 370200);
    for (const auto& [dividend, divisor, raw] : std::vector<std::tuple<const char*, const char*, std::int64_t>>{
             {"10", "3", 33333}, {"2", "3", 6667}, {"-2", "3", -6667}, {"1", "-8", -1250}})
        EXPECT_EQ((money(dividend) / money(divisor)).raw(), raw) << dividend << "/" << divisor;
    EXPECT_THROW(money("1") / Currency(), std::domain_error);
}

TEST(Currency, RoundHalfEvenAndHalfAwayDifferOnlyOnExactHalves) {
    // value, decimals, half even, half away
    for (const auto& [value, decimals, even, away] : std::vector<std::tuple<const char*, int, const char*, const char*>>{
             {"2.345", 2, "2.34", "2.35"}, {"2.355", 2, "2.36", "2.36"}, {"-2.345", 2, "-2.34", "-2.35"},
             {"2.3451", 2, "2.35", "2.35"}, {"0.5", 0, "0", "1"}, {"1.5", 0, "2", "2"}, {"1.23456", 4, "1.2346", "1.2346"}}) {
        EXPECT_EQ(money(value).roundHalfEven(decimals), money(even)) << value;
        EXPECT_EQ(money(value).roundHalfAway(decimals), money(away)) << value;
    }
}

// Two decimals rounded half away, and the plain text without trailing zeros.
TEST(Currency, Format00ShowsTwoDecimalsRoundedHalfAwayAndPlainTextDropsTrailingZeros) {
    for (const auto& [value, twoDecimals, plain] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"2.345", "2.35", "2.345"}, {"-0.005", "-0.01", "-0.005"}, {"-0.004", "0.00", "-0.004"}, {"0", "0.00", "0"},
             {"1234567.8", "1234567.80", "1234567.8"}, {"-12", "-12.00", "-12"}, {"0.07", "0.07", "0.07"},
             {"50", "50.00", "50"}, {"12.50", "12.50", "12.5"}, {"-0.25", "-0.25", "-0.25"}, {"0.0005", "0.00", "0.0005"}}) {
        EXPECT_EQ(money(value).format00(), twoDecimals) << value;
        EXPECT_EQ(money(value).plainText(), plain) << value;
    }
    EXPECT_EQ(Currency().plainText(), "0");
}

}  // namespace
