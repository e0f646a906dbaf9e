#pragma once
#include <memory>

#include "ui/headless/HeadlessUi.h"

namespace fo {
class ClerkHands;
}

namespace fo::app {

// What a drive script runs on: the headless binding, or at the desktop the
// Qt dialogs on the offscreen platform with a clerk's mouse and keyboard on
// their widgets. The desktop's QApplication is made on first use and kept
// for the rest of the process, so scripts run one after another share its
// start-up.
class ScriptBinding {
public:
    explicit ScriptBinding(bool desktop);
    ~ScriptBinding();
    ScriptBinding(const ScriptBinding&) = delete;
    ScriptBinding& operator=(const ScriptBinding&) = delete;

    HeadlessUi& ui() { return *ui_; }
    // The hands for ScriptDriver::setHands; nullptr headless.
    ClerkHands* hands() { return hands_.get(); }

private:
    std::unique_ptr<HeadlessUi> ui_;
    std::unique_ptr<ClerkHands> hands_;
};

}  // namespace fo::app
