#include <exception>

#include "ui/controls/KeyCodes.h"
#include "ui/UiServices.h"
#include "ui/lists/Utf8Text.h"
#include "ui/lists/mdl1.h"

namespace fo {

// The pointer is a single switch, not a count: an open while the hourglass
// shows changes nothing, and one close restores the default pointer however
// many opens came before (the yes/no box relies on that when it loads).
void gMOpen() {
    if (hasUiServices() && !ui().waitCursorShown()) ui().waitCursorOn();
}

void gMclose() {
    if (!hasUiServices()) return;
    while (ui().waitCursorShown()) ui().waitCursorOff();
}

void EnterToTab(int& KeyAscii) {
    if (KeyAscii == key::Quote) KeyAscii = 0;
    else if (KeyAscii == key::Enter) ui().sendTab();
}

bool NUM_ignore(int k) {
    return k == key::Backspace || k == key::Left || k == key::Up || k == key::Right || k == key::Down;
}

void NumContral(int& KeyAscii, const std::string& NUM_text, int NUM_length, int NUM_dot,
                int writeStart, int selLength) {
    try {
        const int k = KeyAscii;
        if ((NUM_ignore(k) && k != '-') || k == key::Enter) return;
        if (!((k >= '0' && k <= '9') || k == '.' || k == '-')) { KeyAscii = 0; return; }
        const int len = static_cast<int>(utf8::length(NUM_text));
        const auto dotByte = NUM_text.find('.');
        const bool hasDot = dotByte != std::string::npos;
        if (k == '.' && (NUM_text.empty() || hasDot || len - writeStart > NUM_dot)) { KeyAscii = 0; return; }
        if (len >= NUM_length) { KeyAscii = 0; return; }
        if (!hasDot && k != '.') {
            // The integer part is full.
            if (len >= NUM_length - NUM_dot) KeyAscii = 0;
            return;
        }
        if (hasDot) {
            const int p = static_cast<int>(utf8::length(NUM_text.substr(0, dotByte))) + 1;  // 1-based
            // The decimals are full and the caret stands among them.
            if (writeStart >= p && selLength == 0 && len - p >= NUM_dot) KeyAscii = 0;
        }
    } catch (const std::exception& e) {
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
    }
}

}  // namespace fo
