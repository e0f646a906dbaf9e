#include "ui/controls/TextBox.h"

#include <algorithm>

#include "ui/Form.h"
#include "ui/controls/KeyCodes.h"
#include "ui/lists/Utf8Text.h"

namespace fo {

void TextBox::setText(const std::string& t) {
    if (t == text_) return;
    text_ = t;
    selStart_ = 0;
    selLength_ = 0;
    changed();
    fire(Change);
}

void TextBox::setSelStart(int n) {
    const int len = static_cast<int>(utf8::length(text_));
    selStart_ = std::clamp(n, 0, len);
    selLength_ = 0;
    changed();
}

void TextBox::setSelLength(int n) {
    const int len = static_cast<int>(utf8::length(text_));
    selLength_ = std::clamp(n, 0, len - selStart_);
    changed();
}

std::string TextBox::selText() const {
    return utf8::mid(text_, static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
}

void TextBox::userSetText(const std::string& t) {
    setText(t);
    selStart_ = static_cast<int>(utf8::length(text_));
}

void TextBox::userType(const std::string& text) {
    if (!hasFocus()) {
        selStart_ = static_cast<int>(utf8::length(text_));
        selLength_ = 0;
    }
    form().userType(*this, text);
}

void TextBox::replaceSelection(const std::string& with) {
    const auto start = static_cast<std::size_t>(selStart_);
    text_ = utf8::mid(text_, 0, start) + with +
            utf8::mid(text_, start + static_cast<std::size_t>(selLength_));
    selStart_ += static_cast<int>(utf8::length(with));
    selLength_ = 0;
    changed();
    fire(Change);
}

void TextBox::applyKeyPress(int keyAscii) {
    if (locked_) return;
    if (keyAscii == key::Backspace) {
        if (selLength_ == 0) {
            if (selStart_ == 0) return;
            --selStart_;
            selLength_ = 1;
        }
        replaceSelection({});
        return;
    }
    if (keyAscii == key::Enter) {
        if (multiLine_) replaceSelection("\r\n");
        return;
    }
    if (keyAscii < 32) return;
    if (maxLength_ > 0 && static_cast<int>(utf8::length(text_)) - selLength_ >= maxLength_) return;
    replaceSelection(utf8::encode(keyAscii));
}

}  // namespace fo
