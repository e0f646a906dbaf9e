#include "host/api/MessageService.h"

#include <iostream>

namespace fo {
namespace {

// Without a user interface a message is written to standard error and every
// question takes its first button.
class StderrMessages final : public MessageService {
public:
    MsgAnswer msgBox(const std::string& text, MsgButtons buttons, MsgIcon,
                     const std::string& title) override {
        std::cerr << (title.empty() ? std::string("feeoffice") : title) << ": " << text << '\n';
        switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoDefaultNo:
        case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
        default: return MsgAnswer::OK;
        }
    }
};

StderrMessages defaultMessages;
MessageService* current = &defaultMessages;

}  // namespace

MessageService& messages() { return *current; }
void setMessageService(MessageService* service) { current = service ? service : &defaultMessages; }

}  // namespace fo
