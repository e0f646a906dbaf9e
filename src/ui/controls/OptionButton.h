#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"

namespace fo {

// An option button. Buttons of one window with the same container are one
// group: choosing one clears the others. Choosing fires Click.
class FEEOFFICE_API OptionButton : public Control {
public:
    OptionButton(Form& f, std::string name, std::string caption = {}, int index = -1)
        : Control(f, std::move(name), index), caption_(std::move(caption)) {}  // the option button `name` on `f`, showing `caption`
    const char* kind() const override { return "OptionButton"; }
    const std::string& caption() const { return caption_; }  // the text beside the button
    void setCaption(const std::string& c) { if (c != caption_) { caption_ = c; changed(); } }  // sets the text beside the button
    bool value() const { return value_; }  // whether it is the chosen one of its group
    void setValue(bool v);  // chooses it (the others of its container are cleared), or clears it
    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return value_ ? "1" : "0"; }
    void userClick() override;

private:
    std::string caption_;
    bool value_ = false;
};

}  // namespace fo
