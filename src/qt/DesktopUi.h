#pragma once
#include <map>

#include "ui/headless/HeadlessUi.h"

namespace fo::qt {

class FormView;

// The binding a script drives at the desktop: every window shown is its Qt
// dialog, with the widgets a clerk would see (FormView), on screen and
// active, while a modal window is worked by the script's runner instead of
// an event loop of its own (its lines run until it closes, as headlessly).
// Message boxes, exports and receipts are the headless binding's: recorded,
// answered from the script's queue, written to the export folder; reports
// and notices are drawn as the offscreen platform prints them, as PDFs in
// the export folder.
class DesktopUi final : public HeadlessUi {
public:
    DesktopUi();
    ~DesktopUi() override;

    void showForm(Form& form, bool modal) override;
    void formClosed(Form& form) override;
    void doEvents() override;
    std::unique_ptr<ReportPrinter> newReportPrinter() override;

    // The dialog showing `form`; nullptr when it is not shown.
    FormView* viewOf(const Form& form) const;
    // Lets the widgets catch up: pending events, layouts, closed dialogs deleted.
    void settle();

private:
    std::map<const Form*, FormView*> views_;
};

}  // namespace fo::qt
