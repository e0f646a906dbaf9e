#include "reliability/ClerkOffice.h"

#include <stdexcept>

#include "db/pg/PgLink.h"
#include "host/demo/DemoSchool.h"
#include "host/operators/SignIn.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "support/ModuleHost.h"
#include "ui/controls/CommandButton.h"
#include "ui/FormInstance.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {
namespace {

// On a server the clerk signs in as the program does, so every session of
// his (and so every posting) logs in as his operator's own role and meets
// its grants, triggers and row security, not the schema owner's rights.
const std::string& signedIn(const std::string& locator) {
    if (!isPostgresLink(locator)) return locator;
    const DemoOperator& admin = demoOperators().front();
    // Clerks signing in as one operator at the same moment all get in.
    const SignInResult result = SignIn(locator, locator).attempt(admin.id, admin.password);
    if (result.status != SignInStatus::SignedIn && result.status != SignInStatus::NeedsNewPassword)
        throw std::runtime_error("the clerk cannot sign in to " + locator + ": " + result.message);
    return locator;
}

}  // namespace

ClerkOffice::ClerkOffice(const std::string& locator, int dialect, const std::string& settingsDir)
    : host_(std::make_shared<ReferenceHost>(signedIn(locator), dialect)), dialect_(dialect) {
    host_->setSettingsStore(std::make_shared<UserSettingsStore>(settingsDir));
    handHostToModule(host_);
    ui_.install();
    ui_.setModalRunner(answerAsClerk);
    cn_ = host_->pGetCN();
}

void ClerkOffice::answerAsClerk(Form& f) {
    if (f.name() == "frmMsg") f.find<CommandButton>("cmdOk")->userClick();
    else if (auto* preview = dynamic_cast<frmPlanPreview*>(&f))
        (preview->cmdOK.enabled() ? preview->cmdOK : preview->cmdBack).userClick();
    else f.unload();
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
