#include "qt/bindings/CutCellTips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

#include "qt/bindings/ControlBinding.h"

namespace fo::qt {
namespace {

class CutCellTips final : public QObject {
public:
    CutCellTips(QAbstractItemView* view) : QObject(view), view_(view) {}

    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::ToolTip) return false;
        const auto* he = static_cast<QHelpEvent*>(e);
        const QModelIndex index = view_->indexAt(he->pos());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect cell = view_->visualRect(index);
        // The text with the margins a view leaves either side of it.
        const int margin = view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1;
        const int needed = view_->fontMetrics().horizontalAdvance(text) + 2 * margin;
        if (index.isValid() && !text.isEmpty() && needed > cell.width())
            QToolTip::showText(he->globalPos(), text, view_->viewport(), cell);
        else
            QToolTip::hideText();
        return true;
    }

private:
    QAbstractItemView* view_;
};

}  // namespace

void showCutCellsOnHover(ControlBinding& binding, QAbstractItemView* view) {
    binding.filterEvents(view->viewport(), new CutCellTips(view));
}

}  // namespace fo::qt
