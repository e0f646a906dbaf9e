#include <gtest/gtest.h>

#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/controls/ProgressBar.h"
#include "ui/RecordsetBuilder.h"
#include "ui/UiFixture.h"
#include "ui/lists/clsLvw2012.h"

namespace fo::test {
namespace {

class ListHelperTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        helper.strFormName = "frmJmBachList";
        helper.setLvw(lvw);
    }
    RecordsetPtr arrears() {
        return makeSet({"id", "xsid", "姓名", "欠费金额"},
                       {{Value(7), Value(70), Value("张三"), money("100")},
                        {Value(8), Value(80), Value(), money("0.335")},
                        {Value(9), Value(90), Value("王五"), Value("12元")}});
    }
    std::vector<std::string> captions() {
        std::vector<std::string> out;
        for (int i = 1; i <= lvw.columnCountOf(); ++i) out.push_back(lvw.column(i).text);
        return out;
    }
    Form form{"frmJmBachList"};
    ListView lvw{form, "lvw1"};
    clsLvw2012 helper;
};

TEST_F(ListHelperTest, ARowNumberColumnComesFirstUnlessTheFirstFieldKeysTheRowsAndHiddenCaptionsGetWidthZero) {
    auto rs = arrears();
    helper.initColumns(*rs, 0, "");
    EXPECT_EQ(captions(), (std::vector<std::string>{"序号", "id", "xsid", "姓名", "欠费金额"}));
    EXPECT_EQ(lvw.column(1).key, "k序号");
    EXPECT_TRUE(lvw.visible());
    helper.initList(*rs, lvw);
    ASSERT_EQ(lvw.itemCount(), 3);
    EXPECT_EQ(lvw.item(2).key(), "k2");
    EXPECT_EQ(lvw.item(2).text(), "2");
    EXPECT_EQ(lvw.item(2).subItem(1), "8");
    EXPECT_EQ(lvw.item(2).subItem(3), "");
    // A fill closes the set only when asked; a refill replaces the rows.
    helper.initData(lvw, *rs, true, false);
    EXPECT_EQ(rs->state(), Recordset::Open);
    helper.blnCloseRecAfterInit = true;
    helper.initData2012(*rs, lvw);
    EXPECT_EQ(rs->state(), Recordset::Closed);
    EXPECT_EQ(lvw.itemCount(), 3);

    // With field key the first field keys the rows; hidden captions get width zero.
    helper.blnFieldKey = true;
    rs = arrears();
    helper.initColumns(*rs, 1, "xsid,欠费金额");
    EXPECT_EQ(captions(), (std::vector<std::string>{"xsid", "姓名", "欠费金额"}));
    EXPECT_EQ((std::vector<int>{lvw.column(1).width, lvw.column(2).width, lvw.column(3).width}),
              (std::vector<int>{0, 1500, 0}));
    helper.initList(*rs, lvw);
    EXPECT_EQ(lvw.item(1).key() + "|" + lvw.item(1).text() + "|" + lvw.item(1).subItem(1) + "|" + lvw.item(1).subItem(2),
              "k7|7|70|张三");
}

TEST_F(ListHelperTest, KeyIdFillsSelectTheRowOfTheGivenIdAndCountProgress) {
    auto rs = arrears();
    helper.initListKeyIDNoProgress(*rs, lvw, "8");
    ASSERT_NE(lvw.selectedItem(), nullptr);
    EXPECT_EQ(lvw.selectedItem()->key(), "k8");

    Form progress("frmProgress");
    ProgressBar bar(progress, "ProgressBar1");
    auto again = arrears();
    helper.initListKeyID(*again, lvw, "9", progress);
    EXPECT_EQ(bar.max(), 3);
    EXPECT_EQ(bar.value(), 4);
    EXPECT_EQ(lvw.selectedItem()->key(), "k9");
    EXPECT_TRUE(lvw.visible());
    progress.unload();
}

TEST_F(ListHelperTest, SumRowTotalsTheListedColumnsWithTwoDecimalsAndCellsAreReachedByCaption) {
    helper.blnFieldKey = true;
    auto rs = arrears();
    helper.initColumns(*rs, 0, "");
    helper.initList(*rs, lvw);
    helper.addSumRow("欠费金额,xsid");
    ASSERT_EQ(lvw.itemCount(), 4);
    const ListItem& sum = lvw.item(4);
    EXPECT_EQ(sum.key() + "|" + sum.text(), "k0|合计");
    std::vector<std::string> owed;  // text is read as a number
    for (int r = 1; r <= 4; ++r) owed.push_back(helper.getLvwColumnValueFromIndx("欠费金额", r));
    EXPECT_EQ(owed, (std::vector<std::string>{"100.00", "0.34", "12.00", "112.34"}));
    EXPECT_EQ(helper.getLvwColumnValueFromIndx("xsid", 4), "240.00");
    EXPECT_NE(sum.cellForeColor(3), sum.cellForeColor(2)) << "the summed cells stand out";
    EXPECT_EQ(lvw.column(4).alignment, Alignment::Right);
    EXPECT_EQ(lvw.column(3).alignment, Alignment::Left);
    // Cells are read and written by caption.
    EXPECT_THROW(helper.getLvwColumnValueSEL("姓名"), std::logic_error);
    lvw.setSelectedItem(&lvw.item(3));
    EXPECT_EQ(helper.getLvwColumnValueSEL("姓名"), "王五");
    helper.SetLvwColumnValueFromIndx("id", 2, "首列");
    helper.SetLvwColumnValueFromIndx("姓名", 2, "李四");
    EXPECT_EQ(lvw.item(2).text(), "首列");
    EXPECT_EQ(lvw.item(2).subItem(2), "李四");
    helper.SetLvwColumnColorFromIndx("姓名", 2, 0xFF0000);
    EXPECT_EQ(lvw.item(2).cellForeColor(2), 0xFF0000);
    EXPECT_THROW(helper.getLvwColumnValueFromIndx("没有", 1), std::logic_error);
}

}  // namespace
}  // namespace fo::test
