#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"

namespace fo {

class FEEOFFICE_API ProgressBar : public Control {
public:
    ProgressBar(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}
    const char* kind() const override { return "ProgressBar"; }
    long min() const { return min_; }
    long max() const { return max_; }
    long value() const { return value_; }
    void setMin(long v) { min_ = v; changed(); }
    void setMax(long v) { max_ = v; changed(); }
    void setValue(long v) { value_ = v; changed(); }
    std::string displayText() const override { return std::to_string(value_); }

private:
    long min_ = 0, max_ = 100, value_ = 0;
};

}  // namespace fo
