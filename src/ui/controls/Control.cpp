#include "ui/controls/Control.h"

#include "ui/Form.h"

namespace fo {

Control::Control(Form& form, std::string name, int index)
    : form_(&form), name_(std::move(name)), index_(index) {
    form_->addControl(*this);
}

Control::~Control() { form_->removeControl(*this); }

std::string Control::qualifiedName() const {
    return index_ < 0 ? name_ : name_ + "(" + std::to_string(index_) + ")";
}

void Control::setVisible(bool v) { if (visible_ != v) { visible_ = v; changed(); } }
void Control::setEnabled(bool v) { if (enabled_ != v) { enabled_ = v; changed(); } }
void Control::setTag(const std::string& t) { if (tag_ != t) { tag_ = t; changed(); } }
void Control::setLeft(int v) { if (left_ != v) { left_ = v; changed(); } }
void Control::setTop(int v) { if (top_ != v) { top_ = v; changed(); } }
void Control::setWidth(int v) { if (width_ != v) { width_ = v; changed(); } }
void Control::setHeight(int v) { if (height_ != v) { height_ = v; changed(); } }

void Control::move(int left, int top, int width, int height) {
    left_ = left; top_ = top; width_ = width; height_ = height;
    changed();
}

bool Control::isShown() const {
    for (const Control* c = this; c; c = c->container_)
        if (!c->visible_) return false;
    return true;
}

bool Control::isUsable() const {
    if (!isShown()) return false;
    for (const Control* c = this; c; c = c->container_)
        if (!c->enabled_) return false;
    return true;
}

void Control::SetFocus() { form_->setFocusTo(*this); }
bool Control::hasFocus() const { return form_->activeControl() == this; }

void Control::userClick() { fire(Click); }

void Control::userMouseDown(int button, int shift, int x, int y) {
    if (MouseDown) MouseDown(button, shift, x, y);
}

int Control::subscribe(Observer o) {
    observers_[nextObserver_] = std::move(o);
    return nextObserver_++;
}

void Control::unsubscribe(int id) { observers_.erase(id); }

void Control::changed() const {
    // An observer may unsubscribe while being told; walk a copy.
    const auto copy = observers_;
    for (const auto& [id, o] : copy) o(*this);
}

}  // namespace fo
