// Tour steps of the operators' windows: the sign-in window with an operator
// chosen and his password typed, the same window asking for a new password,
// and the operator window with a restricted clerk selected.
#include "app/MainWindow.h"
#include "app/OfficeSession.h"
#include "qt/Tour.h"
#include "signin/frmOperators.h"
#include "signin/frmSignIn.h"

namespace fo::app {
namespace {

OfficeSession& sessionOf(qt::TourContext& t) { return static_cast<MainWindow*>(t.mainWindow)->session(); }

void showSignIn(qt::TourContext& t, bool changing) {
    OfficeSession& session = sessionOf(t);
    const std::string link = session.host().gLinkString(), name = session.databasePath();
    const int user = session.operatorId();
    t.whileModal(changing ? "frmSignIn-new-password" : "frmSignIn",
                 [&] {
                     auto window = formInstance<frmSignIn>();
                     if (changing) window->prepareChange(link, name, user);
                     else window->prepare(link, name, user);
                     window->showModal();
                 },
                 [changing](QWidget& w) {
                     frmSignIn* form = qt::formOf<frmSignIn>(w);
                     if (!form) return;
                     form->txtPassword.userType("password");
                     if (changing) form->txtNew.userType("new-one");
                 });
}

void showOperators(frmOperators& w) {
    // The first operator who is not an administrator, with his rights.
    for (int i = 1; i <= w.lvwUsers.itemCount(); ++i) {
        const ListItem& item = w.lvwUsers.item(i);
        if (item.subItem(2).empty()) {
            w.lvwUsers.userItemClick(item.key());
            break;
        }
    }
    if (w.lvwRights.itemCount() > 1) w.lvwRights.userItemClick(w.lvwRights.item(2).key());
}

const bool signInStepsRegistered = [] {
    qt::registerTourStep("frmSignIn", [](qt::TourContext& t) { showSignIn(t, false); });
    qt::registerTourStep("frmSignIn-new-password", [](qt::TourContext& t) { showSignIn(t, true); });
    qt::modalFormStep<frmOperators>("frmOperators", showOperators);
    return true;
}();

}  // namespace
}  // namespace fo::app
