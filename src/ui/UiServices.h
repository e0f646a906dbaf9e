#pragma once
#include "FeeOfficeApi.h"
#include <memory>
#include <string>

#include "host/api/MessageService.h"
#include "host/api/SettingsStore.h"
#include "ui/SiblingServices.h"

namespace fo {

class Control;
class Form;
class Menu;
class ReportPrinter;

// The progress window of a long operation, open while the object lives.
class FEEOFFICE_API ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    // `done` of the steps are done; the window is drawn anew.
    virtual void setValue(long done) = 0;
};

// Everything a window asks of the user-interface platform, behind one
// interface. A binding (headless, Qt) implements it and installs itself with
// setUiServices, which also routes the data layer's messages through it.
class FEEOFFICE_API UiServices : public MessageService {
public:
    // msgBox (from MessageService): text, buttons, icon, title -> answer.

    // Shows `form`; when modal, returns only once the form is unloaded or
    // hidden (nested modal windows run inside the handler that showed them).
    virtual void showForm(Form& form, bool modal) = 0;
    // The form was hidden or unloaded, or is being destroyed while shown
    // (then only its base part is left: the binding forgets it and reaches
    // none of its controls).
    virtual void formClosed(Form& form) = 0;
    virtual void popupMenu(Form& form, Menu& menu, int x, int y) = 0;

    // Wait cursor: on while at least one wait is open. Closing more often
    // than opening does no harm.
    void waitCursorOn() { ++waitDepth_; waitCursorChanged(true); }
    void waitCursorOff() {
        if (waitDepth_ > 0) --waitDepth_;
        if (waitDepth_ == 0) waitCursorChanged(false);
    }
    bool waitCursorShown() const { return waitDepth_ > 0; }

    // Moves the focus as a Tab key in the active window would.
    virtual void sendTab() = 0;
    // Lets the platform process pending events (a no-op headless).
    virtual void doEvents() {}
    // Opens the progress window of a long operation of `steps` steps; while
    // it is open the clerk can work in no other window. Nothing on a
    // platform without one.
    virtual std::unique_ptr<ProgressWindow> beginProgress(const std::string& caption, long steps) { return nullptr; }

    // Clipboard (text).
    virtual void clipboardClear() = 0;
    virtual void clipboardSetText(const std::string& text) = 0;
    virtual std::string clipboardText() = 0;

    // The per-user settings store: the host's when it registered one.
    virtual SettingsStore& settingsStore();

    // Spreadsheet export: the folder files go to; the file an export named
    // `fileName` (without ".xlsx") is written to, "" when the clerk cancelled
    // (this one: a name not yet taken in the export folder; a desktop
    // binding asks in a save dialog); the report that one was written; and
    // the offer to open it (bindings without a desktop make none).
    virtual std::string exportFolder() = 0;
    virtual std::string exportPath(const std::string& fileName);
    virtual void exported(const std::string& path) = 0;
    virtual void offerToOpen(const std::string& path) {}
    // A file the clerk chooses to read (a roster to import), titled
    // `caption`, of the types `filter` ("名单 (*.xlsx *.csv)"); "" when he
    // cancelled or no binding can ask.
    virtual std::string openPath(const std::string& caption, const std::string& filter) { return {}; }
    // A receipt went to the printer (or its file).
    virtual void printed(const std::string& path) {}

    // The sibling libraries' objects; nullptr when none is available.
    virtual std::unique_ptr<BillPrinter> newBillPrinter() { return nullptr; }
    virtual std::unique_ptr<CombinedQuery> newCombinedQuery() { return nullptr; }
    // The printer reports and notices are drawn on; nullptr where the
    // platform draws no pages (they are then recorded as text).
    virtual std::unique_ptr<ReportPrinter> newReportPrinter();

protected:
    virtual void waitCursorChanged(bool busy) {}  // the wait cursor went on or off

private:
    int waitDepth_ = 0;
};

// The binding in force; throws std::logic_error when none was installed.
FEEOFFICE_API UiServices& ui();
FEEOFFICE_API bool hasUiServices();
// Installs `services` (not owned) as the binding and as the message service;
// nullptr removes it.
FEEOFFICE_API void setUiServices(UiServices* services);

// The export folder when no other is set: $XDG_DOCUMENTS_DIR, ~/Documents
// when it exists, else the home folder. (At a desktop the save dialog starts
// in the documents folder as the desktop names it.)
FEEOFFICE_API std::string defaultExportFolder();
// A file in `folder` named after `name` (characters a file name cannot
// carry and spaces become "_") with `extension`, numbered " (2)", " (3)"...
// when that name is taken. The file is created empty, so the name stays
// ours until it is written.
FEEOFFICE_API std::string freeFilePath(const std::string& folder, const std::string& name, const std::string& extension);
// The same name, only suggested (a save dialog's proposal): nothing is created.
FEEOFFICE_API std::string suggestedFilePath(const std::string& folder, const std::string& name,
                                            const std::string& extension);

}  // namespace fo
