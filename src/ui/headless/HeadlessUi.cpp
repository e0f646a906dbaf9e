#include "ui/headless/HeadlessUi.h"

#include <algorithm>

#include "ui/Form.h"

namespace fo {
namespace {

bool fits(MsgAnswer a, MsgButtons b) {
    switch (b) {
    case MsgButtons::OK: return a == MsgAnswer::OK;
    case MsgButtons::OKCancel: return a == MsgAnswer::OK || a == MsgAnswer::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo: return a == MsgAnswer::Yes || a == MsgAnswer::No;
    case MsgButtons::YesNoCancel: return a == MsgAnswer::Yes || a == MsgAnswer::No || a == MsgAnswer::Cancel;
    }
    return false;
}

const char* answerName(MsgAnswer a) {
    switch (a) {
    case MsgAnswer::OK: return "ok";
    case MsgAnswer::Cancel: return "cancel";
    case MsgAnswer::Yes: return "yes";
    case MsgAnswer::No: return "no";
    }
    return "?";
}

}  // namespace

HeadlessUi::~HeadlessUi() {
    if (hasUiServices() && &ui() == this) setUiServices(nullptr);
}

void HeadlessUi::install() { setUiServices(this); }

MsgAnswer HeadlessUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                             const std::string& title) {
    MessageRecord rec{title, text, icon, buttons, MsgAnswer::OK};
    if (buttons == MsgButtons::OK) {
        // A box with only OK asks nothing; a queued "ok" is taken as meant for it.
        if (!answers_.empty() && answers_.front() == MsgAnswer::OK) answers_.pop_front();
    } else {
        messages_.push_back(rec);
        if (events.message) events.message(rec);
        if (answers_.empty()) throw HeadlessAbort("no answer given for the message box \"" + text + "\"");
        const MsgAnswer a = answers_.front();
        answers_.pop_front();
        if (!fits(a, buttons))
            throw HeadlessAbort(std::string("answer '") + answerName(a) + "' does not fit the message box \"" + text + "\"");
        messages_.back().answer = a;
        return a;
    }
    messages_.push_back(rec);
    if (events.message) events.message(rec);
    return MsgAnswer::OK;
}

void HeadlessUi::showForm(Form& form, bool modal) {
    if (std::find(open_.begin(), open_.end(), &form) == open_.end()) {
        open_.push_back(&form);
        if (events.opened) events.opened(form);
    }
    if (!modal) return;
    if (!runner_) throw HeadlessAbort("nobody works the modal window " + form.name());
    runner_(form);
    // The runner gave up on the window: close it as the close box would.
    if (form.isLoaded() && form.isShown()) {
        if (!form.unload()) form.hide();
    }
}

void HeadlessUi::formClosed(Form& form) {
    auto it = std::find(open_.begin(), open_.end(), &form);
    if (it == open_.end()) return;
    open_.erase(it);
    if (events.closed) events.closed(form);
}

void HeadlessUi::sendTab() {
    if (Form* f = activeForm()) f->tabForward();
}

std::string HeadlessUi::exportFolder() { return exportFolder_.empty() ? defaultExportFolder() : exportFolder_; }

void HeadlessUi::exported(const std::string& path) {
    exports_.push_back(path);
    if (events.exported) events.exported(path);
}

void HeadlessUi::printed(const std::string& path) {
    if (events.printed) events.printed(path);
}

namespace {

class HeadlessProgress final : public ProgressWindow {
public:
    HeadlessProgress(HeadlessUi& ui, std::string caption, long steps)
        : ui_(ui), caption_(std::move(caption)), steps_(steps) {}
    void setValue(long done) override {
        if (ui_.events.progress) ui_.events.progress(caption_, done, steps_);
    }

private:
    HeadlessUi& ui_;
    std::string caption_;
    long steps_;
};

}  // namespace

std::unique_ptr<ProgressWindow> HeadlessUi::beginProgress(const std::string& caption, long steps) {
    return std::make_unique<HeadlessProgress>(*this, caption, steps);
}

std::unique_ptr<BillPrinter> HeadlessUi::newBillPrinter() {
    return printerFactory_ ? printerFactory_() : nullptr;
}

std::unique_ptr<CombinedQuery> HeadlessUi::newCombinedQuery() {
    return queryFactory_ ? queryFactory_() : nullptr;
}

}  // namespace fo
