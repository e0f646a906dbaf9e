#include <gtest/gtest.h>

#include "ui/controls/CommandButton.h"
#include "ui/controls/ControlArray.h"
#include "ui/Form.h"
#include "ui/FormInstance.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/TextBox.h"
#include "ui/lists/mdl1.h"
#include "ui/UiFixture.h"

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
    void Form_Load() override { ++loads; txtA.setText("loaded"); }
    void Form_Unload(int& cancel) override { cancel = refuseUnload ? 1 : 0; }
};

class FormTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        frmProbe::loads = 0;
    }
};

TEST_F(FormTest, OneInstanceUntilUnloadedThenAFreshOneThatLoadsAgain) {
    auto first = formInstance<frmProbe>();
    first->show();
    EXPECT_EQ(first.get(), formInstance<frmProbe>().get());
    first->txtA.setText("typed");
    ASSERT_TRUE(first->unload());
    EXPECT_FALSE(first->isLoaded());

    auto second = formInstance<frmProbe>();
    EXPECT_NE(first.get(), second.get());
    second->show();
    EXPECT_EQ(frmProbe::loads, 2);
    EXPECT_EQ(second->txtA.text(), "loaded");
    // The spent instance stays readable for whoever still holds it.
    EXPECT_EQ(first->txtA.text(), "typed");
    // An unload the window refuses keeps the instance.
    second->refuseUnload = true;
    EXPECT_FALSE(second->unload());
    EXPECT_TRUE(second->isLoaded());
    EXPECT_EQ(second.get(), formInstance<frmProbe>().get());
    second->refuseUnload = false;
}

TEST_F(FormTest, ControlsAreFoundWithoutRegardToCaseAndArraysByIndex) {
    frmProbe f;
    EXPECT_EQ(f.findControl("CMDok"), &f.cmdOK);
    EXPECT_EQ(f.findControl("optrq(2)"), &f.optRQ[2]);
    EXPECT_EQ(f.findControl("optRQ(5)"), nullptr);
    EXPECT_EQ(f.findControl("optRQ"), nullptr);
    EXPECT_EQ(f.find<TextBox>("cmdOK"), nullptr);
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

TEST_F(FormTest, OptionButtonsOfOneContainerExcludeEachOther) {
    frmProbe f;
    f.optRQ[0].setValue(true);
    f.optRQ[2].userClick();
    EXPECT_FALSE(f.optRQ[0].value());
    EXPECT_TRUE(f.optRQ[2].value());
    EXPECT_EQ(f.lastOption, 2);
}

TEST_F(FormTest, ModalShowNeedsSomeoneToWorkTheWindow) {
    std::vector<std::string> events;
    ui.events.opened = [&](const Form& f) { events.push_back("open " + f.name()); };
    {
        frmProbe f;
        EXPECT_THROW(f.showModal(), HeadlessAbort);
    }
    // The window went while shown: the next one of its name is a window of
    // its own, opened and active, however its memory was placed.
    EXPECT_EQ(ui.activeForm(), nullptr);
    auto next = std::make_unique<frmProbe>();
    next->show();
    EXPECT_EQ(ui.activeForm(), next.get());
    EXPECT_EQ(events, (std::vector<std::string>{"open frmProbe", "open frmProbe"}));
}

TEST_F(FormTest, AModalWindowLeftOpenByItsRunnerIsClosedWhenTheRunnerReturns) {
    std::vector<std::string> events;
    ui.events.opened = [&](const Form& f) { events.push_back("open " + f.name()); };
    ui.events.closed = [&](const Form& f) { events.push_back("close " + f.name()); };
    ui.setModalRunner([&](Form& f) { events.push_back("runner sees " + f.caption()); });
    frmProbe f;
    f.setCaption("probe");
    f.showModal();
    EXPECT_FALSE(f.isLoaded());
    EXPECT_EQ(events, (std::vector<std::string>{"open frmProbe", "runner sees probe", "close frmProbe"}));
}

TEST_F(FormTest, ControlObserversHearEveryChange) {
    frmProbe f;
    int heard = 0;
    const int id = f.txtA.subscribe([&](const Control& c) { ++heard; EXPECT_EQ(&c, &f.txtA); });
    f.txtA.setText("a");
    f.txtA.setEnabled(false);
    EXPECT_EQ(heard, 2);
    f.txtA.unsubscribe(id);
    f.txtA.setText("b");
    EXPECT_EQ(heard, 2);
}

}  // namespace
}  // namespace fo::test
