#pragma once

class QAbstractItemView;

namespace fo::qt {

class ControlBinding;

// A cell drawn narrower than its text shows the whole text when the mouse
// rests on it; a cell that shows all of it has no tip.
void showCutCellsOnHover(ControlBinding& binding, QAbstractItemView* view);

}  // namespace fo::qt
