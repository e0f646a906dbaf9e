#pragma once
#include <deque>
#include <string>
#include <vector>

#include "host/api/MessageService.h"

namespace fo::test {

// A message service for tests: records every box shown and answers from a
// queue of prepared answers, then with the box's first button (OK or Yes).
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

    RecordingMessages();
    ~RecordingMessages() override;
    RecordingMessages(const RecordingMessages&) = delete;
    RecordingMessages& operator=(const RecordingMessages&) = delete;

    MsgAnswer msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override;

    // The next box is answered with `answer` (queued in order).
    void answerNext(MsgAnswer answer) { answers_.push_back(answer); }
    const std::vector<Shown>& shown() const { return shown_; }
    std::size_t count() const { return shown_.size(); }
    const Shown& last() const { return shown_.back(); }
    void clear() { shown_.clear(); }

private:
    MessageService* previous_;
    std::deque<MsgAnswer> answers_;
    std::vector<Shown> shown_;
};

}  // namespace fo::test
