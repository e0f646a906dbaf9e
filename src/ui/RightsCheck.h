#pragma once
#include <string>

#include "host/api/HostSystem.h"
#include "host/api/MessageService.h"
#include "host/api/Rights.h"

namespace fo {

// Tells the clerk why he may not, when the host's operator has less than
// `least` of `code`; true when he was refused.
inline bool refusedRight(HostSystem& host, const std::string& code, int least) {
    const std::string why = rights::refusal(host, code, least);
    if (why.empty()) return false;
    msgBox(why, MsgButtons::OK, MsgIcon::Exclamation, "提示");
    return true;
}

}  // namespace fo
