#include "ui/PostingProgress.h"

#include "host/api/MessageService.h"
#include "ui/controls/Control.h"

namespace fo {
namespace {

// A posting runs on the user-interface thread, one at a time: the flag is
// set while one runs, whatever window started it.
bool postingRuns = false;

}  // namespace

bool PostingProgress::running() { return postingRuns; }

bool PostingProgress::mayStart() {
    if (!postingRuns) return true;
    msgBox("上一批减免还在记账，请等它完成后再开始。", MsgButtons::OK, MsgIcon::Exclamation, "提示");
    return false;
}

PostingProgress::PostingProgress(const std::string& caption, long steps, Control* button) : button_(button) {
    postingRuns = true;
    if (button_) {
        buttonWasEnabled_ = button_->enabled();
        button_->setEnabled(false);
    }
    if (hasUiServices()) window_ = ui().beginProgress(caption, steps);
}

PostingProgress::~PostingProgress() {
    window_.reset();
    if (button_) button_->setEnabled(buttonWasEnabled_);
    postingRuns = false;
}

void PostingProgress::step() {
    ++done_;
    if (window_) window_->setValue(done_);
}

}  // namespace fo
