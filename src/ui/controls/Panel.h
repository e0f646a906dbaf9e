#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <vector>

#include "ui/controls/Control.h"

namespace fo {

// A captioned frame that groups controls.
class FEEOFFICE_API Frame : public Control {
public:
    Frame(Form& f, std::string name, std::string caption = {}, int index = -1)
        : Control(f, std::move(name), index), caption_(std::move(caption)) {}  // the frame `name` on `f`, titled `caption`
    const char* kind() const override { return "Frame"; }
    const std::string& caption() const { return caption_; }  // the title
    void setCaption(const std::string& c) { if (c != caption_) { caption_ = c; changed(); } }  // sets the title
    std::string displayText() const override { return caption_; }

private:
    std::string caption_;
};

// A plain panel (picture box): holds controls, takes mouse events; also the
// bar shown while a splitter is dragged.
class FEEOFFICE_API PictureBox : public Control {
public:
    PictureBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the picture box `name` on `f`
    const char* kind() const override { return "PictureBox"; }
};

// An image: the grip of a splitter. DragDrop tells where it was dropped.
class FEEOFFICE_API ImageBox : public Control {
public:
    ImageBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the image `name` on `f`
    const char* kind() const override { return "Image"; }
    std::function<void(Control& source, int x, int y)> DragDrop;  // run when a control is dropped on it
};

// A tabbed panel: one page per caption; Tab is the page shown (0-based).
// Changing the page fires Click with the previous page.
class FEEOFFICE_API TabPanel : public Control {
public:
    TabPanel(Form& f, std::string name, std::vector<std::string> captions = {}, int index = -1)
        : Control(f, std::move(name), index), captions_(std::move(captions)) {}  // the tabbed panel `name` on `f`, one tab per caption
    const char* kind() const override { return "TabPanel"; }
    const std::vector<std::string>& captions() const { return captions_; }  // the tabs
    int tab() const { return tab_; }  // the tab shown (0-based)
    void setTab(int t) {  // shows tab `t`; a change fires TabClick with the tab before
        if (t == tab_) return;
        const int previous = tab_;
        tab_ = t;
        changed();
        if (TabClick) TabClick(previous);
    }
    std::function<void(int previousTab)> TabClick;  // run when another tab is shown
    std::string displayText() const override {
        return tab_ >= 0 && tab_ < static_cast<int>(captions_.size()) ? captions_[static_cast<std::size_t>(tab_)] : std::string();
    }

private:
    std::vector<std::string> captions_;
    int tab_ = 0;
};

}  // namespace fo
