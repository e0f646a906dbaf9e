// The progress window of a long posting: an application-modal progress
// dialog, so the clerk can start nothing else while it runs, with no cancel
// button, since a posting is not stopped half-way; each step draws it anew.
#include <QCoreApplication>
#include <QProgressDialog>
#include <algorithm>
#include <limits>

#include "qt/QtUi.h"

namespace fo::qt {
namespace {

int clampToInt(long value) {
    return static_cast<int>(std::clamp<long>(value, 0, std::numeric_limits<int>::max()));
}

class QtProgressWindow final : public ProgressWindow {
public:
    QtProgressWindow(QWidget* owner, const std::string& caption, long steps)
        : dialog_(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
        dialog_.setObjectName(QStringLiteral("postingProgress"));
        dialog_.setWindowTitle(QStringLiteral("请稍候"));
        dialog_.setLabelText(QString::fromStdString(caption));
        dialog_.setCancelButton(nullptr);
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setMinimumDuration(0);
        dialog_.setRange(0, std::max(1, clampToInt(steps)));
        dialog_.setValue(0);
        dialog_.show();
        QCoreApplication::processEvents();
    }
    void setValue(long done) override {
        // A modal progress dialog processes the pending events itself.
        dialog_.setValue(std::min(clampToInt(done), dialog_.maximum()));
    }

private:
    QProgressDialog dialog_;
};

}  // namespace

std::unique_ptr<ProgressWindow> QtUi::beginProgress(const std::string& caption, long steps) {
    return std::make_unique<QtProgressWindow>(ownerWindow(), caption, steps);
}

}  // namespace fo::qt
