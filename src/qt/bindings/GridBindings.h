#pragma once
#include <memory>

#include "qt/bindings/ControlBinding.h"

class QTableView;

namespace fo {
class FlexGrid;
}

namespace fo::qt {

class FlexGridModel;

// A flexible grid as a QTableView: its first fixed row is the view's header,
// the rest are rows scrolled one whole row at a time, so the grid's TopRow
// and the view's scroll position are the same thing. The window's in-place
// editor follows the current cell from the grid's geometry; the binding
// places it over that cell as the view shows it.
class FlexGridBinding final : public ControlBinding {
public:
    FlexGridBinding(FlexGrid& grid, QWidget* parent);
    QTableView* view() const;
    QRect editorRect(int dx, int dy, int width, int height) const override;
    // Grid row of view row `r` and back.
    int gridRow(int viewRow) const;
    int viewRow(int gridRow) const;

protected:
    void sync() override;

private:
    FlexGrid& grid_;
    FlexGridModel* model_;
};

// Data grids and tree views.
std::unique_ptr<ControlBinding> bindGridOrTree(Control& control, QWidget* parent);

}  // namespace fo::qt
