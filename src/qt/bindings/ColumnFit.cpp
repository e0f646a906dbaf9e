#include "qt/bindings/ColumnFit.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QResizeEvent>
#include <QHeaderView>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "qt/EventBoundary.h"

namespace fo::qt {

namespace {

// What the heading and the first `rows` rows of `column` take, uncut.
int contentWidth(const QAbstractItemView& view, const QHeaderView& header, int column, int rows) {
    int wanted = header.isHidden() ? 0 : header.sectionSizeHint(column);
    const QAbstractItemModel* model = view.model();
    for (int r = 0; r < rows; ++r) wanted = std::max(wanted, view.sizeHintForIndex(model->index(r, column)).width());
    return wanted;
}

}  // namespace

int lastShownSection(const QHeaderView& header) {
    for (int c = header.count() - 1; c >= 0; --c)
        if (!header.isSectionHidden(header.logicalIndex(c))) return header.logicalIndex(c);
    return -1;
}

void stretchLastColumn(QHeaderView& header) { header.setStretchLastSection(true); }

void showColumnWidth(QHeaderView& header, int column, int pixels) {
    const int shown = header.sectionSize(column);
    if (column == lastShownSection(header) && header.stretchLastSection() && shown >= pixels) return;
    if (shown != pixels) header.resizeSection(column, pixels);
}

void fitColumns(const QAbstractItemView& view, QHeaderView& header, int rows, const std::function<bool(int)>& mayFit,
                const std::function<void(int, int)>& fitted) {
    if (rows <= 0) return;
    const int digit = view.fontMetrics().horizontalAdvance(QLatin1Char('0'));
    // What each column the binding sizes needs; the clerk's own widths stay
    // and take their room first.
    std::vector<std::pair<int, int>> needs;  // column, pixels
    int room = view.viewport()->width();
    for (int c = 0; c < header.count(); ++c) {
        if (header.isSectionHidden(c)) continue;
        if (mayFit(c)) needs.emplace_back(c, contentWidth(view, header, c, rows) + digit);
        else room -= header.sectionSize(c);
    }
    // The columns share the room by what they need: a column that needs no
    // more than an even share of it gets all it needs, and the long texts
    // share the rest alike, down to a name's 20 characters each (past that
    // the view scrolls). The share is the largest cap under which they fit.
    const auto shareOf = [digit](int need, int cap) { return std::min(need, std::max(cap, digit * 20)); };
    const auto takenUnder = [&](int cap) {
        int taken = 0;
        for (const auto& need : needs) taken += shareOf(need.second, cap);
        return taken;
    };
    int most = 0;
    for (const auto& need : needs) most = std::max(most, need.second);
    int cap = 0;  // every long text at its floor, when even that does not fit
    for (int low = 0, high = most; low <= high;) {
        const int mid = (low + high) / 2;
        if (takenUnder(mid) <= room) {
            cap = mid;
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    for (const auto& [c, need] : needs) {
        const int wanted = shareOf(need, cap);
        if (wanted == header.sectionSize(c)) continue;
        header.resizeSection(c, wanted);
        fitted(c, wanted);
    }
}

std::vector<std::string> cutColumns(const QAbstractItemView& view, const QHeaderView& header, int rows) {
    std::vector<std::string> cut;
    const int visibleRows = std::min(rows, view.model()->rowCount());
    for (int c = 0; c < header.count(); ++c) {
        if (header.isSectionHidden(c)) continue;
        const bool elided = header.sectionSize(c) < contentWidth(view, header, c, visibleRows);
        const bool beyond = header.sectionViewportPosition(c) + header.sectionSize(c) > view.viewport()->width();
        if (elided || beyond)
            cut.push_back(view.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    }
    // The columns end short of the view's edge: the room left beside them
    // is an empty strip a column the view had to narrow could have had.
    const int last = lastShownSection(header);
    if (last >= 0 && header.sectionViewportPosition(last) + header.sectionSize(last) < view.viewport()->width() - 2)
        cut.push_back("empty strip after " +
                      view.model()->headerData(last, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    return cut;
}

std::vector<std::string> roomyColumns(const QAbstractItemView& view, const QHeaderView& header, int rows, int except) {
    std::vector<std::string> roomy;
    const int digit = view.fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int measured = std::min(rows, view.model()->rowCount());
    for (int c = 0; c < header.count(); ++c)
        if (c != except && !header.isSectionHidden(c) &&
            header.sectionSize(c) > contentWidth(view, header, c, measured) + 2 * digit)
            roomy.push_back(view.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    return roomy;
}

namespace {

class WidthWatch final : public QObject {
public:
    WidthWatch(QObject* parent, std::function<void()> refit) : QObject(parent), refit_(std::move(refit)) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Resize) {
            const auto* r = static_cast<QResizeEvent*>(e);
            if (r->oldSize().width() != r->size().width()) refit_();
        }
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void()> refit_;
};

}  // namespace

QObject* onViewportWidthChange(QAbstractItemView* view, std::function<void()> refit) {
    auto* watch = new WidthWatch(view, std::move(refit));
    view->viewport()->installEventFilter(watch);
    return watch;
}

QTimer* measureAtNextTurn(QWidget* view, std::function<void()> measure) {
    auto* timer = new QTimer(view);
    timer->setSingleShot(true);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, view, guarded([measure = std::move(measure)] { measure(); }));
    return timer;
}

}  // namespace fo::qt
