#include <gtest/gtest.h>

#include <stdexcept>

#include "db/values/Currency.h"

using fo::Currency;

namespace {

Currency money(const char* text) { return *Currency::parse(text); }

TEST(Currency, FromDoubleTakesTheNearestFourDecimalValue) {
    EXPECT_EQ(Currency::fromDouble(0.1).raw(), 1000);
    EXPECT_EQ(Currency::fromDouble(0.1 + 0.2).raw(), 3000);  // 0.30000000000000004
    EXPECT_EQ(Currency::fromDouble(2.345).raw(), 23450);
    EXPECT_EQ(Currency::fromDouble(1.23455).raw(), 12346);
    EXPECT_EQ(Currency::fromDouble(-1.23455).raw(), -12346);
    EXPECT_EQ(Currency::fromDouble(-5.55e-17).raw(), 0);
    EXPECT_THROW(Currency::fromDouble(1.0 / 0.0), std::domain_error);
}

TEST(Currency, ParseAcceptsOnlyPlainDecimalText) {
    EXPECT_EQ(money("-12.5").raw(), -125000);
    EXPECT_EQ(money("0.00").raw(), 0);
    EXPECT_EQ(money("+3").raw(), 30000);
    EXPECT_EQ(money(".5").raw(), 5000);
    EXPECT_EQ(money("7.").raw(), 70000);
    EXPECT_EQ(money("1.00005").raw(), 10001);   // fifth decimal rounds half away
    EXPECT_EQ(money("-1.00005").raw(), -10001);
    EXPECT_EQ(money("1.000049999").raw(), 10000);
    for (const char* bad : {"", "-", ".", "1e3", "1.2.3", "12元", "abc", "1 2"})
        EXPECT_FALSE(Currency::parse(bad).has_value()) << bad;
    EXPECT_FALSE(Currency::parse("99999999999999999999").has_value());
}

TEST(Currency, ProductsAndQuotientsRoundHalfAwayFromZero) {
    EXPECT_EQ((money("0.0001") * money("0.5")).raw(), 1);   // 0.00005 -> 0.0001
    EXPECT_EQ((money("-0.0001") * money("0.5")).raw(), -1);
    EXPECT_EQ((money("12.34") * money("3")).raw(), 370200);
    EXPECT_EQ((money("10") / money("3")).raw(), 33333);
    EXPECT_EQ((money("2") / money("3")).raw(), 6667);
    EXPECT_EQ((money("-2") / money("3")).raw(), -6667);
    EXPECT_EQ((money("1") / money("-8")).raw(), -1250);
    EXPECT_THROW(money("1") / Currency(), std::domain_error);
}

TEST(Currency, RoundHalfEvenAndHalfAwayDifferOnlyOnExactHalves) {
    EXPECT_EQ(money("2.345").roundHalfEven(2), money("2.34"));
    EXPECT_EQ(money("2.355").roundHalfEven(2), money("2.36"));
    EXPECT_EQ(money("2.345").roundHalfAway(2), money("2.35"));
    EXPECT_EQ(money("-2.345").roundHalfEven(2), money("-2.34"));
    EXPECT_EQ(money("-2.345").roundHalfAway(2), money("-2.35"));
    EXPECT_EQ(money("2.3451").roundHalfEven(2), money("2.35"));
    EXPECT_EQ(money("0.5").roundHalfEven(0), money("0"));
    EXPECT_EQ(money("1.5").roundHalfEven(0), money("2"));
    EXPECT_EQ(money("0.5").roundHalfAway(0), money("1"));
    EXPECT_EQ(money("1.23456").roundHalfAway(4), money("1.2346"));
}

TEST(Currency, Format00ShowsTwoDecimalsRoundedHalfAway) {
    EXPECT_EQ(money("2.345").format00(), "2.35");
    EXPECT_EQ(money("-0.005").format00(), "-0.01");
    EXPECT_EQ(money("-0.004").format00(), "0.00");
    EXPECT_EQ(Currency().format00(), "0.00");
    EXPECT_EQ(money("1234567.8").format00(), "1234567.80");
    EXPECT_EQ(money("-12").format00(), "-12.00");
    EXPECT_EQ(money("0.07").format00(), "0.07");
}

TEST(Currency, PlainTextDropsTrailingZeros) {
    EXPECT_EQ(money("50").plainText(), "50");
    EXPECT_EQ(money("12.50").plainText(), "12.5");
    EXPECT_EQ(money("0.1").plainText(), "0.1");
    EXPECT_EQ(money("-3").plainText(), "-3");
    EXPECT_EQ(money("-0.25").plainText(), "-0.25");
    EXPECT_EQ(money("0.0005").plainText(), "0.0005");
    EXPECT_EQ(Currency().plainText(), "0");
}

}  // namespace
