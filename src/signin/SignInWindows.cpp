#include "signin/SignInWindows.h"

#include "signin/frmOperators.h"
#include "signin/frmSignIn.h"
#include "ui/FormRegistry.h"

namespace fo {

void registerSignInWindows(FormRegistry& registry) {
    registry.addWindow<frmSignIn>("frmSignIn");
    registry.addWindow<frmOperators>("frmOperators");
}

}  // namespace fo
