// Windows and their controls on the headless binding: one instance of a
// window until it is unloaded, the focus and the keys that move it, and what
// each kind of control does with the clerk's input.
#include <gtest/gtest.h>

#include "db/Recordset.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ControlArray.h"
#include "ui/controls/DataGrid.h"
#include "ui/controls/FlexGrid.h"
#include "ui/Form.h"
#include "ui/FormInstance.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/ListView.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/TextBox.h"
#include "ui/controls/TreeView.h"
#include "ui/RecordsetBuilder.h"
#include "ui/UiFixture.h"
#include "ui/frmMsg.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

// A window with two text boxes that turn Enter into Tab, a button and an
// option-button array; it counts its loads and unloads.
class frmProbe : public Form {
public:
    frmProbe() : Form("frmProbe") {
        txtA.KeyPress = [](int& k) { EnterToTab(k); };
        txtB.KeyPress = [](int& k) { EnterToTab(k); };
        cmdOK.Click = [this] { ++clicks; };
        for (auto& [i, o] : optRQ) o->Click = [this, i = i] { lastOption = i; };
    }
    TextBox txtA{*this, "txtA"};
    TextBox txtB{*this, "txtB"};
    CommandButton cmdOK{*this, "cmdOK", "确定"};
    ControlArray<OptionButton> optRQ{*this, "optRQ", {0, 1, 2}};

    static inline int loads = 0;
    int clicks = 0, lastOption = -1;
    bool refuseUnload = false;

protected:
    void Form_Load() override { ++loads; }
    void Form_Unload(int& cancel) override { cancel = refuseUnload ? 1 : 0; }
};

class FormTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        frmProbe::loads = 0;
    }
    Form form{"frmControls"};
};

TEST_F(FormTest, OneInstanceUntilUnloadedThenAFreshOneThatLoadsAgain) {
    auto first = formInstance<frmProbe>();
    first->show();
    EXPECT_EQ(first.get(), formInstance<frmProbe>().get());
    ASSERT_TRUE(first->unload());

    auto second = formInstance<frmProbe>();
    EXPECT_NE(first.get(), second.get());
    second->show();
    EXPECT_EQ(frmProbe::loads, 2);
    // An unload the window refuses keeps the instance.
    second->refuseUnload = true;
    EXPECT_FALSE(second->unload());
    EXPECT_TRUE(second->isLoaded());
    EXPECT_EQ(second.get(), formInstance<frmProbe>().get());
    second->refuseUnload = false;
}

TEST_F(FormTest, ControlsAreFoundWithoutRegardToCaseArraysByIndexAndOptionsOfOneContainerExcludeEachOther) {
    frmProbe f;
    EXPECT_EQ(f.findControl("CMDok"), &f.cmdOK);
    EXPECT_EQ(f.findControl("optrq(2)"), &f.optRQ[2]);
    EXPECT_EQ(f.findControl("optRQ(5)"), nullptr);
    EXPECT_EQ(f.findControl("optRQ"), nullptr);
    EXPECT_EQ(f.find<TextBox>("cmdOK"), nullptr);
    f.optRQ[0].setValue(true);
    f.optRQ[2].userClick();
    EXPECT_FALSE(f.optRQ[0].value());
    EXPECT_TRUE(f.optRQ[2].value());
    EXPECT_EQ(f.lastOption, 2);
}

TEST_F(FormTest, EnterAsTabMovesTheFocusToTheNextUsableControl) {
    frmProbe f;
    f.show();
    f.txtA.SetFocus();
    f.userKey(f.txtA, key::Enter);
    EXPECT_EQ(f.activeControl(), &f.txtB);
    f.txtB.setEnabled(false);
    f.txtA.SetFocus();
    f.userKey(f.txtA, key::Enter);
    EXPECT_EQ(f.activeControl(), &f.cmdOK) << "a disabled box is passed over";
}

// The probe laid out in another order than it declares its controls: the
// button and the second box on top, the first box below; the options stay
// out of the layout.
class frmLaidOut : public frmProbe {
public:
    frmLaidOut() {
        using namespace layout;
        setLayout(column({row({ctl(txtB), ctl(cmdOK)}), ctl(txtA)}));
    }
};

TEST_F(FormTest, TabFollowsTheLayoutAndControlsLeftOutFollowTheOneDeclaredBeforeThem) {
    frmLaidOut f;
    f.show();
    std::vector<Control*> visited;
    f.txtB.SetFocus();
    for (int i = 0; i < 6; ++i) {
        f.userKey(*f.activeControl(), key::Tab);
        visited.push_back(f.activeControl());
    }
    const std::vector<Control*> expected = {&f.cmdOK, &f.optRQ[0], &f.optRQ[1], &f.optRQ[2], &f.txtA, &f.txtB};
    EXPECT_EQ(visited, expected);
    f.setFocusTo(f.txtA);
    f.tabForward(true);
    EXPECT_EQ(f.activeControl(), &f.optRQ[2]) << "backwards the same way";
}

TEST_F(FormTest, EnterClicksTheDefaultOrFocusedButtonAndEscapeCancelsOrClosesTheWindow) {
    auto f = formInstance<frmProbe>();
    f->show();
    f->txtA.KeyPress = nullptr;
    f->cmdOK.setDefault(true);
    f->userKey(f->txtA, key::Enter);
    EXPECT_EQ(f->clicks, 1) << "the default button";
    EXPECT_EQ(f->activeControl(), &f->cmdOK);
    f->cmdOK.setDefault(false);
    CommandButton cancel{*f, "cmdCancel", "取消"};
    int cancels = 0;
    cancel.Click = [&cancels] { ++cancels; };
    cancel.setCancel(true);
    f->userKey(f->cmdOK, key::Enter);
    EXPECT_EQ(f->clicks, 2) << "Enter on a button clicks it";
    f->userKey(f->cmdOK, key::Escape);
    EXPECT_EQ(cancels, 1) << "Escape clicks the cancel button wherever the focus is";
    EXPECT_EQ(f->clicks, 2);
    EXPECT_TRUE(f->isLoaded());

    // Without a cancel button Escape is the close box of a window the clerk
    // types nothing in; a window he types in keeps what he typed.
    cancel.setCancel(false);
    f->userKey(f->cmdOK, key::Escape);
    EXPECT_TRUE(f->isLoaded()) << "a window with text boxes stays";
    f->txtA.setVisible(false);
    f->txtB.setVisible(false);
    f->refuseUnload = true;
    f->userKey(f->cmdOK, key::Escape);
    EXPECT_TRUE(f->isLoaded()) << "the window may refuse, as it may refuse its close box";
    f->refuseUnload = false;
    f->cmdOK.KeyPress = [](int& k) { if (k == key::Escape) k = 0; };
    f->userKey(f->cmdOK, key::Escape);
    EXPECT_TRUE(f->isLoaded()) << "an Escape the control took is its own";
    f->userKey(cancel, key::Escape);
    EXPECT_FALSE(f->isLoaded());
}

// A modal show needs someone to work the window: without a runner it
// aborts; a window its runner left open is closed when the runner returns.
TEST_F(FormTest, ModalShowNeedsSomeoneToWorkTheWindowAndClosesWhatItsRunnerLeftOpen) {
    std::vector<std::string> events;
    ui.events.opened = [&](const Form& f) { events.push_back("open " + f.name()); };
    ui.events.closed = [&](const Form& f) { events.push_back("close " + f.name()); };
    {
        frmProbe f;
        EXPECT_THROW(f.showModal(), HeadlessAbort);
    }
    // The window went while shown, and closed: the next one of its name is a
    // window of its own, opened and active, however its memory was placed.
    EXPECT_EQ(ui.activeForm(), nullptr);
    auto next = std::make_unique<frmProbe>();
    next->setCaption("probe");
    ui.setModalRunner([&](Form& f) {
        EXPECT_EQ(ui.activeForm(), &f);
        events.push_back("runner sees " + f.caption());
    });
    next->showModal();
    EXPECT_FALSE(next->isLoaded());
    EXPECT_EQ(events, (std::vector<std::string>{"open frmProbe", "close frmProbe", "open frmProbe", "runner sees probe",
                                                "close frmProbe"}));
}

TEST_F(FormTest, TypingInsertsAtTheCaretReplacesTheSelectionFiresChangeAndStopsAtKeysZeroed) {
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

// The clerk's choice of an entry and what its Click handler reads there are
// the script driver's `set`; here a choice from code, the same entry again
// and a text of the window's own.
TEST_F(FormTest, ComboChoosingAnEntryFiresClickAndShowsItsTextAndACheckBoxClicksOnChange) {
    ComboBox c(form, "cmb");
    int clicks = 0;
    c.Click = [&] { ++clicks; };
    c.AddItem("全部");
    c.AddItem("作废");
    c.setListIndex(1);
    EXPECT_TRUE(c.userSelect("作废"));
    EXPECT_EQ(clicks, 2) << "a choice from code clicks, and picking the chosen entry again clicks too";
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

// A click on an item and what it selects: the script driver's `item` and
// ListHelpers' rows that have no item yet; where a row stands: the Qt
// binding's list editor over its cell.
TEST_F(FormTest, ListViewKeysAreUniqueAndSubItemsMayLeaveGaps) {
    ListView l(form, "lvw");
    l.addColumn("k0", "项目", 2000);
    l.addItem("k1", "a").setSubItem(2, "z");
    l.addItem("k2", "b");
    EXPECT_THROW(l.addItem("k1", "again"), std::invalid_argument);
    EXPECT_EQ(l.item(1).subItem(1), "");
    EXPECT_EQ(l.item(1).cell(3), "z");
}

// A node checked by the clerk: the student filter's category tree.
TEST_F(FormTest, TreeKeepsAdditionOrderAndWalksParentsBeforeChildren) {
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
}

// A click on a cell firing Click: the script driver's `cell`; where the
// current cell stands once the clerk scrolled: the Qt binding's grid editor,
// which follows it.
TEST_F(FormTest, GridKeepsCellsWhenResizedAndPlacesTheCurrentCell) {
    FlexGrid g(form, "grid");
    g.setCols(4);
    g.setRows(3);
    g.setTextMatrix(1, 2, "x");
    g.setRows(5);
    EXPECT_EQ(g.textMatrix(1, 2), "x");
    g.setColWidth(0, 500);
    g.setColWidth(1, 0);  // hidden
    g.setColWidth(2, 800);
    ASSERT_TRUE(g.userCellClick(2, 3));
    EXPECT_EQ(g.cellLeft(), 1300);
    EXPECT_EQ(g.cellTop(), 2 * 255);
    EXPECT_FALSE(g.userCellClick(5, 0));
    EXPECT_THROW(g.textMatrix(5, 0), std::out_of_range);
}

TEST_F(FormTest, DataGridShowsTheBoundSetAndAClickMovesItsCurrentRecord) {
    auto rs = makeSet({"学号", "姓名"}, {{Value("1"), Value("学生1")}, {Value("2"), Value("学生2")},
                                         {Value("3"), Value("学生3")}});
    DataGrid d(form, "DataGrid1");
    d.setDataSource(rs);
    EXPECT_EQ(d.columnCount(), 2);
    EXPECT_EQ(d.rowCount(), 3);
    EXPECT_EQ(d.cellText(2, 1), "学生3");
    EXPECT_EQ(rs->field("学号").toText(), "1") << "reading cells leaves the record where it was";
    ASSERT_TRUE(d.userRowClick(1));
    EXPECT_EQ(rs->field("学号").toText(), "2");
}

TEST_F(FormTest, HeadlessMessagesAreRecordedAndQuestionsAnsweredFromTheQueue) {
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

// Its answers by 是 and by closing it: ScriptDriverTest's nested box.
TEST_F(FormTest, YesNoBoxClearsTheHourglassAndAnswersTwoByItsNoButton) {
    gMOpen();
    gMOpen();
    bool busyWhileShown = true;
    ui.setModalRunner([&](Form& f) {
        busyWhileShown = ui.waitCursorShown();
        static_cast<frmMsg&>(f).cmdNo.userClick();
    });
    EXPECT_EQ(frmMsg::ask("请确认！", "确定减免吗？"), 2);
    EXPECT_FALSE(busyWhileShown);
}

}  // namespace
}  // namespace fo::test
