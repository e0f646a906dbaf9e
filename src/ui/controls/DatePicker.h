#pragma once
#include "FeeOfficeApi.h"
#include "db/values/DateTime.h"
#include "ui/controls/Control.h"

namespace fo {

// A date picker. A new value fires Change; the clerk's pick also fires
// CloseUp, as closing the drop-down calendar does.
class FEEOFFICE_API DatePicker : public Control {
public:
    DatePicker(Form& f, std::string name, int index = -1)
        : Control(f, std::move(name), index), value_(DateTime::today()) {}  // the date picker `name` on `f`, showing today
    const char* kind() const override { return "DatePicker"; }
    const DateTime& value() const { return value_; }  // the date shown
    void setValue(const DateTime& d) {  // sets the date; a change fires Change
        if (d == value_) return;
        value_ = d;
        changed();
        fire(Change);
    }
    // "yyyy-mm-dd"
    std::string dateText() const { return value_.dateText(); }

    std::function<void()> Change, CloseUp;  // run when the date changes, and when the calendar closes

    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return value_.dateText(); }
    void userPick(const DateTime& d) {  // as the clerk picks a date in the calendar
        SetFocus();
        setValue(d);
        fire(CloseUp);
    }

private:
    DateTime value_;
};

}  // namespace fo
