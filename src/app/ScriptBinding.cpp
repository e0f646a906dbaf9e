#include "app/ScriptBinding.h"

#include "app/GuiSupport.h"
#include "qt/DesktopHands.h"
#include "qt/DesktopUi.h"

namespace fo::app {

ScriptBinding::ScriptBinding(bool desktop) {
    if (!desktop) {
        ui_ = std::make_unique<HeadlessUi>();
        return;
    }
    // Kept to the end of the process and never torn down: the platform's
    // input devices are gone by the time static objects are destroyed.
    if (!QApplication::instance()) new GuiApplication("feeoffice", true);
    auto ui = std::make_unique<qt::DesktopUi>();
    hands_ = std::make_unique<qt::DesktopHands>(*ui);
    ui_ = std::move(ui);
}

ScriptBinding::~ScriptBinding() {
    // Dialogs still waiting to be deleted go while their forms exist.
    if (hands_) hands_->settle();
}

}  // namespace fo::app
