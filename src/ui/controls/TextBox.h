#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"

namespace fo {

// A text box. Positions (SelStart, SelLength) count characters. Setting the
// text fires Change when it differs, as the window code relies on.
class FEEOFFICE_API TextBox : public Control {
public:
    TextBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the text box `name` on `f`
    const char* kind() const override { return "TextBox"; }

    const std::string& text() const { return text_; }  // the text in the box
    // Replaces the text; the caret goes to the start; Change fires on a difference.
    void setText(const std::string& t);
    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    void setSelStart(int n);
    void setSelLength(int n);
    std::string selText() const;
    int maxLength() const { return maxLength_; }  // 0: no limit
    void setMaxLength(int n) { maxLength_ = n; }
    bool locked() const { return locked_; }
    void setLocked(bool v) { locked_ = v; changed(); }
    bool multiLine() const { return multiLine_; }
    void setMultiLine(bool v) { multiLine_ = v; }
    // A password box shows this character for each one typed; "" shows the text.
    const std::string& passwordChar() const { return passwordChar_; }
    void setPasswordChar(std::string c) { passwordChar_ = std::move(c); changed(); }

    std::function<void()> Change;  // run when the text changes

    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return text_; }

    // The clerk replaces the whole text (Change fires).
    void userSetText(const std::string& t);
    // The clerk focuses the box (caret at the end unless it had the focus)
    // and types `text` key by key.
    void userType(const std::string& text);
    void applyKeyPress(int keyAscii) override;

private:
    void replaceSelection(const std::string& with);
    std::string text_;
    int selStart_ = 0, selLength_ = 0, maxLength_ = 0;
    bool locked_ = false, multiLine_ = false;
    std::string passwordChar_;
};

}  // namespace fo
