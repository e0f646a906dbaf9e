// Tour steps of the school's set-up: the school window on its charge types
// with the first type's amounts, and the students window with the first
// student shown.
#include "qt/Tour.h"
#include "setup/frmSchool.h"
#include "setup/frmStudents.h"

namespace fo::app {
namespace {

void fillSchoolWindow(frmSchool& w) {
    if (w.lvwTypes.itemCount() > 0) w.lvwTypes.userItemClick(w.lvwTypes.item(1).key());
    if (w.lvwLines.itemCount() > 0) w.lvwLines.userItemClick(w.lvwLines.item(1).key());
    if (w.lvwClasses.itemCount() > 0) w.lvwClasses.userItemClick(w.lvwClasses.item(1).key());
    if (w.lvwItems.itemCount() > 1) w.lvwItems.userItemClick(w.lvwItems.item(2).key());
}

void fillStudentsWindow(frmStudents& w) {
    if (w.lvwStudents.itemCount() > 0) w.lvwStudents.userItemClick(w.lvwStudents.item(1).key());
}

const bool setupStepsRegistered = [] {
    qt::modalFormStep<frmSchool>("frmSchool", fillSchoolWindow);
    qt::modalFormStep<frmStudents>("frmStudents", fillStudentsWindow);
    return true;
}();

}  // namespace
}  // namespace fo::app
