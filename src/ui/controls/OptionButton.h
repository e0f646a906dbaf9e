#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"

namespace fo {

// An option button. Buttons of one window with the same container are one
// group: choosing one clears the others. Choosing fires Click.
class FEEOFFICE_API OptionButton : public Control {
public:
    OptionButton(Form& f, std::string name, std::string caption = {}, int index = -1)
        : Control(f, std::move(name), index), caption_(std::move(caption)) {}
    const char* kind() const override { return "OptionButton"; }
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& c) { if (c != caption_) { caption_ = c; changed(); } }
    bool value() const { return value_; }
    void setValue(bool v);
    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return value_ ? "1" : "0"; }
    void userClick() override;

private:
    std::string caption_;
    bool value_ = false;
};

}  // namespace fo
