#include "support/RecordingMessages.h"

namespace fo::test {

RecordingMessages::RecordingMessages() : previous_(&messages()) { setMessageService(this); }

RecordingMessages::~RecordingMessages() { setMessageService(previous_); }

MsgAnswer RecordingMessages::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                    const std::string& title) {
    shown_.push_back(Shown{title, text, icon, buttons});
    return (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel) ? MsgAnswer::Yes
                                                                               : MsgAnswer::OK;
}

}  // namespace fo::test
