#include <QAbstractTableModel>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "qt/AmountColumns.h"
#include "qt/bindings/ColumnFit.h"
#include "qt/bindings/GridBindings.h"
#include "qt/EventBoundary.h"
#include "qt/bindings/CutCellTips.h"
#include "qt/Twips.h"
#include "ui/controls/FlexGrid.h"

namespace fo::qt {

class FlexGridModel final : public QAbstractTableModel {
public:
    explicit FlexGridModel(FlexGrid& g) : g_(g) {}
    int headerRows() const { return g_.fixedRows() > 0 ? 1 : 0; }
    int rowCount(const QModelIndex& p) const override { return p.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& p) const override { return p.isValid() ? 0 : cols_; }

    QVariant data(const QModelIndex& i, int role) const override {
        const int r = i.row() + headerRows(), c = i.column();
        if (r >= g_.rows() || c >= g_.cols()) return {};
        const bool amount = r >= g_.fixedRows() && amounts(c);
        if (role == Qt::DisplayRole) return qs(amount ? shownAmount(g_.textMatrix(r, c)) : g_.textMatrix(r, c));
        if (role == Qt::TextAlignmentRole)
            return static_cast<int>(toQtAlignment(amount ? Alignment::Right : g_.colAlignment(c)));
        // Fixed rows and columns look like headers.
        if (role == Qt::BackgroundRole && (r < g_.fixedRows() || c < g_.fixedCols()))
            return QVariant(QColor(0xE0, 0xE0, 0xE0));
        return {};
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole || !headerRows() || section >= g_.cols()) return {};
        return qs(g_.textMatrix(0, section));
    }

    void notice() {
        amountsSeen_ = false;
        const int rows = std::max(0, g_.rows() - headerRows()), cols = g_.cols();
        if (rows != rows_ || cols != cols_) {
            beginResetModel();
            rows_ = rows;
            cols_ = cols;
            endResetModel();
            return;
        }
        if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
        if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
    }

private:
    // Whether column c holds amounts, judged on the rows below the fixed
    // ones once per change of the grid, when the view first draws it again.
    bool amounts(int c) const {
        if (!amountsSeen_) {
            amountsSeen_ = true;
            amounts_.assign(static_cast<std::size_t>(g_.cols()), false);
            const int first = g_.fixedRows(), rows = std::min(g_.rows() - first, kRowsMeasured);
            for (int col = 0; col < g_.cols(); ++col)
                amounts_[static_cast<std::size_t>(col)] =
                    holdsAmounts(headerRows() ? g_.textMatrix(0, col) : std::string(), rows,
                                 [this, first, col](int r) { return g_.textMatrix(first + r, col); });
        }
        return c < static_cast<int>(amounts_.size()) && amounts_[static_cast<std::size_t>(c)];
    }

    FlexGrid& g_;
    int rows_ = 0, cols_ = 0;
    mutable std::vector<bool> amounts_;
    mutable bool amountsSeen_ = false;
};

FlexGridBinding::FlexGridBinding(FlexGrid& grid, QWidget* parent)
    : ControlBinding(grid, new QTableView(parent)), grid_(grid), model_(new FlexGridModel(grid)) {
    QTableView* v = view();
    model_->setParent(v);
    v->setModel(model_);
    v->verticalHeader()->hide();
    v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->verticalHeader()->setMinimumSectionSize(1);
    v->horizontalHeader()->setMinimumSectionSize(1);
    stretchLastColumn(*v->horizontalHeader());
    v->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    // Typed characters are the grid's KeyPress (the window starts editing
    // the cell with them); installed first, so KeyDown has seen them.
    routeTyping(*this, v, true);
    routeKeys(*this, v);
    showCutCellsOnHover(*this, v);
    QObject::connect(v, &QTableView::clicked, v, guarded([this](const QModelIndex& i) {
        grid_.userCellClick(gridRow(i.row()), i.column());
    }));
    QObject::connect(v, &QTableView::doubleClicked, v, guarded([this](const QModelIndex&) {
        if (grid_.DblClick) grid_.DblClick();
    }));
    QObject::connect(v->verticalScrollBar(), &QScrollBar::valueChanged, v, guarded([this](int value) {
        if (!syncing()) grid_.userScroll(gridRow(value));
        if (scrolled) scrolled();
    }));
    QObject::connect(v->horizontalHeader(), &QHeaderView::sectionResized, v, guarded([this](int c, int, int size) {
        if (syncing() || c >= grid_.cols() || c == lastShownSection(*view()->horizontalHeader())) return;
        clerkSized_.insert(c);
        QuietGuard quiet(*this);
        grid_.setColWidth(c, toTwips(size));
    }));
    widen_ = measureAtNextTurn(v, [this] { measureColumns(); });
    refresh();
}

FlexGridBinding::~FlexGridBinding() {
    // The view may outlive the binding a little (a window deleted later).
    if (widen_) widen_->stop();
}

QTableView* FlexGridBinding::view() const { return static_cast<QTableView*>(widget()); }
int FlexGridBinding::gridRow(int r) const { return r + model_->headerRows(); }
int FlexGridBinding::viewRow(int r) const { return r - model_->headerRows(); }

void FlexGridBinding::sync() {
    model_->notice();
    QTableView* v = view();
    const int headerRows = model_->headerRows();
    v->horizontalHeader()->setVisible(headerRows > 0);
    if (headerRows > 0 && grid_.rows() > 0) v->horizontalHeader()->setFixedHeight(toPixels(grid_.rowHeight(0)));
    for (int c = 0; c < grid_.cols(); ++c) v->setColumnHidden(c, grid_.colWidth(c) < 1);
    for (int c = 0; c < grid_.cols(); ++c)
        if (grid_.colWidth(c) >= 1) showColumnWidth(*v->horizontalHeader(), c, toPixels(grid_.colWidth(c)));
    for (int r = headerRows; r < grid_.rows(); ++r) {
        const int h = toPixels(grid_.rowHeight(r));
        if (v->rowHeight(viewRow(r)) != h) v->setRowHeight(viewRow(r), h);
    }
    if (grid_.rows() > headerRows && grid_.cols() > 0 && grid_.row() >= headerRows) {
        const QModelIndex current = model_->index(viewRow(grid_.row()), grid_.col());
        if (v->currentIndex() != current) v->setCurrentIndex(current);
    }
    const int top = viewRow(grid_.topRow());
    if (top >= 0 && v->verticalScrollBar()->value() != top) v->verticalScrollBar()->setValue(top);
    // Measured once the window has filled the rows, at the next turn of
    // the event loop after their number changed (as lists are).
    if (std::pair(grid_.rows(), grid_.cols()) != measuredShape_ && !widen_->isActive()) widen_->start();
}

void FlexGridBinding::measureColumns() {
    // A column is widened (never narrowed) until its heading and its first
    // rows show whole; the width goes back to the grid, whose cell geometry
    // the window's editor follows. A column the clerk sized is left alone.
    QTableView* v = view();
    if (!v->isVisible()) return;
    measuredShape_ = {grid_.rows(), grid_.cols()};
    SyncGuard echo(*this);  // the header's resize signals are no drags of the clerk's
    fitColumns(
        *v, *v->horizontalHeader(), std::min(model_->rowCount({}), kRowsMeasured),
        [this](int c) { return c < grid_.cols() && !clerkSized_.count(c); },
        [this](int c, int pixels) {
            QuietGuard quiet(*this);
            grid_.setColWidth(c, toTwips(pixels));
        });
}

QRect FlexGridBinding::editorRect(int dx, int dy, int width, int height) const {
    // The cell under (dx, dy) by the grid's own geometry, which skips the
    // rows scrolled out of view as the grid reports its cell positions.
    int row = -1, y = 0;
    for (int r = 0; r < grid_.rows(); ++r) {
        if (r >= grid_.fixedRows() && r < grid_.topRow()) continue;
        const int h = grid_.rowHeight(r);
        if (dy + 15 >= y && dy < y + h) { row = r; break; }
        y += h;
    }
    int col = -1, x = 0;
    for (int c = 0; c < grid_.cols(); ++c) {
        const int w = std::max(0, grid_.colWidth(c));
        if (dx + 15 >= x && dx < x + w) { col = c; break; }
        x += w;
    }
    // An editor placed at the current cell edits that cell: it follows the
    // cell as drawn now, though the columns were sized since it was placed.
    if (row >= 0 && row == grid_.row() && grid_.col() >= 0 && grid_.col() < grid_.cols()) col = grid_.col();
    const QTableView* v = view();
    if (row < model_->headerRows() || col < 0) return ControlBinding::editorRect(dx, dy, width, height);
    QRect cell = v->visualRect(model_->index(viewRow(row), col));
    cell.moveTopLeft(v->viewport()->mapTo(v, cell.topLeft()));
    return cell;
}

}  // namespace fo::qt
