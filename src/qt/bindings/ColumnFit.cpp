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

int fittingWidth(const QAbstractItemView& view, const QHeaderView& header, int column, int rows) {
    const int digit = view.fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int wanted = contentWidth(view, header, column, rows) + digit;
    // The room the other columns leave; a last column that stretches into
    // the rest counts with what its content needs, not the rest it took.
    int others = 0;
    const int last = lastShownSection(header);
    for (int c = 0; c < header.count(); ++c) {
        if (c == column || header.isSectionHidden(c)) continue;
        others += c == last && header.stretchLastSection()
                      ? std::min(header.sectionSize(c), contentWidth(view, header, c, rows) + digit)
                      : header.sectionSize(c);
    }
    const int room = view.viewport()->width() - others;
    return std::min(wanted, std::max(digit * 20, std::min(room, digit * 40)));
}

void fitColumns(const QAbstractItemView& view, QHeaderView& header, int rows, const std::function<bool(int)>& mayFit,
                const std::function<void(int, int)>& fitted) {
    if (rows <= 0) return;
    for (int c = 0; c < header.count(); ++c) {
        if (header.isSectionHidden(c) || !mayFit(c)) continue;
        const int wanted = fittingWidth(view, header, c, rows);
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
