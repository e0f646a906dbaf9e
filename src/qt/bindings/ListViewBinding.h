#pragma once
#include <set>
#include <string>
#include <utility>

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
// back into the column headers, and a column is sized to its heading and
// rows unless the clerk sized it. A column of amounts shows
// them "0.00", right-aligned (AmountColumns.h). A list whose rows are still
// being read is read on in idle time and as the view scrolls to its end.
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
    void widenToContent();
    void measureColumns();
    // The last column shown (0-based), which stretches; -1 when none.
    int lastShownColumn() const;
    ListView& list_;
    ListViewModel* model_;
    QPointer<QTimer> idle_;
    int lastFiredRow_ = -1;
    std::set<std::string> clerkSized_;  // captions of the columns the clerk sized
    std::pair<int, int> measuredShape_{0, 0};  // the rows and columns the widths were measured on
    QPointer<QTimer> widen_;                     // measures the columns at the next turn of the loop
    QPointer<QObject> widthWatch_;               // measures them again when the view changes width
};

}  // namespace fo::qt
