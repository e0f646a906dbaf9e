// A script driven at the desktop's widgets: a step on a control the clerk
// could not reach fails naming it where the headless run goes through, and a
// group shown by a click takes the next click. (A script's end or error inside
// a window opened by a click: the script driver's own test, desktop.… too.)
#include <sstream>

#include "QtTestApp.h"
#include "qt/DesktopHands.h"
#include "qt/DesktopUi.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Label.h"
#include "ui/controls/Layout.h"
#include "ui/controls/Panel.h"
#include "ui/headless/ScriptDriver.h"

namespace fo::test {
namespace {

// The batch list's pattern: a frame of items, hidden until a button shows
// it, drawn by the layout as a group; a button placed beyond the window's
// right edge.
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
    ~frmReach() override { unload(); }
    Frame fraItems{*this, "fraItems"};
    CommandButton cmdShow{*this, "cmdShow", "收费项目"};
    CommandButton cmdPick{*this, "cmdPick", "全选"};
    CommandButton cmdFar{*this, "cmdFar", "远处"};
    Label lblSeen{*this, "lblSeen"};
};

class DesktopDrive : public ::testing::Test {
protected:
    void SetUp() override {
        qtApp();
        registry.addWindow<frmReach>("frmReach");
    }
    void TearDown() override { FormInstances::releaseAll(); }

    int run(const std::string& script, bool desktop) {
        out.str({});
        err.str({});
        qt::DesktopUi desk;
        HeadlessUi headless;
        HeadlessUi& ui = desktop ? desk : headless;
        ui.install();
        qt::DesktopHands hands(desk);
        ScriptDriver driver(registry, ui, out, err);
        if (desktop) driver.setHands(&hands);
        std::istringstream in(script);
        const int status = driver.run(in);
        FormInstances::releaseAll();
        desk.settle();
        return status;
    }
    FormRegistry registry;
    std::ostringstream out, err;
};

TEST_F(DesktopDrive, WhatTheClerkCannotReachFailsTheStepNamingItThere) {
    const std::string far = "open frmReach\nclick cmdFar\n";
    EXPECT_EQ(run(far, false), 0) << err.str();
    EXPECT_EQ(run(far, true), 2);
    EXPECT_NE(err.str().find("line 2: 'cmdFar' lies outside what the window frmReach shows"), std::string::npos)
        << err.str();

    // Hidden with its frame until the click that shows the frame; then its
    // widget shows too, in the group the layout draws for the frame.
    EXPECT_EQ(run("open frmReach\nclick cmdShow\nclick cmdPick\nexpect lblSeen picked\n", true), 0)
        << out.str() << err.str();
}

}  // namespace
}  // namespace fo::test
