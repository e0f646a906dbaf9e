#include "ui/controls/OptionButton.h"

#include "ui/Form.h"

namespace fo {

void OptionButton::setValue(bool v) {
    if (v == value_) return;
    if (v) {
        for (Control* c : form().controls())
            if (auto* o = dynamic_cast<OptionButton*>(c); o && o != this && o->container() == container() && o->value_) {
                o->value_ = false;
                o->changed();
            }
    }
    value_ = v;
    changed();
    if (v) fire(Click);
}

void OptionButton::userClick() {
    SetFocus();
    if (value_) fire(Click);
    else setValue(true);
}

}  // namespace fo
