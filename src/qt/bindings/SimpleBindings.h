#pragma once
#include <memory>

#include "qt/bindings/ControlBinding.h"

namespace fo::qt {

// Bindings of the controls whose widget is one plain Qt widget: buttons,
// check and option boxes, labels, frames, picture boxes, progress bars,
// combo and list boxes, date pickers and tab strips. nullptr when `control`
// is of another kind.
std::unique_ptr<ControlBinding> bindSimpleControl(Control& control, QWidget* parent);

}  // namespace fo::qt
