#include <gtest/gtest.h>

#include <algorithm>

#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/UiFixture.h"
#include "ui/RecordsetBuilder.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

// The rows of a statement still being read, handed over a few at a time.
class ChunkedRows final : public RowSource {
public:
    explicit ChunkedRows(std::vector<std::vector<Value>> rows) : rows_(std::move(rows)) {}
    bool readMore(Recordset& to, std::size_t rows) override {
        for (std::size_t n = 0; n < std::min<std::size_t>(rows, 7) && next_ < rows_.size(); ++n) to.appendRow(rows_[next_++]);
        return next_ < rows_.size();
    }

private:
    std::vector<std::vector<Value>> rows_;
    std::size_t next_ = 0;
};

// 30 receipts, newest first, amounts that add up exactly only in fixed point.
std::vector<std::vector<Value>> receipts() {
    std::vector<std::vector<Value>> rows;
    for (int id = 30; id >= 1; --id)
        rows.push_back({Value(id), Value("SF" + std::to_string(1000 + id)), Value(Currency::fromRaw(1000 + id * 1001)),
                        id % 4 ? Value("备注") : Value()});
    return rows;
}

// The same receipts as a set still being read: five rows there, the rest to come.
RecordsetPtr receiptsBeingRead() {
    auto rs = std::make_shared<Recordset>();
    for (const char* f : {"id", "单据编号", "金额", "备注"}) rs->appendField(f);
    std::vector<std::vector<Value>> rows = receipts();
    for (int i = 0; i < 5; ++i) rs->appendRow(rows[static_cast<std::size_t>(i)]);
    rs->open();
    rs->readFrom(std::make_unique<ChunkedRows>(std::vector<std::vector<Value>>(rows.begin() + 5, rows.end())));
    return rs;
}

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

TEST_F(SetLvwHeadTest, BuildsColumnsAfterTheIdKeysRowsByItAndTotalsTheSumColumnInARedRowLast) {
    EXPECT_TRUE(setLvwHead(bills(), lvw, true, ""));
    ASSERT_EQ(lvw.columnCountOf(), 3);
    EXPECT_EQ(lvw.column(1).text + "|" + lvw.column(2).key, "单据编号|k金额");
    ASSERT_EQ(lvw.itemCount(), 3) << "no sum row without a sum caption";
    EXPECT_EQ(lvw.item(1).key() + "|" + lvw.item(1).text() + "|" + lvw.item(1).subItem(1) + "|" + lvw.item(1).subItem(2),
              "k11|SF0001|12.5|") << "a null shows empty";
    setLvwHead(bills(), lvw, false, "金额");
    ASSERT_EQ(lvw.itemCount(), 4) << "a refill replaces the rows";
    EXPECT_EQ(lvw.item(1).subItem(1) + "|" + lvw.item(2).subItem(1) + "|" + lvw.item(2).subItem(2), "12.50|0.10|补");
    const ListItem& sum = lvw.item(4);
    EXPECT_EQ(sum.key() + "|" + sum.text() + "|" + sum.subItem(1), "k0|合计|12.80");
    EXPECT_EQ(sum.cellForeColor(1), 255);
    EXPECT_EQ(sum.foreColor(), 255);
    EXPECT_EQ(lvw.item(1).foreColor(), 0);
    EXPECT_EQ(lvw.column(2).alignment, Alignment::Right);
    // An empty set keeps the columns without BlnHead and still gets its zero sum row.
    setLvwHead(makeSet({"id", "单据编号", "金额", "备注"}, {}), lvw, false, "金额");
    EXPECT_EQ(lvw.columnCountOf(), 3);
    ASSERT_EQ(lvw.itemCount(), 1);
    EXPECT_EQ(lvw.item(1).text() + "|" + lvw.item(1).subItem(1), "合计|0.00");
}

TEST_F(SetLvwHeadTest, AListStillBeingReadShowsRowForRowWhatTheWholeSetShowsAndItsSumLast) {
    ListView whole{form, "whole"};
    setLvwHead(makeSet({"id", "单据编号", "金额", "备注"}, receipts()), whole, true, "金额");
    setLvwHead(receiptsBeingRead(), lvw, true, "金额");
    ASSERT_EQ(lvw.shownCount(), 5) << "only the rows read are drawn, and no sum row yet";
    EXPECT_FALSE(lvw.rowsComplete());
    EXPECT_EQ(lvw.rowKey(5), "k26");
    EXPECT_TRUE(lvw.readMoreRows());
    EXPECT_EQ(lvw.shownCount(), 12);
    EXPECT_EQ(lvw.rowCell(12, 2), "2.00") << "receipt 19: 0.1 + 19 x 0.1001, shown with two decimals";
    // Everything that needs every row reads the rest first.
    ASSERT_EQ(lvw.itemCount(), 31);
    EXPECT_TRUE(lvw.rowsComplete());
    for (int r = 1; r <= 31; ++r) {
        ASSERT_EQ(lvw.rowKey(r), whole.item(r).key()) << r;
        for (int c = 1; c <= 3; ++c) ASSERT_EQ(lvw.rowCell(r, c), whole.item(r).cell(c)) << r << "," << c;
    }
    const ListItem& sum = lvw.item(31);
    EXPECT_EQ(sum.key(), "k0");
    EXPECT_EQ(sum.subItem(1), "49.55") << "30 x 0.1 + 0.1001 x 465 = 49.5465, added exactly";
    EXPECT_EQ(sum.foreColor(), color::Red);
    EXPECT_EQ(lvw.item(1).foreColor(), color::Black);
    EXPECT_EQ(lvw.column(2).alignment, Alignment::Right);
}

TEST_F(SetLvwHeadTest, ClicksKeysAndSelectionWorkOnRowsThatHaveNoItemYet) {
    std::vector<std::string> clicked;
    lvw.ItemClick = [&](ListItem& it) { clicked.push_back(it.key() + "|" + it.text() + "|" + std::to_string(it.index())); };
    setLvwHead(receiptsBeingRead(), lvw, true, "金额");
    ASSERT_TRUE(lvw.userRowClick(3));
    EXPECT_EQ(lvw.selectedItem()->key(), "k28");
    // A key among the rows read is found without reading on.
    EXPECT_EQ(listedAmount(lvw, "k27", "金额"), Currency::parse("2.80"));
    EXPECT_FALSE(lvw.rowsComplete());
    // One further down is found after the rest is read; selection moves to it.
    ASSERT_TRUE(lvw.userItemClick("k2"));
    EXPECT_TRUE(lvw.rowsComplete());
    EXPECT_EQ(clicked, (std::vector<std::string>{"k28|SF1028|3", "k2|SF1002|29"}));
    EXPECT_FALSE(lvw.item(3).selected());
    EXPECT_TRUE(lvw.item(29).selected());
    EXPECT_EQ(lvw.findItem("k31"), nullptr);
    // An edited row shows its edit; an item added comes after the sum row.
    lvw.item(4).setSubItem(2, "改过");
    EXPECT_EQ(lvw.rowCell(4, 3), "改过");
    lvw.addItem("k99", "追加");
    EXPECT_EQ(lvw.item(32).index(), 32);
    EXPECT_EQ(lvw.findItem("k99")->text(), "追加");
    EXPECT_THROW(lvw.addItem("k5", "重复"), std::invalid_argument);
    EXPECT_THROW(lvw.removeItem(2), std::logic_error);
    lvw.removeItem(32);
    EXPECT_EQ(lvw.itemCount(), 31);
    // A refill drops the rows and their items.
    setLvwHead(bills(), lvw, false, "金额");
    EXPECT_EQ(lvw.itemCount(), 4);
    EXPECT_EQ(lvw.selectedItem(), nullptr);
}

}  // namespace
}  // namespace fo::test
