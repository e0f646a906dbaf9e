#include <gtest/gtest.h>

#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/UiFixture.h"
#include "ui/RecordsetBuilder.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

class SetLvwHeadTest : public UiTest {
protected:
    RecordsetPtr bills() {
        return makeSet({"id", "单据编号", "金额", "备注"},
                       {{Value(11), Value("SF0001"), money("12.5"), Value()},
                        {Value(12), Value("SF0002"), money("0.1"), Value("补")},
                        {Value(13), Value("TF0001"), money("0.2"), Value("")}});
    }
    Form form{"frmBILLML"};
    ListView lvw{form, "ListView1"};
};

TEST_F(SetLvwHeadTest, BuildsColumnsFromTheFieldsAfterTheIdAndKeysRowsByIt) {
    auto rs = bills();
    EXPECT_TRUE(setLvwHead(*rs, lvw, true, ""));
    ASSERT_EQ(lvw.columnCountOf(), 3);
    EXPECT_EQ(lvw.column(1).text, "单据编号");
    EXPECT_EQ(lvw.column(2).key, "k金额");
    ASSERT_EQ(lvw.itemCount(), 3) << "no sum row without a sum caption";
    EXPECT_EQ(lvw.item(1).key(), "k11");
    EXPECT_EQ(lvw.item(1).text(), "SF0001");
    EXPECT_EQ(lvw.item(1).subItem(1), "12.5");
    EXPECT_EQ(lvw.item(1).subItem(2), "") << "a null shows empty";
    EXPECT_EQ(lvw.item(2).subItem(2), "补");
}

TEST_F(SetLvwHeadTest, SumColumnIsRewrittenWithTwoDecimalsAndTotalledInARedRowLast) {
    auto rs = bills();
    setLvwHead(*rs, lvw, true, "金额");
    ASSERT_EQ(lvw.itemCount(), 4);
    EXPECT_EQ(lvw.item(1).subItem(1), "12.50");
    EXPECT_EQ(lvw.item(2).subItem(1), "0.10");
    const ListItem& sum = lvw.item(4);
    EXPECT_EQ(sum.key(), "k0");
    EXPECT_EQ(sum.text(), "合计");
    EXPECT_EQ(sum.subItem(1), "12.80");
    EXPECT_EQ(sum.cellForeColor(1), 255);
    EXPECT_EQ(sum.foreColor(), 255);
    EXPECT_EQ(lvw.column(2).alignment, Alignment::Right);
    EXPECT_EQ(lvw.item(1).foreColor(), 0);
    setLvwHead(*bills(), lvw, false, "金额");
    EXPECT_EQ(lvw.itemCount(), 4) << "a refill replaces the rows";
}

TEST_F(SetLvwHeadTest, AnEmptySetWithASumCaptionStillGetsItsZeroSumRow) {
    auto rs = bills();
    setLvwHead(*rs, lvw, true, "");
    auto empty = makeSet({"id", "单据编号", "金额", "备注"}, {});
    setLvwHead(*empty, lvw, false, "金额");
    EXPECT_EQ(lvw.columnCountOf(), 3) << "columns kept without BlnHead";
    ASSERT_EQ(lvw.itemCount(), 1);
    EXPECT_EQ(lvw.item(1).text(), "合计");
    EXPECT_EQ(lvw.item(1).subItem(1), "0.00");
}

}  // namespace
}  // namespace fo::test
