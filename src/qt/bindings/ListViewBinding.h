#pragma once
#include "qt/bindings/ControlBinding.h"

class QTimer;
class QTreeView;

namespace fo {
class ListView;
}

namespace fo::qt {

class ListViewModel;

// A report-style list view as a QTreeView over a table model that reads the
// items where they live: no widget per row, and a list of thousands of rows
// costs no more than its visible part. Clicks, checks and double clicks go
// through the list's user-action entry points; widths the clerk drags go
// back into the column headers. A list whose rows are still being read is
// read on in idle time and as the view scrolls to its end.
class ListViewBinding final : public ControlBinding {
public:
    ListViewBinding(ListView& list, QWidget* parent);
    ~ListViewBinding() override;
    QTreeView* view() const;
    QRect editorRect(int dx, int dy, int width, int height) const override;

protected:
    void sync() override;

private:
    void measureRows();
    ListView& list_;
    ListViewModel* model_;
    QTimer* idle_ = nullptr;
    int lastFiredRow_ = -1;
};

}  // namespace fo::qt
