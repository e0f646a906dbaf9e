#pragma once
#include <memory>
#include <set>
#include <utility>

#include "qt/bindings/ControlBinding.h"

class QTableView;
class QTimer;

namespace fo {
class FlexGrid;
}

namespace fo::qt {

class FlexGridModel;

// A flexible grid as a QTableView: its first fixed row is the view's header,
// the rest are rows scrolled one whole row at a time, so the grid's TopRow
// and the view's scroll position are the same thing. The window's in-place
// editor follows the current cell from the grid's geometry; the binding
// places it over that cell as the view shows it. Amounts show "0.00",
// right-aligned, and a column shown too narrow for its heading and rows is
// widened to them unless the clerk sized it, as in list views.
class FlexGridBinding final : public ControlBinding {
public:
    FlexGridBinding(FlexGrid& grid, QWidget* parent);
    ~FlexGridBinding() override;
    QTableView* view() const;
    QRect editorRect(int dx, int dy, int width, int height) const override;
    // Grid row of view row `r` and back.
    int gridRow(int viewRow) const;
    int viewRow(int gridRow) const;

protected:
    void sync() override;

private:
    void measureColumns();
    FlexGrid& grid_;
    FlexGridModel* model_;
    std::set<int> clerkSized_;                  // the columns the clerk sized
    std::pair<int, int> measuredShape_{0, 0};  // the rows and columns the widths were measured on
    QPointer<QTimer> widen_;                     // measures the columns at the next turn of the loop
};

// Data grids and tree views.
std::unique_ptr<ControlBinding> bindGridOrTree(Control& control, QWidget* parent);

}  // namespace fo::qt
