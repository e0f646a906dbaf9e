#include <gtest/gtest.h>

#include <sstream>

#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/FlexGrid.h"
#include "ui/Form.h"
#include "ui/FormRegistry.h"
#include "ui/controls/Label.h"
#include "ui/controls/Layout.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/ListView.h"
#include "ui/controls/Panel.h"
#include "ui/headless/ScriptDriver.h"
#include "ui/controls/TextBox.h"
#include "ui/UiFixture.h"
#include "ui/UiWindows.h"
#include "ui/frmMsg.h"
#include "ui/lists/mdl1.h"

// The desktop's build of these tests (in qt_tests) drives the same windows
// at their Qt widgets.
#ifdef FO_SCRIPTS_AT_DESKTOP
#include "../qt/QtTestApp.h"
#include "qt/DesktopHands.h"
#include "qt/DesktopUi.h"
#endif

namespace fo::test {
namespace {

// A window whose handlers ask the yes/no box and message boxes, so scripts
// can drive nested modal windows and answer questions.
class frmOpener : public Form {
public:
    frmOpener() : Form("frmOpener") {
        cmdAsk.Click = [this] {
            const int a = frmMsg::ask("请确认！", "学号:001\r\n        确定减免吗？");
            lblAnswer.setCaption(std::to_string(a));
            if (a == 1) msgBox("操作成功！", MsgButtons::OK, MsgIcon::Information, "警告！");
        };
        cmdVoid.Click = [this] {
            const bool yes = msgBox("确定作废吗？", MsgButtons::YesNo, MsgIcon::Question, "警告") == MsgAnswer::Yes;
            lblAnswer.setCaption(yes ? "yes" : "no");
        };
        cmdExport.Click = [] { ExporToExcel_rec("导出", *makeSet({"金额"}, {{Value(5)}})); };
        txtJe.KeyPress = [this](int& k) { NumContral(k, txtJe.text(), 8, 2, txtJe.selStart(), txtJe.selLength()); };
        txtJe.Change = [this] { lblAnswer.setCaption("je " + txtJe.text()); };
        cmbType.Click = [this] { lblAnswer.setCaption("type " + std::to_string(cmbType.ItemData(cmbType.ListIndex()))); };
        chkAll.Click = [this] { lblAnswer.setCaption("all " + std::to_string(chkAll.value())); };
        dtp.CloseUp = [this] { lblAnswer.setCaption("date " + dtp.dateText()); };
        lvw.ItemClick = [this](ListItem& i) { lblAnswer.setCaption("item " + i.key()); };
        grid.Click = [this] { lblAnswer.setCaption("cell " + grid.text()); };
        cmdOff.setEnabled(false);
        // Room for their rows, as a clerk's window gives its lists.
        lvw.move(120, 1200, 5000, 1500);
        grid.move(120, 2800, 5000, 1200);
    }
    TextBox txtJe{*this, "txtJe"};
    Label lblAnswer{*this, "lblAnswer"};
    CommandButton cmdAsk{*this, "cmdAsk", "减免"};
    CommandButton cmdVoid{*this, "cmdVoid", "作废"};
    CommandButton cmdExport{*this, "cmdExport", "导出"};
    CommandButton cmdOff{*this, "cmdOff", "不可用"};
    ComboBox cmbType{*this, "cmbType"};
    CheckBox chkAll{*this, "chkAll"};
    DatePicker dtp{*this, "DTPfrom"};
    ListView lvw{*this, "lvwMx"};
    FlexGrid grid{*this, "MSFlexGrid1"};
    ListBox lst{*this, "LSTsfxm"};

protected:
    void Form_Load() override {
        for (const char* item : {"全部", "收费单据"}) cmbType.AddItem(item);
        cmbType.setItemData(1, 42);
        lvw.addColumn("k0", "收费项目");
        lvw.addColumn("k1", "金额");
        lvw.addItem("k8", "伙食费").setSubItem(1, "30.00");
        lvw.addItem("k9", "保育费").setSubItem(1, "400.00");
        grid.setCols(3);
        grid.setRows(2);
        grid.setTextMatrix(0, 1, "金额");
        grid.setTextMatrix(1, 1, "12.50");
        for (const char* item : {"伙食费", "保育费"}) lst.AddItem(item);
    }
};

// The batch list's pattern: a frame of items, hidden until a button shows
// it, drawn by the layout as a group; and a button placed beyond the
// window's right edge.
class frmReach : public Form {
public:
    frmReach() : Form("frmReach") {
        resize(6000, 4000);
        fraItems.setVisible(false);
        cmdPick.setContainer(&fraItems);
        cmdShow.Click = [this] { fraItems.setVisible(!fraItems.visible()); };
        cmdPick.Click = [this] { lblSeen.setCaption("picked"); };
        cmdFar.move(90000, 100, 1000, 375);
        using namespace layout;
        setLayout(column({row({ctl(cmdShow), ctl(lblSeen)}), group("收费项目", {ctl(cmdPick)})}));
    }
    Frame fraItems{*this, "fraItems"};
    CommandButton cmdShow{*this, "cmdShow", "收费项目"};
    CommandButton cmdPick{*this, "cmdPick", "全选"};
    CommandButton cmdFar{*this, "cmdFar", "远处"};
    Label lblSeen{*this, "lblSeen"};
};

class ScriptDriverTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
#ifdef FO_SCRIPTS_AT_DESKTOP
        qtApp();
        desk.install();
        desk.setExportFolder(dir.file("exports"));
#endif
        registry.addWindow<frmOpener>("frmOpener");
        registry.addWindow<frmReach>("frmReach");
        registerUiWindows(registry);
        registry.addEntry("ShowProbe", [] { formInstance<frmOpener>()->showModal(); });
    }
    int run(const std::string& script) {
        out.str({});
        err.str({});
        ScriptDriver driver(registry, shown(), out, err);
#ifdef FO_SCRIPTS_AT_DESKTOP
        qt::DesktopHands hands(desk);
        driver.setHands(&hands);
#endif
        driver.setSqlProbe([](const std::string& sql) {
            if (sql == "select 1+1") return std::string("2");
            throw std::runtime_error("no such table");
        });
        std::istringstream in(script);
        return driver.run(in);
    }
#ifdef FO_SCRIPTS_AT_DESKTOP
    void TearDown() override {
        FormInstances::releaseAll();
        desk.settle();
        UiTest::TearDown();
    }
    qt::DesktopUi desk;
    HeadlessUi& shown() { return desk; }
#else
    HeadlessUi& shown() { return ui; }
#endif
    FormRegistry registry;
    std::ostringstream out, err;
};

// The lines after a click that opens the yes/no box act on the box until it
// closes; its 是 answers 1, closing it otherwise 0, and a question the
// script answered beforehand gets that answer.
TEST_F(ScriptDriverTest, NestedBoxesAreAnsweredActionsFireTheirHandlersErrorsGiveTheirStatusAndUnreachableStepsFail) {
    const int status = run(
        "open ShowProbe\n"
        "click cmdAsk\n"
        "# these lines act on the yes/no box until it closes\n"
        "expect Label1 \"学号:001\\n        确定减免吗？\"\n"
        "click cmdOK\n"
        "expect lblAnswer 1\n"
        "expect message 操作成功\n"
        "click cmdAsk\n"
        "close\n"
        "expect lblAnswer 0\n"
        "answer no\n"
        "click cmdVoid\n"
        "expect lblAnswer no\n"
        "expect message 作废\n");
    EXPECT_EQ(status, 0) << err.str() << out.str();
    EXPECT_EQ(out.str(),
              "open frmOpener\n"
              "open frmMsg\n"
              "close frmMsg\n"
              "message 警告！|操作成功！\n"
              "open frmMsg\n"
              "close frmMsg\n"
              "message 警告|确定作废吗？\n"
              "close frmOpener\n")
        << "windows left open are closed at the end";
    // A script that ends inside the box, or fails there, comes back out of it.
    EXPECT_EQ(run("open frmOpener\nclick cmdAsk\n"), 0) << err.str();
    EXPECT_EQ(out.str(), "open frmOpener\nopen frmMsg\nclose frmMsg\nclose frmOpener\n");
    EXPECT_EQ(run("open frmOpener\nclick cmdAsk\nclick cmdNone\n"), 2);
    EXPECT_NE(err.str().find("line 3: unknown control 'cmdNone' in frmMsg"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "open frmOpener\nopen frmMsg\nclose frmMsg\nclose frmOpener\n");

    registry.addEntry("Warn", [] { msgBox("第一行\r\n第二行", MsgButtons::OK, MsgIcon::None, "提示"); });
    EXPECT_EQ(run("open Warn\nexpect message \"一行\\n第二\"\n"), 0) << out.str();
    EXPECT_EQ(out.str(), "message 提示|第一行\\n第二行\n");

    const int acted = run(
        "open frmOpener\n"
        "dump lvwMx\n"
        "dump cmbType\n"
        "set cmbType 全部\n"
        "dump cmbType\n"
        "click cmdExport\n"
        "type txtJe 1234567.891\n"
        "expect txtJe 123456.8\n"
        "set txtJe 5\n"
        "expect lblAnswer \"je 5\"\n"
        "set cmbType 收费单据\n"
        "expect lblAnswer \"type 42\"\n"
        "set chkAll 1\n"
        "expect lblAnswer \"all 1\"\n"
        "set DTPfrom 2026-09-01\n"
        "expect lblAnswer \"date 2026-09-01\"\n"
        "item lvwMx k9 click\n"
        "expect lblAnswer \"item k9\"\n"
        "cell MSFlexGrid1 1 1\n"
        "expect lblAnswer \"cell 12.50\"\n"
        "select LSTsfxm 保育费 on\n"
        "expect count LSTsfxm 2\n"
        "expect count lvwMx 2\n"
        "expect cell lvwMx 2 2 400.00\n"
        "expect cell lvwMx 1 金额 30.00\n"
        "expect cell MSFlexGrid1 0 1 金额\n"
        "expect enabled cmdOff 0\n"
        "expect sql \"select 1+1\" 2\n");
    EXPECT_EQ(acted, 0) << err.str() << out.str();
    EXPECT_NE(out.str().find("key\t收费项目\t金额\nk8\t伙食费\t30.00\nk9\t保育费\t400.00\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("全部\t0\n收费单据\t42\n全部\t0\t*\n"), std::string::npos) << out.str();
    ASSERT_EQ(shown().exports().size(), 1u);
    EXPECT_NE(out.str().find("export " + shown().exports()[0] + "\n"), std::string::npos);

    // Script errors give status 2, failed expectations 1.
    EXPECT_EQ(run("open frmOpener\n\nexpect lblAnswer something\nexpect count lvwMx 2\n"), 1);
    EXPECT_NE(out.str().find("FAIL line 3: expect lblAnswer: expected \"something\", saw \"\""), std::string::npos)
        << out.str();
    EXPECT_EQ(run("open frmOpener\nfrobnicate cmdAsk\n"), 2);
    EXPECT_NE(err.str().find("line 2: unknown verb 'frobnicate'"), std::string::npos) << err.str();
    EXPECT_EQ(run("open frmOpener\nclick cmdNothing\n"), 2);
    EXPECT_NE(err.str().find("line 2: unknown control 'cmdNothing'"), std::string::npos) << err.str();
    EXPECT_EQ(run("open frmNowhere\n"), 2);
    EXPECT_EQ(run("open frmOpener\nitem lvwMx k77 click\n"), 2);
    EXPECT_EQ(run("open frmOpener\nset cmbType 没有这项\n"), 2);
    EXPECT_EQ(run("open frmOpener\nclick cmdOff\n"), 2) << "a disabled button cannot be clicked";
    EXPECT_EQ(run("click cmdAsk\n"), 2) << "no window open";
    EXPECT_EQ(run("open frmOpener\nexpect lblAnswer \"unterminated\n"), 2);
    // A question without an answer is a script error.
    EXPECT_EQ(run("open frmOpener\nclick cmdVoid\nexpect lblAnswer yes\n"), 2);
    EXPECT_NE(out.str().find("message 警告|确定作废吗？"), std::string::npos) << "the question is still shown";
    EXPECT_NE(err.str().find("line 2:"), std::string::npos) << err.str();

    // At the desktop a step on a control the clerk could not reach fails
    // naming it, where the headless run goes through; a control hidden with
    // its frame until a click shows the frame takes the next click, its
    // widget in the group the layout draws for the frame.
#ifdef FO_SCRIPTS_AT_DESKTOP
    EXPECT_EQ(run("open frmReach\nclick cmdFar\n"), 2);
    EXPECT_NE(err.str().find("line 2: 'cmdFar' lies outside what the window frmReach shows"), std::string::npos)
        << err.str();
#else
    EXPECT_EQ(run("open frmReach\nclick cmdFar\n"), 0) << err.str();
#endif
    EXPECT_EQ(run("open frmReach\nclick cmdShow\nclick cmdPick\nexpect lblSeen picked\n"), 0) << out.str() << err.str();
}

}  // namespace
}  // namespace fo::test
