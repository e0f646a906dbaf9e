#pragma once
#include "FeeOfficeApi.h"
#include <functional>
#include <map>
#include <string>

#include "ui/UiServices.h"

class QWidget;

namespace fo::qt {

class FormView;

// The Qt binding of the user-interface services: forms become dialogs
// (modal ones run their own event loop and return when the form closes),
// message boxes are QMessageBoxes with the caller's title, text and icon,
// the wait cursor is the application's override cursor, the clipboard is
// the desktop's. Where a clerk works at a desktop, receipts and reports go through the
// system print dialog and exports through a save dialog that starts in the
// documents folder, after which the binding offers to open the file; on the
// offscreen platform receipts and reports print to a PDF in the print folder and exports
// go to the export folder, both without asking.
class FEEOFFICE_API QtUi final : public UiServices {
public:
    QtUi();
    ~QtUi() override;
    // Makes this the binding in force (and the message service).
    void install();

    MsgAnswer msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;  // a QMessageBox with the caller's title, text and icon
    void showForm(Form& form, bool modal) override;
    void formClosed(Form& form) override;
    void popupMenu(Form& form, Menu& menu, int x, int y) override;
    void sendTab() override;
    void doEvents() override;
    // A modal progress dialog without a cancel button (QtProgress.cpp).
    std::unique_ptr<ProgressWindow> beginProgress(const std::string& caption, long steps) override;

    void clipboardClear() override;
    void clipboardSetText(const std::string& text) override;
    std::string clipboardText() override;

    std::string exportFolder() override;
    std::string exportPath(const std::string& fileName) override;
    std::string openPath(const std::string& caption, const std::string& filter) override;
    void exported(const std::string& path) override;
    void offerToOpen(const std::string& path) override;
    void printed(const std::string& path) override;
    std::unique_ptr<BillPrinter> newBillPrinter() override;
    std::unique_ptr<ReportPrinter> newReportPrinter() override;

    // The dialog showing `form`; nullptr when it is not shown.
    FormView* viewOf(const Form& form) const;
    // The window new dialogs and message boxes belong to.
    void setMainWindow(QWidget* w) { mainWindow_ = w; }
    // Where receipts are saved; the user's print folder unless set.
    void setPrintFolder(std::string folder) { printFolder_ = std::move(folder); }
    std::string printFolder() const;
    // Whether the clerk is asked (print and save dialogs, the offer to open
    // an export): on a desktop unless set otherwise, never on the offscreen
    // platform unless set (the tour pictures the dialogs).
    void setAskUser(bool v) { askUser_ = v ? 1 : 0; }
    bool askUser() const;
    // Told of exports and printed receipts (the status bar shows them).
    std::function<void(const std::string&)> notify;

protected:
    void waitCursorChanged(bool busy) override;  // the application's override cursor on or off

private:
    QWidget* ownerWindow() const;

    std::map<const Form*, FormView*> views_;
    QWidget* mainWindow_ = nullptr;
    std::string printFolder_, lastSaveFolder_;
    int askUser_ = -1;  // -1: as the platform says
    bool cursorOverridden_ = false;
};

// The user's print folder: the export folder, then "feeoffice-receipts".
FEEOFFICE_API std::string defaultPrintFolder();
// True when the platform draws on a real screen (not offscreen or minimal).
FEEOFFICE_API bool hasDesktop();

}  // namespace fo::qt
