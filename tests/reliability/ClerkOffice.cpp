#include "reliability/ClerkOffice.h"

#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "support/ModuleHost.h"
#include "ui/controls/CommandButton.h"
#include "ui/FormInstance.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {

ClerkOffice::ClerkOffice(const std::string& locator, int dialect, const std::string& settingsDir)
    : host_(std::make_shared<ReferenceHost>(locator, dialect)), dialect_(dialect) {
    host_->setSettingsStore(std::make_shared<UserSettingsStore>(settingsDir));
    handHostToModule(host_);
    ui_.install();
    // The clerk says yes, and confirms a preview unless it shows a refusal.
    ui_.setModalRunner([](Form& f) {
        if (f.name() == "frmMsg") f.find<CommandButton>("cmdOk")->userClick();
        else if (auto* preview = dynamic_cast<frmPlanPreview*>(&f))
            (preview->cmdOK.enabled() ? preview->cmdOK : preview->cmdBack).userClick();
        else f.unload();
    });
    cn_ = host_->pGetCN();
}

ClerkOffice::~ClerkOffice() {
    ui_.setModalRunner([](Form& f) { f.unload(); });
    try {
        FormInstances::releaseAll();
    } catch (...) {
        // The windows are going with the process or the test anyway.
    }
    globals() = ModuleGlobals{};
}

}  // namespace fo::test
