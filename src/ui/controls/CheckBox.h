#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"

namespace fo {

// A check box: Value 0 (clear), 1 (ticked), 2 (grey). Changing the value,
// by code or by the clerk, fires Click.
class FEEOFFICE_API CheckBox : public Control {
public:
    CheckBox(Form& f, std::string name, std::string caption = {}, int index = -1)
        : Control(f, std::move(name), index), caption_(std::move(caption)) {}  // the check box `name` on `f`, showing `caption`
    const char* kind() const override { return "CheckBox"; }
    const std::string& caption() const { return caption_; }  // the text beside the box
    void setCaption(const std::string& c) { if (c != caption_) { caption_ = c; changed(); } }  // sets the text beside the box
    int value() const { return value_; }  // 0 unchecked, 1 checked
    void setValue(int v) {  // sets the value; a change fires Click, as code setting it does
        if (v == value_) return;
        value_ = v;
        changed();
        fire(Click);
    }
    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return std::to_string(value_); }
    void userClick() override { SetFocus(); setValue(value_ == 1 ? 0 : 1); }
    void userSetValue(int v) { SetFocus(); setValue(v); }  // as the clerk: focus, then the value

private:
    std::string caption_;
    int value_ = 0;
};

}  // namespace fo
