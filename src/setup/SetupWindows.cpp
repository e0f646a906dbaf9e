#include "setup/SetupWindows.h"

#include "setup/frmSchool.h"
#include "setup/frmStudents.h"
#include "ui/FormRegistry.h"

namespace fo {

void registerSetupWindows(FormRegistry& registry) {
    registry.addWindow<frmSchool>("frmSchool");
    registry.addWindow<frmStudents>("frmStudents");
}

}  // namespace fo
