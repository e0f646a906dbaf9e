#include "qt/bindings/ColumnFit.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "qt/EventBoundary.h"

namespace fo::qt {

int fittingWidth(const QAbstractItemView& view, const QHeaderView& header, int column, int rows) {
    int wanted = header.isHidden() ? 0 : header.sectionSizeHint(column);
    const QAbstractItemModel* model = view.model();
    for (int r = 0; r < rows; ++r) wanted = std::max(wanted, view.sizeHintForIndex(model->index(r, column)).width());
    const int digit = view.fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int room = view.viewport()->width() - header.length() + header.sectionSize(column);
    return std::min(wanted, std::max(digit * 20, std::min(room, digit * 40)));
}

void widenColumns(const QAbstractItemView& view, QHeaderView& header, int rows, const std::function<bool(int)>& mayWiden,
                  const std::function<void(int, int)>& widened) {
    if (rows <= 0) return;
    for (int c = 0; c < header.count(); ++c) {
        if (header.isSectionHidden(c) || !mayWiden(c)) continue;
        const int wanted = fittingWidth(view, header, c, rows);
        if (wanted <= header.sectionSize(c)) continue;
        header.resizeSection(c, wanted);
        widened(c, wanted);
    }
}

QTimer* measureAtNextTurn(QWidget* view, std::function<void()> measure) {
    auto* timer = new QTimer(view);
    timer->setSingleShot(true);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, view, guarded([measure = std::move(measure)] { measure(); }));
    return timer;
}

}  // namespace fo::qt
