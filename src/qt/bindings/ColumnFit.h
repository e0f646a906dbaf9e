#pragma once
#include <functional>
#include <string>
#include <vector>

class QAbstractItemView;
class QHeaderView;
class QObject;
class QTimer;
class QWidget;

namespace fo::qt {

// The rows a column is judged and measured on when it is first shown.
constexpr int kRowsMeasured = 200;

// The width column `column` of `view` needs to show its heading (when
// `header` shows) and its first `rows` rows whole, in pixels, with a
// character's room to spare. A bill number, a date, an amount or a name (up
// to 20 characters) always shows whole; longer texts get only the room the
// view has left, so the columns after them stay in view. Lists and grids
// size a column to it once the window has filled it, unless the clerk sized
// it himself: a column is as wide as its content needs, not wider.
int fittingWidth(const QAbstractItemView& view, const QHeaderView& header, int column, int rows);

// The logical index of the last column `header` shows, or -1.
int lastShownSection(const QHeaderView& header);

// Makes the last column shown take the room the others leave, so a list or
// grid has no empty band at its right; its width stays the column's own.
void stretchLastColumn(QHeaderView& header);

// Gives column `column` of `header` `pixels`, unless it is the last column
// shown and already stretches wider than that into the room left.
void showColumnWidth(QHeaderView& header, int column, int pixels);

// Sizes each column of `header` that `mayFit` allows to its fitting width
// on the first `rows` rows; `fitted` (column, pixels) then keeps the new
// width in the control.
void fitColumns(const QAbstractItemView& view, QHeaderView& header, int rows, const std::function<bool(int)>& mayFit,
                const std::function<void(int, int)>& fitted);

// The columns of `view` a clerk cannot read whole as they are drawn now:
// narrower than their heading or one of their first `rows` rows (the text
// is elided), or reaching past the right edge of the view. By heading; and
// when the columns end short of that edge, "empty strip after " and the
// last one's heading.
std::vector<std::string> cutColumns(const QAbstractItemView& view, const QHeaderView& header, int rows);

// Runs `refit` whenever `view`'s viewport changes width (the window was
// sized, a scroll bar came or went): the room a long text may take changes
// with it. Deleting the object returned stops it.
QObject* onViewportWidthChange(QAbstractItemView* view, std::function<void()> refit);

// A timer of `view`'s that, once started, runs `measure` (at the event
// boundary) at the next turn of the event loop: the columns are measured
// after the window has filled the rows, not row by row.
QTimer* measureAtNextTurn(QWidget* view, std::function<void()> measure);

}  // namespace fo::qt
