#include "qt/bindings/ListViewBinding.h"
#include "qt/EventBoundary.h"
#include "qt/bindings/CutCellTips.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <vector>

#include "qt/AmountColumns.h"
#include "qt/bindings/ColumnFit.h"
#include "qt/Twips.h"
#include "ui/controls/ListView.h"

namespace fo::qt {

// The rows and columns the view knows of, read from the list where they
// live (an added item, or the row a ListRows supplies) as the view draws
// them. It learns of changes from notice(): rows appended (a fill, or more
// rows read) are inserted, anything else resets it. While the list's rows
// are still being read, the view asks for more as it scrolls to the end
// (canFetchMore/fetchMore).
class ListViewModel final : public QAbstractTableModel {
public:
    explicit ListViewModel(ListView& list) : list_(list) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : cols_; }

    QVariant data(const QModelIndex& index, int role) const override {
        const int r = index.row() + 1, c = index.column() + 1;
        if (r > list_.shownCount() || c > list_.columnCountOf()) return {};
        switch (role) {
        case Qt::DisplayRole: {
            const std::string text = list_.rowCell(r, c);
            return qs(amounts(c) ? shownAmount(text) : text);
        }
        case Qt::ForegroundRole: {
            const int color = list_.rowCellColor(r, c);
            return color == 0 ? QVariant() : QVariant(toQColor(color));
        }
        case Qt::TextAlignmentRole:
            return static_cast<int>(toQtAlignment(amounts(c) ? Alignment::Right : list_.column(c).alignment));
        case Qt::CheckStateRole:
            if (c == 1 && list_.checkboxes()) return list_.rowChecked(r) ? Qt::Checked : Qt::Unchecked;
            return {};
        default: return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::CheckStateRole || index.column() != 0 || index.row() >= list_.shownCount()) return false;
        list_.userRowCheck(index.row() + 1, value.toInt() == Qt::Checked);
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == 0 && list_.checkboxes()) f |= Qt::ItemIsUserCheckable;
        return f;
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole || section >= list_.columnCountOf()) return {};
        return qs(list_.column(section + 1).text);
    }

    bool canFetchMore(const QModelIndex& parent) const override { return !parent.isValid() && !list_.rowsComplete(); }
    void fetchMore(const QModelIndex& parent) override {
        // A failed read is shown at the event boundary, not thrown into the view.
        if (!parent.isValid()) guarded([this] { list_.readMoreRows(); })();
    }

    // Brings the view up to the list's present state.
    void notice() {
        const int rows = list_.shownCount(), cols = list_.columnCountOf();
        // Rows appended past those the amounts are judged on change nothing
        // there: a fill of thousands of rows judges them once.
        if (!(rows > rows_ && rows_ >= kRowsMeasured && cols == cols_)) amountsSeen_ = false;
        if (cols != cols_ || rows < rows_) {
            beginResetModel();
            rows_ = rows;
            cols_ = cols;
            endResetModel();
            return;
        }
        if (rows > rows_) {
            beginInsertRows({}, rows_, rows - 1);
            rows_ = rows;
            endInsertRows();
        }
        if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
        if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
    }

private:
    // Whether column c (1-based) holds amounts, judged on the rows there
    // once per change of the list, when the view first draws it again.
    bool amounts(int c) const {
        if (!amountsSeen_) {
            amountsSeen_ = true;
            amounts_.assign(static_cast<std::size_t>(list_.columnCountOf()) + 1, false);
            const int rows = std::min(list_.shownCount(), kRowsMeasured);
            for (int i = 1; i <= list_.columnCountOf(); ++i)
                amounts_[static_cast<std::size_t>(i)] =
                    holdsAmounts(list_.column(i).text, rows, [this, i](int r) { return list_.rowCell(r + 1, i); });
        }
        return c < static_cast<int>(amounts_.size()) && amounts_[static_cast<std::size_t>(c)];
    }

    ListView& list_;
    int rows_ = 0, cols_ = 0;
    mutable std::vector<bool> amounts_;
    mutable bool amountsSeen_ = false;
};

ListViewBinding::ListViewBinding(ListView& list, QWidget* parent)
    : ControlBinding(list, new QTreeView(parent)), list_(list), model_(new ListViewModel(list)) {
    QTreeView* v = view();
    model_->setParent(v);
    v->setModel(model_);
    v->setRootIsDecorated(false);
    v->setUniformRowHeights(true);
    v->setAllColumnsShowFocus(true);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stretchLastColumn(*v->header());
    v->header()->setSectionsMovable(false);
    routeTyping(*this, v, false);
    routeKeys(*this, v);
    showCutCellsOnHover(*this, v);

    QObject::connect(v->selectionModel(), &QItemSelectionModel::currentRowChanged, v,
                     guarded([this](const QModelIndex& current, const QModelIndex&) {
                         if (syncing() || !current.isValid() || current.row() >= list_.shownCount()) return;
                         lastFiredRow_ = current.row();
                         list_.userRowClick(current.row() + 1);
                     }));
    // A click on the row that is already current selects nothing new, but
    // is an item click all the same.
    QObject::connect(v, &QTreeView::clicked, v, guarded([this](const QModelIndex& index) {
        const int fired = lastFiredRow_;
        lastFiredRow_ = -1;
        if (index.row() == fired || index.row() >= list_.shownCount()) return;
        list_.userRowClick(index.row() + 1);
    }));
    QObject::connect(v, &QTreeView::doubleClicked, v, guarded([this](const QModelIndex& index) {
        if (index.row() < list_.shownCount()) list_.userRowDblClick(index.row() + 1);
    }));
    QObject::connect(v->header(), &QHeaderView::sectionClicked, v, guarded([this](int section) {
        if (section < list_.columnCountOf() && list_.ColumnClick) list_.ColumnClick(list_.column(section + 1));
    }));
    QObject::connect(v->header(), &QHeaderView::sectionResized, v, guarded([this](int section, int, int size) {
        if (syncing() || section >= list_.columnCountOf() || section == lastShownColumn()) return;
        clerkSized_.insert(list_.column(section + 1).text);
        QuietGuard quiet(*this);
        list_.setColumnWidth(section, toTwips(size));
    }));
    // Idle time reads the rest of a list still being read, a chunk per turn
    // of the event loop, so the clerk works with it meanwhile. A chunk that
    // fails stops the reading (the boundary shows why) instead of repeating.
    idle_ = new QTimer(v);
    idle_->setInterval(0);
    QObject::connect(idle_, &QTimer::timeout, v, guarded([this] {
        idle_->stop();
        if (list_.rowsComplete()) return;
        list_.readMoreRows();
        if (!list_.rowsComplete()) idle_->start();
    }));
    widen_ = measureAtNextTurn(v, [this] { measureColumns(); });
    widthWatch_ = onViewportWidthChange(v, [this] {
        measuredShape_ = {-1, -1};  // measured again with the room it has now
        if (widen_ && !widen_->isActive()) widen_->start();
    });
    QObject::connect(v->verticalScrollBar(), &QScrollBar::valueChanged, v, guarded([this](int) {
        if (scrolled) scrolled();
    }));
    refresh();
}

ListViewBinding::~ListViewBinding() {
    // The view may outlive the binding a little (a window deleted later).
    if (widen_) widen_->stop();
    if (idle_) idle_->stop();
    delete widthWatch_.data();
}

QTreeView* ListViewBinding::view() const { return static_cast<QTreeView*>(widget()); }

void ListViewBinding::measureRows() {
    QTreeView* v = view();
    const int header = v->header()->isHidden() ? 0 : v->header()->sizeHint().height();
    int row = list_.shownCount() > 0 ? v->sizeHintForRow(0) : 0;
    if (row <= 0) row = v->fontMetrics().height() + 4;
    list_.setRowMetrics(toTwips(header), toTwips(row));
}

void ListViewBinding::sync() {
    model_->notice();
    QTreeView* v = view();
    for (int i = 1; i <= list_.columnCountOf(); ++i) v->setColumnHidden(i - 1, list_.column(i).width <= 0);
    for (int i = 1; i <= list_.columnCountOf(); ++i)
        if (list_.column(i).width > 0) showColumnWidth(*v->header(), i - 1, toPixels(list_.column(i).width));
    v->setSelectionMode(list_.multiSelect() ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
    ListItem* selected = list_.selectedItem();
    if (selected) {
        const QModelIndex index = model_->index(selected->index() - 1, 0);
        if (v->selectionModel()->currentIndex().row() != index.row())
            v->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (v->selectionModel()->hasSelection()) {
        v->selectionModel()->clear();
    }
    widenToContent();
    measureRows();
    if (!list_.rowsComplete() && !idle_->isActive()) idle_->start();
}

void ListViewBinding::widenToContent() {
    // A column is sized to its caption and its first rows, widened or
    // narrowed: a bill number, a date, an amount or a name is not cut on
    // first open, and no column takes room its content does not need,
    // whatever width was kept or given. The width goes back to the column,
    // so it is kept with the clerk's; a column the clerk sized himself is
    // left alone. The rows are measured once the window has filled them (its
    // sub-items come after each row), at the next turn of the event loop
    // after their number changed.
    const std::pair shape(list_.shownCount(), list_.columnCountOf());
    if (shape != measuredShape_ && !widen_->isActive()) widen_->start();
}

void ListViewBinding::measureColumns() {
    QTreeView* v = view();
    if (!v->isVisible()) return;
    measuredShape_ = {list_.shownCount(), list_.columnCountOf()};
    SyncGuard echo(*this);  // the header's resize signals are no drags of the clerk's
    fitColumns(
        *v, *v->header(), std::min(list_.shownCount(), kRowsMeasured),
        [this](int c) { return c < list_.columnCountOf() && !clerkSized_.count(list_.column(c + 1).text); },
        [this](int c, int pixels) {
            QuietGuard quiet(*this);
            list_.setColumnWidth(c, toTwips(pixels));
        });
    // An editor placed over a cell before the columns were measured moves
    // to where its cell is drawn now.
    if (scrolled) scrolled();
}

int ListViewBinding::lastShownColumn() const {
    for (int i = list_.columnCountOf(); i >= 1; --i)
        if (list_.column(i).width > 0) return i - 1;
    return -1;
}

QRect ListViewBinding::editorRect(int dx, int dy, int width, int height) const {
    QTreeView* v = view();
    // The row the window aimed at from the list's own geometry (item tops
    // count from the first row), the column from the header widths.
    const int rowTwips = std::max(1, list_.rowHeight());
    const int row = (dy - list_.headerHeight() + rowTwips / 4) / rowTwips;
    int column = -1, x = 0;
    for (int i = 1; i <= list_.columnCountOf(); ++i) {
        const int w = std::max(0, list_.column(i).width);
        if (dx + 15 >= x && dx < x + w) { column = i - 1; break; }
        x += w;
    }
    if (row < 0 || row >= list_.shownCount() || column < 0) return ControlBinding::editorRect(dx, dy, width, height);
    QRect cell = v->visualRect(model_->index(row, column));
    cell.moveTopLeft(v->viewport()->mapTo(v, cell.topLeft()));
    return cell;
}

}  // namespace fo::qt
