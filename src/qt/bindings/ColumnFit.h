#pragma once
#include <functional>

class QAbstractItemView;
class QHeaderView;
class QTimer;
class QWidget;

namespace fo::qt {

// The rows a column is judged and measured on when it is first shown.
constexpr int kRowsMeasured = 200;

// The width column `column` of `view` needs to show its heading (when
// `header` shows) and its first `rows` rows whole, in pixels. A bill number,
// a date, an amount or a name (up to 20 characters) always shows whole;
// longer texts get only the room the view has left, so the columns after
// them stay in view. Lists and grids widen a column to it (never narrow
// one) once the window has filled it, unless the clerk sized it himself.
int fittingWidth(const QAbstractItemView& view, const QHeaderView& header, int column, int rows);

// Widens each column of `header` that `mayWiden` allows and that is
// narrower than its fitting width on the first `rows` rows; `widened`
// (column, pixels) then keeps the new width in the control.
void widenColumns(const QAbstractItemView& view, QHeaderView& header, int rows, const std::function<bool(int)>& mayWiden,
                  const std::function<void(int, int)>& widened);

// A timer of `view`'s that, once started, runs `measure` (at the event
// boundary) at the next turn of the event loop: the columns are measured
// after the window has filled the rows, not row by row.
QTimer* measureAtNextTurn(QWidget* view, std::function<void()> measure);

}  // namespace fo::qt
