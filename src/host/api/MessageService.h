#pragma once
#include "FeeOfficeApi.h"
#include <string>

namespace fo {

// Message boxes as the module shows them. The data and host layers report to
// the clerk only through this interface; the UI bindings implement it.
// YesNoDefaultNo asks as YesNo does with 否 as the default button (Enter),
// for a question whose yes cannot be undone.
enum class MsgButtons { OK = 0, OKCancel = 1, YesNoCancel = 3, YesNo = 4, YesNoDefaultNo = 4 + 256 };
enum class MsgIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MsgAnswer { OK = 1, Cancel = 2, Yes = 6, No = 7 };

class FEEOFFICE_API MessageService {  // shows the module's message boxes; a binding implements it
public:
    virtual ~MessageService() = default;
    virtual MsgAnswer msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                             const std::string& title) = 0;  // shows `text` under `title` and gives the button pressed
};

// The service in force. Until a binding installs one, messages go to the
// standard error stream and every question is answered with its first button.
FEEOFFICE_API MessageService& messages();
// Installs `service` (not owned); nullptr restores the default.
FEEOFFICE_API void setMessageService(MessageService* service);

// Shorthand for the common case.
inline MsgAnswer msgBox(const std::string& text, MsgButtons buttons = MsgButtons::OK,
                        MsgIcon icon = MsgIcon::None, const std::string& title = {}) {
    return messages().msgBox(text, buttons, icon, title);
}

}  // namespace fo
