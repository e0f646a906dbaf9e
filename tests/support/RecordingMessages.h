#pragma once
#include <string>
#include <vector>

#include "host/api/MessageService.h"

namespace fo::test {

// A message service for tests: records every box shown and answers it with
// the box's first button (OK or Yes).
// Installs itself on construction and puts the previous service back when it
// goes.
class RecordingMessages final : public MessageService {
public:
    struct Shown {
        std::string title;
        std::string text;
        MsgIcon icon;
        MsgButtons buttons;
    };

    RecordingMessages() : previous_(&messages()) { setMessageService(this); }
    ~RecordingMessages() override { setMessageService(previous_); }
    RecordingMessages(const RecordingMessages&) = delete;
    RecordingMessages& operator=(const RecordingMessages&) = delete;

    MsgAnswer msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override {
        shown_.push_back(Shown{title, text, icon, buttons});
        return (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel) ? MsgAnswer::Yes
                                                                                   : MsgAnswer::OK;
    }

    const std::vector<Shown>& shown() const { return shown_; }
    std::size_t count() const { return shown_.size(); }
    const Shown& last() const { return shown_.back(); }
    void clear() { shown_.clear(); }

private:
    MessageService* previous_;
    std::vector<Shown> shown_;
};

}  // namespace fo::test
