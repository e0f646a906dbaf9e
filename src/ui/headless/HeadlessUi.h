#pragma once
#include "FeeOfficeApi.h"
#include <utility>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/UiServices.h"

namespace fo {

// Raised by the headless binding when nobody can play the clerk's part: a
// question without a queued answer, or a modal window without a runner. It
// is deliberately not a std::exception, so the error traps of window code
// (which catch std::exception) let it through to the driver or test.
class FEEOFFICE_API HeadlessAbort {
public:
    explicit HeadlessAbort(std::string message) : message_(std::move(message)) {}  // why nobody could play the clerk
    const std::string& message() const { return message_; }  // why nobody could play the clerk

private:
    std::string message_;
};

// One message box as it was shown, with the answer it got.
struct FEEOFFICE_API MessageRecord {
    std::string title, text;  // the box's title and text
    MsgIcon icon = MsgIcon::None;  // the icon shown
    MsgButtons buttons = MsgButtons::OK;  // the buttons offered
    MsgAnswer answer = MsgAnswer::OK;  // the answer it got
};

// The headless binding: control state lives in the controls, message boxes
// are recorded and answered from a queue, modal windows are worked by a
// runner the driver or a test installs (so nested modal windows run
// synchronously inside the handler that opened them), the clipboard is a
// string and exports go to a folder.
class FEEOFFICE_API HeadlessUi : public UiServices {
public:
    using ModalRunner = std::function<void(Form&)>;  // works one modal window, then closes it or leaves it

    // What the binding reports as it happens (the driver prints these).
    struct Events {
        std::function<void(const MessageRecord&)> message;  // a message box was shown
        std::function<void(const Form&)> opened, closed;  // a window was shown, or closed
        std::function<void(const std::string&)> exported, printed;  // a file was exported, or a receipt printed
        // A long operation's progress: its caption, the steps done and all of them.
        std::function<void(const std::string& caption, long done, long steps)> progress;
    };

    HeadlessUi() = default;
    ~HeadlessUi() override;
    // Makes this the binding in force (and the message service).
    void install();

    // --- message boxes ---
    MsgAnswer msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override;
    void queueAnswer(MsgAnswer a) { answers_.push_back(a); }  // the answer the next question gets
    std::size_t pendingAnswers() const { return answers_.size(); }  // answers queued and not given yet
    const std::vector<MessageRecord>& messages() const { return messages_; }  // every message box shown, in order
    const MessageRecord* lastMessage() const { return messages_.empty() ? nullptr : &messages_.back(); }  // the last one; nullptr none

    // --- windows ---
    void setModalRunner(ModalRunner r) { runner_ = std::move(r); }  // who works the modal windows
    void showForm(Form& form, bool modal) override;
    void formClosed(Form& form) override;
    // The innermost shown window; nullptr when none.
    Form* activeForm() const { return open_.empty() ? nullptr : open_.back(); }
    const std::vector<Form*>& openForms() const { return open_; }
    void popupMenu(Form& form, Menu& menu, int x, int y) override { lastPopup_ = &menu; }
    Menu* lastPopup() const { return lastPopup_; }
    void sendTab() override;

    // --- clipboard ---
    void clipboardClear() override { clipboard_.clear(); }
    void clipboardSetText(const std::string& t) override { clipboard_ = t; }
    std::string clipboardText() override { return clipboard_; }

    // --- export and printing ---
    void setExportFolder(std::string folder) { exportFolder_ = std::move(folder); }  // where exports go
    std::string exportFolder() override;
    void exported(const std::string& path) override;
    const std::vector<std::string>& exports() const { return exports_; }  // every file exported, in order
    void printed(const std::string& path) override;
    // The file the next openPath() answers, once ("" answers as a cancel).
    void setOpenPath(std::string path) { openPath_ = std::move(path); }
    std::string openPath(const std::string&, const std::string&) override { return std::exchange(openPath_, {}); }
    // A progress window that tells events.progress of every step.
    std::unique_ptr<ProgressWindow> beginProgress(const std::string& caption, long steps) override;

    using PrinterFactory = std::function<std::unique_ptr<BillPrinter>()>;  // makes the receipt printer of the sibling library
    using QueryFactory = std::function<std::unique_ptr<CombinedQuery>()>;  // makes the combined-query object of the sibling library
    void setBillPrinterFactory(PrinterFactory f) { printerFactory_ = std::move(f); }  // how newBillPrinter makes one
    void setCombinedQueryFactory(QueryFactory f) { queryFactory_ = std::move(f); }  // how newCombinedQuery makes one
    std::unique_ptr<BillPrinter> newBillPrinter() override;
    std::unique_ptr<CombinedQuery> newCombinedQuery() override;

    Events events;  // what the binding reports as it happens

private:
    std::deque<MsgAnswer> answers_;
    std::vector<MessageRecord> messages_;
    std::vector<Form*> open_;
    ModalRunner runner_;
    Menu* lastPopup_ = nullptr;
    std::string clipboard_, exportFolder_, openPath_;
    std::vector<std::string> exports_;
    PrinterFactory printerFactory_;
    QueryFactory queryFactory_;
};

}  // namespace fo
