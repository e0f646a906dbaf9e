#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"

namespace fo {

class FEEOFFICE_API ProgressBar : public Control {  // a bar showing how far a long operation is
public:
    ProgressBar(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the bar `name` on `f`, 0 to 100
    const char* kind() const override { return "ProgressBar"; }
    long min() const { return min_; }  // the value of an empty bar
    long max() const { return max_; }  // the value of a full bar
    long value() const { return value_; }  // how far it is
    void setMin(long v) { min_ = v; changed(); }  // sets the value of an empty bar
    void setMax(long v) { max_ = v; changed(); }  // sets the value of a full bar
    void setValue(long v) { value_ = v; changed(); }  // sets how far it is
    std::string displayText() const override { return std::to_string(value_); }

private:
    long min_ = 0, max_ = 100, value_ = 0;
};

}  // namespace fo
