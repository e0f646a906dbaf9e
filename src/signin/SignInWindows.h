#pragma once

namespace fo {

class FormRegistry;

// Registers the sign-in window and the operator window (frmSignIn,
// frmOperators) by their class names.
void registerSignInWindows(FormRegistry& registry);

}  // namespace fo
