#pragma once
#include <memory>
#include <string>

#include "ui/UiServices.h"

namespace fo {

class Control;

// A long posting (a batch over many students) as the clerk sees it: the
// platform's progress window from its first step to its last, the button
// that started it disabled meanwhile, and no second long posting started
// before it ends.
class PostingProgress {
public:
    // Whether a long posting may start now; when one is still running, tells
    // the clerk so and answers false.
    static bool mayStart();
    static bool running();

    // The posting of `steps` steps, started by `button` (may be null).
    PostingProgress(const std::string& caption, long steps, Control* button);
    ~PostingProgress();
    PostingProgress(const PostingProgress&) = delete;
    PostingProgress& operator=(const PostingProgress&) = delete;

    // One more step is done.
    void step();

private:
    std::unique_ptr<ProgressWindow> window_;
    Control* button_;
    bool buttonWasEnabled_ = false;
    long done_ = 0;
};

}  // namespace fo
