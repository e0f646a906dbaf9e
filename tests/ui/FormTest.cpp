// Windows and their controls on the headless binding: one instance of a
// window until it is unloaded, the focus and the keys that move it, what
// each kind of control does with the clerk's input, the amount boxes' key
// filter, and the wait pointer.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "db/DbError.h"
#include "db/Recordset.h"
#include "support/TempFeeDb.h"
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
        for (TextBox* box : {&txtA, &txtB}) box->KeyPress = [](int& k) { EnterToTab(k); };
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

using FormTest = UiTest;

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

TEST_F(FormTest, OneInstanceUntilUnloadedEnterAndEscapeWorkTheButtonsControlsAreFoundAndTabFollowsTheLayout) {
    frmProbe::loads = 0;
    auto first = formInstance<frmProbe>();
    first->show();
    EXPECT_EQ(first.get(), formInstance<frmProbe>().get());
    ASSERT_TRUE(first->unload());

    auto one = formInstance<frmProbe>();
    EXPECT_NE(first.get(), one.get());
    one->show();
    EXPECT_EQ(frmProbe::loads, 2);
    // An unload the window refuses keeps the instance.
    one->refuseUnload = true;
    EXPECT_FALSE(one->unload());
    EXPECT_TRUE(one->isLoaded());
    EXPECT_EQ(one.get(), formInstance<frmProbe>().get());
    one->refuseUnload = false;

    one->txtA.KeyPress = nullptr;
    one->cmdOK.setDefault(true);
    one->userKey(one->txtA, key::Enter);
    EXPECT_EQ(one->clicks, 1) << "the default button";
    EXPECT_EQ(one->activeControl(), &one->cmdOK);
    one->cmdOK.setDefault(false);
    CommandButton cancel{*one, "cmdCancel", "取消"};
    int cancels = 0;
    cancel.Click = [&cancels] { ++cancels; };
    cancel.setCancel(true);
    one->userKey(one->cmdOK, key::Enter);
    EXPECT_EQ(one->clicks, 2) << "Enter on a button clicks it";
    one->userKey(one->cmdOK, key::Escape);
    EXPECT_EQ(std::tuple(cancels, one->clicks, one->isLoaded()), std::tuple(1, 2, true))
        << "Escape clicks the cancel button wherever the focus is";

    // Without a cancel button Escape is the close box of a window the clerk
    // types nothing in; a window he types in keeps what he typed.
    cancel.setCancel(false);
    one->userKey(one->cmdOK, key::Escape);
    EXPECT_TRUE(one->isLoaded()) << "a window with text boxes stays";
    for (TextBox* box : {&one->txtA, &one->txtB}) box->setVisible(false);
    one->refuseUnload = true;
    one->userKey(one->cmdOK, key::Escape);
    EXPECT_TRUE(one->isLoaded()) << "the window may refuse, as it may refuse its close box";
    one->refuseUnload = false;
    one->cmdOK.KeyPress = [](int& k) { if (k == key::Escape) k = 0; };
    one->userKey(one->cmdOK, key::Escape);
    EXPECT_TRUE(one->isLoaded()) << "an Escape the control took is its own";
    one->userKey(cancel, key::Escape);
    EXPECT_FALSE(one->isLoaded());

    frmProbe f;
    EXPECT_EQ((std::vector<Control*>{f.findControl("CMDok"), f.findControl("optrq(2)"), f.findControl("optRQ(5)"),
                                     f.findControl("optRQ")}),
              (std::vector<Control*>{&f.cmdOK, &f.optRQ[2], nullptr, nullptr}));
    EXPECT_EQ(f.find<TextBox>("cmdOK"), nullptr);
    f.optRQ[0].setValue(true);
    f.optRQ[2].userClick();
    EXPECT_EQ(std::tuple(f.optRQ[0].value(), f.optRQ[2].value(), f.lastOption), std::tuple(false, true, 2));

    f.show();
    f.txtA.SetFocus();
    f.userKey(f.txtA, key::Enter);
    EXPECT_EQ(f.activeControl(), &f.txtB);
    f.txtB.setEnabled(false);
    f.txtA.SetFocus();
    f.userKey(f.txtA, key::Enter);
    EXPECT_EQ(f.activeControl(), &f.cmdOK) << "a disabled box is passed over";

    // Tab follows the layout; controls left out follow the one declared before them.
    frmLaidOut laid;
    laid.show();
    std::vector<Control*> visited;
    laid.txtB.SetFocus();
    for (int i = 0; i < 6; ++i) {
        laid.userKey(*laid.activeControl(), key::Tab);
        visited.push_back(laid.activeControl());
    }
    EXPECT_EQ(visited, (std::vector<Control*>{&laid.cmdOK, &laid.optRQ[0], &laid.optRQ[1], &laid.optRQ[2], &laid.txtA,
                                              &laid.txtB}));
    laid.setFocusTo(laid.txtA);
    laid.tabForward(true);
    EXPECT_EQ(laid.activeControl(), &laid.optRQ[2]) << "backwards the same way";
}

TEST_F(FormTest, EachKindOfControlTakesTheClerksInputTextComboCheckBoxListTreeGridAndDataGrid) {
    Form form{"frmControls"};
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
    EXPECT_EQ(std::pair(t.text(), t.selStart()), std::pair(std::string("1学x4"), 3));
    form.userKey(t, key::Backspace);
    EXPECT_EQ(std::pair(t.text(), changes), std::pair(std::string("1学4"), 4));
    // A key zeroed by KeyPress leaves the text alone.
    TextBox u(form, "txtFiltered");
    u.KeyPress = [](int& k) { if (k == 'x') k = 0; };
    u.setMaxLength(3);
    u.userType("axbxcd");
    EXPECT_EQ(u.text(), "abc") << "x filtered, d beyond the maximum length";

    // The clerk's choice of an entry and what its Click handler reads there
    // are the script driver's `set`; here a choice from code, the same entry
    // again and a text of the window's own.
    ComboBox c(form, "cmb");
    int clicks = 0;
    c.Click = [&] { ++clicks; };
    for (const char* item : {"全部", "作废"}) c.AddItem(item);
    c.setListIndex(1);
    EXPECT_TRUE(c.userSelect("作废"));
    EXPECT_EQ(clicks, 2) << "a choice from code clicks, and picking the chosen entry again clicks too";
    c.setText("全部");
    EXPECT_EQ(c.ListIndex(), 0);
    c.setText("别的");
    EXPECT_EQ(std::pair(c.ListIndex(), c.text()), std::pair(-1, std::string("别的")));
    // A check box clicks only when its value changes.
    CheckBox chk(form, "chk");
    int checks = 0;
    chk.Click = [&] { ++checks; };
    chk.setValue(1);
    chk.setValue(1);
    chk.userClick();
    EXPECT_EQ(std::pair(chk.value(), checks), std::pair(0, 2));

    // List keys are unique and sub-items may leave gaps (a click on an item
    // and what it selects: the script driver's `item` and ListHelpers' rows
    // that have no item yet; where a row stands: the Qt binding's list editor
    // over its cell).
    ListView l(form, "lvw");
    l.addColumn("k0", "项目", 2000);
    l.addItem("k1", "a").setSubItem(2, "z");
    l.addItem("k2", "b");
    EXPECT_THROW(l.addItem("k1", "again"), std::invalid_argument);
    EXPECT_EQ(l.item(1).subItem(1), "");
    EXPECT_EQ(l.item(1).cell(3), "z");

    // The tree keeps the order nodes were added in and walks parents before
    // children (a node checked by the clerk: the student filter's category tree).
    TreeView tree(form, "tree");
    tree.addNode("", "k0", "学生类别", 1, 5);
    tree.addNode("k0", "k1", "幼儿园", 2, 5);
    tree.addNode("k0", "k2", "小学", 2, 5);
    tree.addNode("k1", "k3", "大班", 3, 5);
    EXPECT_THROW(tree.addNode("k9", "k4", "孤儿", 3, 5), std::invalid_argument);
    std::vector<std::string> order;
    for (const TreeNode* n : tree.treeOrder()) order.push_back(n->key());
    EXPECT_EQ(order, (std::vector<std::string>{"k0", "k1", "k3", "k2"}));
    EXPECT_EQ(std::pair(tree.node(4).key(), tree.findNode("k3")->depth()), std::pair(std::string("k3"), 2));

    // A grid keeps its cells when resized and places the current cell (a
    // click on a cell firing Click: the script driver's `cell`; where the
    // current cell stands once the clerk scrolled: the Qt binding's grid
    // editor, which follows it).
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
    EXPECT_EQ(std::pair(g.cellLeft(), g.cellTop()), std::pair(1300, 2 * 255));
    EXPECT_FALSE(g.userCellClick(5, 0));
    EXPECT_THROW(g.textMatrix(5, 0), std::out_of_range);

    auto rs = makeSet({"学号", "姓名"}, {{Value("1"), Value("学生1")}, {Value("2"), Value("学生2")},
                                         {Value("3"), Value("学生3")}});
    DataGrid d(form, "DataGrid1");
    d.setDataSource(rs);
    EXPECT_EQ(std::tuple(d.columnCount(), d.rowCount(), d.cellText(2, 1)), std::tuple(2, 3, std::string("学生3")));
    EXPECT_EQ(rs->field("学号").toText(), "1") << "reading cells leaves the record where it was";
    ASSERT_TRUE(d.userRowClick(1));
    EXPECT_EQ(rs->field("学号").toText(), "2");
}

TEST_F(FormTest, MessagesAreRecordedQuestionsAnsweredFromTheQueueAndModalWindowsNeedSomeoneToWorkThem) {
    EXPECT_EQ(msgBox("已保存", MsgButtons::OK, MsgIcon::Information, "提示"), MsgAnswer::OK);
    EXPECT_THROW(msgBox("确定作废吗？", MsgButtons::YesNo, MsgIcon::Question, "警告"), HeadlessAbort);
    ui.queueAnswer(MsgAnswer::No);
    EXPECT_EQ(msgBox("确定作废吗？", MsgButtons::YesNo, MsgIcon::Question, "警告"), MsgAnswer::No);
    ui.queueAnswer(MsgAnswer::OK);
    EXPECT_THROW(msgBox("继续？", MsgButtons::YesNo), HeadlessAbort) << "ok does not answer yes/no";
    ASSERT_EQ(ui.messages().size(), 4u);
    EXPECT_EQ(std::tuple(ui.messages()[0].title, ui.messages()[0].icon, ui.messages()[2].answer),
              std::tuple(std::string("提示"), MsgIcon::Information, MsgAnswer::No));

    // The yes/no box clears the hourglass and answers 2 by its 否 (its answers
    // by 是 and by closing it: ScriptDriverTest's nested box).
    gMOpen();
    gMOpen();
    bool busyWhileShown = true;
    ui.setModalRunner([&](Form& f) {
        busyWhileShown = ui.waitCursorShown();
        static_cast<frmMsg&>(f).cmdNo.userClick();
    });
    EXPECT_EQ(frmMsg::ask("请确认！", "确定减免吗？"), 2);
    EXPECT_FALSE(busyWhileShown);

    // A modal show needs someone to work the window: without a runner it
    // aborts; a window its runner left open is closed when the runner returns.
    ui.setModalRunner(nullptr);
    std::vector<std::string> events;
    ui.events.opened = [&](const Form& f) { events.push_back("open " + f.name()); };
    ui.events.closed = [&](const Form& f) { events.push_back("close " + f.name()); };
    EXPECT_THROW(frmProbe().showModal(), HeadlessAbort);
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

// A wait for another program's write lock shows the wait pointer, as any
// long operation of a window does.
class PointerLog final : public HeadlessUi {
public:
    std::vector<bool> changes;

protected:
    void waitCursorChanged(bool busy) override { changes.push_back(busy); }
};

TEST(LockWait, AWaitForAnotherProgramsLockShowsTheWaitPointerForItsLength) {
    TempFeeDb db;
    PointerLog ui;
    ui.install();
    auto holder = db.open();
    auto clerk = db.open();
    clerk->setCommandTimeout(1);
    holder->beginTrans();

    EXPECT_THROW(clerk->beginTrans(), DbError);
    EXPECT_EQ(std::pair(ui.changes, ui.waitCursorShown()), std::pair(std::vector<bool>{true, false}, false));

    // A window that showed the pointer itself keeps it after the wait.
    gMOpen();
    EXPECT_THROW(clerk->beginTrans(), DbError);
    EXPECT_TRUE(ui.waitCursorShown());
    gMclose();

    // No lock held, no wait, no pointer.
    ui.changes.clear();
    holder->rollbackTrans();
    EXPECT_NO_THROW(clerk->beginTrans());
    EXPECT_TRUE(ui.changes.empty());
    clerk->rollbackTrans();
}

}  // namespace
}  // namespace fo::test
