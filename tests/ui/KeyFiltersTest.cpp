#include <gtest/gtest.h>

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

// A full integer part taking the point but no further digit, typed at the
// end: the script driver's `type` into the probe's amount box.
TEST(NumContral, KeysPassOnlyWhereTheNumberStillFitsItsDigitsAndDecimals) {
    struct Case {
        int key;
        const char* text;
        int length, caret, sel, passes;
        const char* why;
    };
    const Case cases[] = {
        {'3', "1234.56", 8, 7, 0, 0, "no third decimal"},
        {'9', "1234.56", 8, 4, 0, '9', "a digit before the point"},
        {'9', "1234.56", 8, 6, 1, '9', "a selected decimal may be overtyped"},
        {'a', "12", 8, 2, 0, 0, "letters"},
        {0x5143, "12", 8, 2, 0, 0, "元"},
        {'-', "12", 8, 0, 0, '-', "the minus"},
        {' ', "", 8, 0, 0, 0, "blanks"},
        {'.', "", 8, 0, 0, 0, "a point needs a digit before it"},
        {'.', "1.5", 8, 3, 0, 0, "no second point"},
        {'.', "12345", 8, 2, 0, 0, "three digits would follow the point"},
        {'.', "12345", 8, 3, 0, '.', "two digits follow the point"},
        {'1', "1234.56", 7, 0, 0, 0, "a full text takes no digit"},
        {'-', "1234.56", 7, 0, 0, 0, "nor a minus"},
    };
    for (const Case& c : cases) EXPECT_EQ(filtered(c.key, c.text, c.length, 2, c.caret, c.sel), c.passes) << c.why;
    for (int k : {8, 13, 37, 38, 39, 40}) EXPECT_EQ(filtered(k, "1234.56", 7, 2, 7), k) << "editing key " << k;
    // The keys ignored outright are backspace and the arrows only.
    for (int k : {8, 37, 38, 39, 40}) EXPECT_TRUE(NUM_ignore(k)) << k;
    for (int k : {13, 27, 45, 46, 48, 9}) EXPECT_FALSE(NUM_ignore(k)) << k;
}

}  // namespace
}  // namespace fo::test
