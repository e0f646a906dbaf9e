#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"
#include "ui/controls/KeyCodes.h"

namespace fo {

// A caption on the window; windows also keep values in its Tag.
class FEEOFFICE_API Label : public Control {
public:
    Label(Form& f, std::string name, std::string caption = {}, int index = -1)
        : Control(f, std::move(name), index), caption_(std::move(caption)) {}
    const char* kind() const override { return "Label"; }
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& c) { if (c != caption_) { caption_ = c; changed(); } }
    int foreColor() const { return foreColor_; }
    void setForeColor(int c) { if (c != foreColor_) { foreColor_ = c; changed(); } }
    Alignment alignment() const { return alignment_; }
    void setAlignment(Alignment a) { alignment_ = a; changed(); }
    std::string displayText() const override { return caption_; }

private:
    std::string caption_;
    int foreColor_ = color::Black;
    Alignment alignment_ = Alignment::Left;
};

}  // namespace fo
