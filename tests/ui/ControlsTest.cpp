#include <gtest/gtest.h>

#include "db/Recordset.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DataGrid.h"
#include "ui/controls/FlexGrid.h"
#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"
#include "ui/controls/TreeView.h"
#include "ui/UiFixture.h"
#include "ui/frmMsg.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

class ControlsTest : public UiTest {
protected:
    Form form{"frmControls"};
};

TEST_F(ControlsTest, TypingInsertsAtTheCaretReplacesTheSelectionFiresChangeAndStopsAtKeysZeroed) {
    TextBox t(form, "txt");
    int changes = 0;
    t.Change = [&] { ++changes; };
    t.setText("1234");
    EXPECT_EQ(changes, 1);
    t.setText("1234");
    EXPECT_EQ(changes, 1) << "the same text is no change";
    t.SetFocus();
    t.setSelStart(1);
    t.setSelLength(2);
    t.userType("学x");
    EXPECT_EQ(t.text(), "1学x4");
    EXPECT_EQ(t.selStart(), 3);
    form.userKey(t, key::Backspace);
    EXPECT_EQ(t.text(), "1学4");
    EXPECT_EQ(changes, 4);
    // A key zeroed by KeyPress leaves the text alone.
    TextBox u(form, "txtFiltered");
    u.KeyPress = [](int& k) { if (k == 'x') k = 0; };
    u.setMaxLength(3);
    u.userType("axbxcd");
    EXPECT_EQ(u.text(), "abc") << "x filtered, d beyond the maximum length";
}

TEST_F(ControlsTest, ComboChoosingAnEntryFiresClickAndShowsItsTextAndACheckBoxClicksOnChange) {
    ComboBox c(form, "cmb");
    int clicks = 0;
    c.Click = [&] { ++clicks; };
    c.AddItem("全部");
    c.AddItem("作废");
    c.setItemData(1, 7);
    c.setListIndex(1);
    EXPECT_EQ(c.text(), "作废");
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(c.userSelect("作废"));
    EXPECT_EQ(clicks, 2) << "picking the chosen entry again still clicks";
    EXPECT_FALSE(c.userSelect("没有"));
    c.setText("全部");
    EXPECT_EQ(c.ListIndex(), 0);
    c.setText("别的");
    EXPECT_EQ(c.ListIndex(), -1);
    EXPECT_EQ(c.text(), "别的");
    // A check box clicks only when its value changes.
    CheckBox chk(form, "chk");
    int checks = 0;
    chk.Click = [&] { ++checks; };
    chk.setValue(1);
    chk.setValue(1);
    chk.userClick();
    EXPECT_EQ(chk.value(), 0);
    EXPECT_EQ(checks, 2);
}

TEST_F(ControlsTest, ListViewKeysAreUniqueAndAClickSelectsAndFiresItemClick) {
    ListView l(form, "lvw");
    l.addColumn("k0", "项目", 2000);
    l.addItem("k1", "a").setSubItem(2, "z");
    l.addItem("k2", "b");
    EXPECT_THROW(l.addItem("k1", "again"), std::invalid_argument);
    EXPECT_EQ(l.item(1).subItem(1), "");
    EXPECT_EQ(l.item(1).cell(3), "z");
    std::string clicked;
    l.ItemClick = [&](ListItem& i) { clicked = i.key(); };
    EXPECT_TRUE(l.userItemClick("k2"));
    EXPECT_EQ(clicked, "k2");
    EXPECT_EQ(l.selectedItem(), &l.item(2));
    EXPECT_FALSE(l.item(1).selected());
    EXPECT_FALSE(l.userItemClick("k9"));
    EXPECT_EQ(l.item(2).top(), l.headerHeight() + l.rowHeight());
}

TEST_F(ControlsTest, TreeKeepsAdditionOrderAndWalksParentsBeforeChildren) {
    TreeView t(form, "tree");
    t.addNode("", "k0", "学生类别", 1, 5);
    t.addNode("k0", "k1", "幼儿园", 2, 5);
    t.addNode("k0", "k2", "小学", 2, 5);
    t.addNode("k1", "k3", "大班", 3, 5);
    EXPECT_THROW(t.addNode("k9", "k4", "孤儿", 3, 5), std::invalid_argument);
    std::vector<std::string> order;
    for (const TreeNode* n : t.treeOrder()) order.push_back(n->key());
    EXPECT_EQ(order, (std::vector<std::string>{"k0", "k1", "k3", "k2"}));
    EXPECT_EQ(t.node(4).key(), "k3");
    EXPECT_EQ(t.findNode("k3")->depth(), 2);
    std::string checked;
    t.NodeCheck = [&](TreeNode& n) { checked = n.key(); };
    EXPECT_TRUE(t.userNodeCheck("k2", true));
    EXPECT_EQ(checked, "k2");
    EXPECT_TRUE(t.findNode("k2")->checked());
}

TEST_F(ControlsTest, GridKeepsCellsWhenResizedAndPlacesTheCurrentCell) {
    FlexGrid g(form, "grid");
    g.setCols(4);
    g.setRows(3);
    g.setTextMatrix(1, 2, "x");
    g.setRows(5);
    EXPECT_EQ(g.textMatrix(1, 2), "x");
    g.setColWidth(0, 500);
    g.setColWidth(1, 0);  // hidden
    g.setColWidth(2, 800);
    int clicks = 0;
    g.Click = [&] { ++clicks; };
    ASSERT_TRUE(g.userCellClick(2, 3));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(g.cellLeft(), 1300);
    EXPECT_EQ(g.cellTop(), 2 * 255);
    EXPECT_FALSE(g.userCellClick(5, 0));
    EXPECT_THROW(g.textMatrix(5, 0), std::out_of_range);
    int scrolls = 0;
    g.Scroll = [&] { ++scrolls; };
    g.userScroll(2);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(g.cellTop(), 255) << "row 1 scrolled out of view: row 2 sits under the header";
}

TEST_F(ControlsTest, DataGridShowsTheBoundSetAndAClickMovesItsCurrentRecord) {
    auto rs = std::make_shared<Recordset>();
    rs->appendField("学号", DataType::VarChar, 20);
    rs->appendField("姓名", DataType::VarChar, 20);
    rs->open();
    for (const char* n : {"1", "2", "3"}) {
        rs->addNew();
        rs->field(std::size_t{0}) = Value(n);
        rs->field(std::size_t{1}) = Value(std::string("学生") + n);
    }
    rs->moveFirst();
    DataGrid d(form, "DataGrid1");
    d.setDataSource(rs);
    EXPECT_EQ(d.columnCount(), 2);
    EXPECT_EQ(d.rowCount(), 3);
    EXPECT_EQ(d.cellText(2, 1), "学生3");
    EXPECT_EQ(rs->field("学号").toText(), "1") << "reading cells leaves the record where it was";
    ASSERT_TRUE(d.userRowClick(1));
    EXPECT_EQ(rs->field("学号").toText(), "2");
}

TEST_F(ControlsTest, HeadlessMessagesAreRecordedAndQuestionsAnsweredFromTheQueue) {
    EXPECT_EQ(msgBox("已保存", MsgButtons::OK, MsgIcon::Information, "提示"), MsgAnswer::OK);
    EXPECT_THROW(msgBox("确定作废吗？", MsgButtons::YesNo, MsgIcon::Question, "警告"), HeadlessAbort);
    ui.queueAnswer(MsgAnswer::No);
    EXPECT_EQ(msgBox("确定作废吗？", MsgButtons::YesNo, MsgIcon::Question, "警告"), MsgAnswer::No);
    ui.queueAnswer(MsgAnswer::OK);
    EXPECT_THROW(msgBox("继续？", MsgButtons::YesNo), HeadlessAbort) << "ok does not answer yes/no";
    ASSERT_EQ(ui.messages().size(), 4u);
    EXPECT_EQ(ui.messages()[0].title, "提示");
    EXPECT_EQ(ui.messages()[0].icon, MsgIcon::Information);
    EXPECT_EQ(ui.messages()[2].answer, MsgAnswer::No);
}

TEST_F(ControlsTest, YesNoBoxClearsTheHourglassAndAnswersByItsButton) {
    gMOpen();
    gMOpen();
    bool busyWhileShown = true;
    for (auto [press, expected] : {std::pair{"cmdOk", 1}, {"cmdNo", 2}, {"", 0}}) {
        ui.setModalRunner([&, press = std::string(press)](Form& f) {
            auto& box = static_cast<frmMsg&>(f);
            busyWhileShown = ui.waitCursorShown();
            EXPECT_EQ(box.caption(), "请确认！");
            EXPECT_EQ(box.Label1.caption(), "确定减免吗？");
            if (press == "cmdOk") box.cmdOk.userClick();
            else if (press == "cmdNo") box.cmdNo.userClick();
            else box.unload();
        });
        EXPECT_EQ(frmMsg::ask("请确认！", "确定减免吗？"), expected) << press;
        EXPECT_FALSE(busyWhileShown);
    }
}

}  // namespace
}  // namespace fo::test
