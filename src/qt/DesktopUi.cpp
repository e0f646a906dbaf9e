#include "qt/DesktopUi.h"

#include <QApplication>
#include <QEvent>

#include "qt/EventBoundary.h"
#include "qt/FormView.h"
#include "qt/QtReportPrinter.h"
#include "ui/Form.h"

namespace fo::qt {

DesktopUi::DesktopUi() { keepDriverExceptions(true); }

DesktopUi::~DesktopUi() {
    for (auto& [form, view] : views_) delete view;
    keepDriverExceptions(false);
}

void DesktopUi::showForm(Form& form, bool modal) {
    FormView*& view = views_[&form];
    if (!view) {
        // A window opened from another stands over it, as its owner.
        QWidget* owner = QApplication::activeWindow();
        view = new FormView(form, owner);
    }
    view->show();
    view->activateWindow();
    settle();
    HeadlessUi::showForm(form, modal);
}

void DesktopUi::formClosed(Form& form) {
    HeadlessUi::formClosed(form);
    auto it = views_.find(&form);
    if (it == views_.end()) return;
    FormView* view = it->second;
    views_.erase(it);
    view->finish();
    // The click that closed the window may still be on its way out of a
    // widget of it: the dialog goes once that has returned.
    view->deleteLater();
}

void DesktopUi::doEvents() { QCoreApplication::processEvents(); }

FormView* DesktopUi::viewOf(const Form& form) const {
    auto it = views_.find(&form);
    return it == views_.end() ? nullptr : it->second;
}

void DesktopUi::settle() {
    // The window on top is the active one, as the desktop makes it when the
    // window over it closes.
    if (Form* top = activeForm())
        if (FormView* view = viewOf(*top); view && QApplication::activeWindow() != view) view->activateWindow();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

std::unique_ptr<ReportPrinter> DesktopUi::newReportPrinter() {
    return std::make_unique<QtReportPrinter>(exportFolder(), false);
}

}  // namespace fo::qt
