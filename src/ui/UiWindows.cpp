#include "ui/UiWindows.h"

#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"
#include "ui/frmMsg.h"

namespace fo {

// A lambda of this file, not FormRegistry::addWindow<frmMsg>: the shared
// library exports that template's instances, and the yes/no box is internal.
void registerUiWindows(FormRegistry& registry) {
    registry.addWindow("frmMsg", [] { return std::static_pointer_cast<Form>(formInstance<frmMsg>()); });
}

}  // namespace fo
