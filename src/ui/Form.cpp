#include "ui/Form.h"

#include <algorithm>
#include <map>
#include <utility>

#include "ui/controls/CommandButton.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/TextBox.h"
#include "ui/UiServices.h"
#include "ui/lists/Utf8Text.h"

namespace fo {
namespace {

// Where Tab takes the focus: through the controls as the window's layout
// arranges them, left to right and top to bottom, so the order follows what
// the clerk sees whatever order the window declared them in. A control the
// layout leaves out (an editor over a grid) comes right after the laid-out
// control declared before it; a window without a layout goes by tab index.
class TabPlaces {
public:
    TabPlaces(const LayoutItem& layout, const std::vector<Control*>& controls) {
        walk(layout);
        if (laidOut_.empty()) return;
        std::pair<int, int> after(-1, 0);
        std::vector<Control*> byIndex = controls;
        std::stable_sort(byIndex.begin(), byIndex.end(),
                         [](const Control* a, const Control* b) { return a->tabIndex() < b->tabIndex(); });
        for (const Control* c : byIndex) {
            auto it = laidOut_.find(c);
            if (it != laidOut_.end()) after = it->second;
            else loose_[c] = {after.first, c->tabIndex()};
        }
    }
    std::pair<int, int> of(const Control& c) const {
        if (auto it = laidOut_.find(&c); it != laidOut_.end()) return it->second;
        if (auto it = loose_.find(&c); it != loose_.end()) return it->second;
        return {c.tabIndex(), -1};
    }

private:
    void walk(const LayoutItem& item) {
        if (item.kind == LayoutItem::Kind::Control && item.control)
            laidOut_.emplace(item.control, std::pair(static_cast<int>(laidOut_.size()), -1));
        for (const LayoutItem& child : item.children) walk(child);
    }
    std::map<const Control*, std::pair<int, int>> laidOut_, loose_;
};

}  // namespace

Form::Form(std::string name) : name_(std::move(name)), caption_(name_) {}

// A window can go while still shown (its owner let it go, or a handler threw
// past its modal show): the binding must forget it, or it keeps a pointer
// that a later window may be given and takes that one for this.
Form::~Form() {
    if (shown_ && hasUiServices()) ui().formClosed(*this);
}

void Form::setCaption(const std::string& c) {
    if (caption_ != c) { caption_ = c; changed(); }
}

void Form::resize(int width, int height) {
    width_ = width;
    height_ = height;
    changed();
    if (loaded_) Form_Resize();
}

void Form::addControl(Control& c) {
    c.setTabIndex(static_cast<int>(controls_.size()));
    controls_.push_back(&c);
}

void Form::removeControl(Control& c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), &c), controls_.end());
    if (active_ == &c) active_ = nullptr;
}

Control* Form::findControl(std::string_view name) const {
    const std::string wanted = utf8::lowerAscii(name);
    for (Control* c : controls_)
        if (utf8::lowerAscii(c->qualifiedName()) == wanted) return c;
    return nullptr;
}

void Form::load() {
    if (loaded_) return;
    if (!mayOpen()) return;
    loaded_ = true;
    spent_ = false;
    changed();
    Form_Load();
}

void Form::show() {
    load();
    if (!loaded_) return;  // Form_Load unloaded the window again
    if (!shown_) {
        shown_ = true;
        changed();
        Form_Resize();
    }
    ui().showForm(*this, false);
}

void Form::showModal() {
    load();
    if (!loaded_) return;
    shown_ = true;
    changed();
    Form_Resize();
    ui().showForm(*this, true);
}

void Form::hide() {
    if (!shown_) return;
    shown_ = false;
    changed();
    ui().formClosed(*this);
}

bool Form::unload() {
    if (!loaded_) return true;
    int cancel = 0;
    Form_Unload(cancel);
    if (cancel) return false;
    const bool wasShown = shown_;
    loaded_ = false;
    shown_ = false;
    spent_ = true;
    active_ = nullptr;
    changed();
    if (wasShown) ui().formClosed(*this);
    return true;
}

void Form::setFocusTo(Control& c) {
    if (active_ == &c) return;
    Control* old = active_;
    active_ = &c;
    changed();  // a drawing binding moves its focus along
    if (old && old->LostFocus) old->LostFocus();
    if (active_ == &c && c.GotFocus) c.GotFocus();
}

void Form::tabForward(bool backwards) {
    std::vector<Control*> order;
    for (Control* c : controls_)
        if (c->canTakeFocus() && c->tabStop() && c->isUsable()) order.push_back(c);
    if (order.empty()) return;
    const TabPlaces places(layout_, controls_);
    std::stable_sort(order.begin(), order.end(),
                     [&places](const Control* a, const Control* b) { return places.of(*a) < places.of(*b); });
    auto it = std::find(order.begin(), order.end(), active_);
    std::size_t next;
    if (it == order.end()) {
        // Focus on a control outside the order: the one after it.
        const auto from = active_ ? places.of(*active_) : std::pair(-2, -1);
        auto after = std::find_if(order.begin(), order.end(),
                                  [&](const Control* c) { return places.of(*c) > from; });
        next = after == order.end() ? 0 : static_cast<std::size_t>(after - order.begin());
        if (backwards) next = (next + order.size() - 1) % order.size();
    } else {
        const auto pos = static_cast<std::size_t>(it - order.begin());
        next = backwards ? (pos + order.size() - 1) % order.size() : (pos + 1) % order.size();
    }
    setFocusTo(*order[next]);
}

Control* Form::buttonWith(bool isDefault) const {
    for (Control* c : controls_)
        if (auto* b = dynamic_cast<CommandButton*>(c))
            if ((isDefault ? b->isDefault() : b->isCancel()) && b->isUsable()) return b;
    return nullptr;
}

int Form::deliverKeyPress(Control& c, int keyAscii) {
    if (keyPreview_) {
        Form_KeyPress(keyAscii);
        if (keyAscii == 0) return 0;
    }
    if (c.KeyPress) c.KeyPress(keyAscii);
    if (keyAscii != 0) c.applyKeyPress(keyAscii);
    return keyAscii;
}

void Form::userKey(Control& c, int keyCode) {
    setFocusTo(c);
    if (keyCode == key::Tab) {
        tabForward();
        return;
    }
    // Enter clicks the button that has the focus, else the default button;
    // Escape clicks the cancel button wherever the focus is.
    if (keyCode == key::Enter)
        if (auto* focused = dynamic_cast<CommandButton*>(&c)) {
            focused->userClick();
            return;
        }
    if (keyCode == key::Enter || keyCode == key::Escape)
        if (Control* b = buttonWith(keyCode == key::Enter)) {
            b->userClick();
            return;
        }
    int code = keyCode;
    if (c.KeyDown) c.KeyDown(code, 0);
    if (code == 0 || !active_) return;
    if (keyCode == key::Escape) {
        // An Escape neither the window nor the control took closes a window
        // without a cancel button, as its close box does, when the clerk
        // types nothing there (a question, a preview, a list to look at):
        // what he typed in a window is never lost to a stray Escape.
        if (deliverKeyPress(c, keyCode) == 0) return;
        const bool typesIn = std::any_of(controls_.begin(), controls_.end(), [](const Control* x) {
            return dynamic_cast<const TextBox*>(x) && x->isUsable();
        });
        if (loaded_ && shown_ && !typesIn) userClose();
        return;
    }
    if (keyCode == key::Enter || keyCode == key::Backspace) deliverKeyPress(c, keyCode);
}

void Form::userType(Control& c, std::string_view text) {
    setFocusTo(c);
    utf8::forEachCodePoint(text, [&](int cp) {
        if (cp == '\n') cp = key::Enter;
        deliverKeyPress(c, cp);
    });
}

void Form::PopupMenu(Menu& menu, int x, int y) { ui().popupMenu(*this, menu, x, y); }

int Form::subscribe(Observer o) {
    observers_[nextObserver_] = std::move(o);
    return nextObserver_++;
}

void Form::unsubscribe(int id) { observers_.erase(id); }

void Form::changed() const {
    const auto copy = observers_;
    for (const auto& [id, o] : copy) o(*this);
}

}  // namespace fo
