#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"

namespace fo {

// A push button. A click takes the focus first, as a mouse click does.
class FEEOFFICE_API CommandButton : public Control {
public:
    CommandButton(Form& f, std::string name, std::string caption = {}, int index = -1)
        : Control(f, std::move(name), index), caption_(std::move(caption)) {}  // the button `name` on `f`, showing `caption`
    const char* kind() const override { return "CommandButton"; }
    const std::string& caption() const { return caption_; }  // the text on the button
    void setCaption(const std::string& c) { if (c != caption_) { caption_ = c; changed(); } }  // sets the text on the button
    // Enter anywhere in the window clicks the default button, Escape the cancel button.
    bool isDefault() const { return default_; }
    void setDefault(bool v) { default_ = v; }
    bool isCancel() const { return cancel_; }
    void setCancel(bool v) { cancel_ = v; }
    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return caption_; }
    void userClick() override { SetFocus(); fire(Click); }

private:
    std::string caption_;
    bool default_ = false, cancel_ = false;
};

}  // namespace fo
