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

// The logical index of the last column `header` shows, or -1.
int lastShownSection(const QHeaderView& header);

// Makes the last column shown take the room the others leave, so a list or
// grid has no empty band at its right; its width stays the column's own.
void stretchLastColumn(QHeaderView& header);

// Gives column `column` of `header` `pixels`, unless it is the last column
// shown and already stretches wider than that into the room left.
void showColumnWidth(QHeaderView& header, int column, int pixels);

// Sizes the columns of `header` that `mayFit` allows to their heading (when
// it shows) and their first `rows` rows, with a character's room to spare:
// as wide as their content needs, not wider, unless the clerk sized them
// himself (`mayFit` false: that width stays). When they do not all fit the
// view, they share its width by their content: a bill number, a date, an
// amount or a name (up to 20 characters) always shows whole, and the long
// texts share what is left alike, so the columns after them stay in view.
// `fitted` (column, pixels) then keeps each new width in the control.
void fitColumns(const QAbstractItemView& view, QHeaderView& header, int rows, const std::function<bool(int)>& mayFit,
                const std::function<void(int, int)>& fitted);

// The columns of `view` a clerk cannot read whole as they are drawn now:
// narrower than their heading or one of their first `rows` rows (the text
// is elided), or reaching past the right edge of the view. By heading; and
// when the columns end short of that edge, "empty strip after " and the
// last one's heading.
std::vector<std::string> cutColumns(const QAbstractItemView& view, const QHeaderView& header, int rows);

// The headings of the columns of `view`, other than `except`, drawn wider
// than their heading and first `rows` rows need by more than two
// characters: room a column cut beside them could have had.
std::vector<std::string> roomyColumns(const QAbstractItemView& view, const QHeaderView& header, int rows, int except);

// Runs `refit` whenever `view`'s viewport changes width (the window was
// sized, a scroll bar came or went): the room a long text may take changes
// with it. Deleting the object returned stops it.
QObject* onViewportWidthChange(QAbstractItemView* view, std::function<void()> refit);

// A timer of `view`'s that, once started, runs `measure` (at the event
// boundary) at the next turn of the event loop: the columns are measured
// after the window has filled the rows, not row by row.
QTimer* measureAtNextTurn(QWidget* view, std::function<void()> measure);

}  // namespace fo::qt
