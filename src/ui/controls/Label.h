#pragma once
#include "FeeOfficeApi.h"
#include "ui/controls/Control.h"
#include "ui/controls/KeyCodes.h"

namespace fo {

// A caption on the window; windows also keep values in its Tag.
class FEEOFFICE_API Label : public Control {
public:
    Label(Form& f, std::string name, std::string caption = {}, int index = -1)
        : Control(f, std::move(name), index), caption_(std::move(caption)) {}  // the label `name` on `f`, showing `caption`
    const char* kind() const override { return "Label"; }
    const std::string& caption() const { return caption_; }  // the text shown
    void setCaption(const std::string& c) { if (c != caption_) { caption_ = c; changed(); } }  // sets the text shown
    int foreColor() const { return foreColor_; }  // the text colour (0xBBGGRR)
    void setForeColor(int c) { if (c != foreColor_) { foreColor_ = c; changed(); } }  // sets the text colour
    Alignment alignment() const { return alignment_; }  // how the text is aligned
    void setAlignment(Alignment a) { alignment_ = a; changed(); }  // sets how the text is aligned
    std::string displayText() const override { return caption_; }

private:
    std::string caption_;
    int foreColor_ = color::Black;
    Alignment alignment_ = Alignment::Left;
};

}  // namespace fo
