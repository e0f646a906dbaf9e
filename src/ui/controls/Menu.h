#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"

namespace fo {

// A menu or a menu entry. An entry's container is its menu; a pop-up menu
// is a menu the window keeps invisible in its menu bar.
class FEEOFFICE_API Menu : public Control {
public:
    Menu(Form& f, std::string name, std::string caption = {}, Menu* parent = nullptr, int index = -1)
        : Control(f, std::move(name), index), caption_(std::move(caption)) {  // the menu item `name` on `f`, under `parent` (none: a top menu)
        setContainer(parent);
    }
    const char* kind() const override { return "Menu"; }
    const std::string& caption() const { return caption_; }  // the text shown
    void setCaption(const std::string& c) { if (c != caption_) { caption_ = c; changed(); } }  // sets the text shown
    bool checked() const { return checked_; }  // whether it shows a check mark
    void setChecked(bool v) { checked_ = v; changed(); }  // sets the check mark
    Menu* parentMenu() const { return static_cast<Menu*>(container()); }  // the menu it belongs to; nullptr for a top menu
    std::string displayText() const override { return caption_; }

private:
    std::string caption_;
    bool checked_ = false;
};

}  // namespace fo
