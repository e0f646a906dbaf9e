#pragma once

namespace fo {

class FormRegistry;

// Registers the school's set-up windows (frmSchool, frmStudents) by their
// class names.
void registerSetupWindows(FormRegistry& registry);

}  // namespace fo
