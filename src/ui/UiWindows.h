#pragma once

namespace fo {

class FormRegistry;

// Adds the windows of this layer (the yes/no box) to `registry`.
void registerUiWindows(FormRegistry& registry);

}  // namespace fo
