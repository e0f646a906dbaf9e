#include <gtest/gtest.h>

#include "ui/Form.h"
#include "ui/controls/TextBox.h"
#include "ui/UiFixture.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

// What the filter leaves of `key` typed into `text` with the caret at
// `caret` and `sel` characters selected.
int filtered(int key, const std::string& text, int length, int dot, int caret, int sel = 0) {
    int k = key;
    NumContral(k, text, length, dot, caret, sel);
    return k;
}

TEST(NumContral, IntegerPartFullAcceptsThePointButNoFurtherDigit) {
    EXPECT_EQ(filtered('.', "123456", 8, 2, 6), '.');
    EXPECT_EQ(filtered('7', "123456", 8, 2, 6), 0);
}

TEST(NumContral, DecimalsFullRejectAThirdDecimalButNotADigitBeforeThePoint) {
    EXPECT_EQ(filtered('3', "1234.56", 8, 2, 7), 0);
    EXPECT_EQ(filtered('9', "1234.56", 8, 2, 4), '9');
    EXPECT_EQ(filtered('9', "1234.56", 8, 2, 6, 1), '9') << "a selected decimal may be overtyped";
}

TEST(NumContral, OnlyDigitsPointAndMinusPass) {
    EXPECT_EQ(filtered('a', "12", 8, 2, 2), 0);
    EXPECT_EQ(filtered(0x5143, "12", 8, 2, 2), 0);  // 元
    EXPECT_EQ(filtered('-', "12", 8, 2, 0), '-');
    EXPECT_EQ(filtered(' ', "", 8, 2, 0), 0);
}

TEST(NumContral, ThePointNeedsADigitBeforeItNoOtherPointAndRoomForTheDecimals) {
    EXPECT_EQ(filtered('.', "", 8, 2, 0), 0);
    EXPECT_EQ(filtered('.', "1.5", 8, 2, 3), 0);
    EXPECT_EQ(filtered('.', "12345", 8, 2, 2), 0) << "three digits would follow the point";
    EXPECT_EQ(filtered('.', "12345", 8, 2, 3), '.');
}

TEST(NumContral, AFullTextTakesNoKeyButEditingKeysAlwaysPass) {
    EXPECT_EQ(filtered('1', "1234.56", 7, 2, 0), 0);
    EXPECT_EQ(filtered('-', "1234.56", 7, 2, 0), 0);
    for (int k : {8, 13, 37, 38, 39, 40}) EXPECT_EQ(filtered(k, "1234.56", 7, 2, 7), k) << k;
}

TEST(NumContral, IgnoredKeysAreBackspaceAndArrowsOnly) {
    for (int k : {8, 37, 38, 39, 40}) EXPECT_TRUE(NUM_ignore(k)) << k;
    for (int k : {13, 27, 45, 46, 48, 9}) EXPECT_FALSE(NUM_ignore(k)) << k;
}

class NumericBoxTest : public UiTest {};

TEST_F(NumericBoxTest, ABoxFilteredKeyByKeyKeepsTwoDecimals) {
    Form f("frmNum");
    TextBox t(f, "Txt_write");
    t.KeyPress = [&](int& k) { NumContral(k, t.text(), 10, 2, t.selStart(), t.selLength()); };
    t.userType("12.3456");
    EXPECT_EQ(t.text(), "12.34");
    t.setText("");
    t.userType("a1b2.c5");
    EXPECT_EQ(t.text(), "12.5");
}

}  // namespace
}  // namespace fo::test
