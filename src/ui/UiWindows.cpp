#include "ui/UiWindows.h"

#include "ui/FormRegistry.h"
#include "ui/frmMsg.h"

namespace fo {

void registerUiWindows(FormRegistry& registry) { registry.addWindow<frmMsg>("frmMsg"); }

}  // namespace fo
