#pragma once
#include "FeeOfficeApi.h"
#include <functional>
#include <map>
#include <string>

namespace fo {

class Form;

// The common part of every window control: name and array index, geometry in
// twips, Visible / Enabled / Tag, the keyboard, mouse and focus events, and a
// change notification a view subscribes to so it can mirror the state.
//
// Handlers are plain function members the owning window binds in its
// constructor (`cmdOk.Click = [this] { cmdOk_Click(); };`). Code that changes
// a property notifies observers; user-action entry points (`userClick()`...)
// change the state and fire the handlers exactly as a clerk's action would.
class FEEOFFICE_API Control {
public:
    using Observer = std::function<void(const Control&)>;  // told of a change to the control

    Control(Form& form, std::string name, int index = -1);  // the control `name` on `form`; `index` in a control array, -1 outside one
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // A short kind name ("TextBox", "ListView"...), used by bindings and the driver.
    virtual const char* kind() const = 0;
    const std::string& name() const { return name_; }
    int index() const { return index_; }            // -1 outside a control array
    std::string qualifiedName() const;              // "optRQ(2)" or "txtXh"
    Form& form() const { return *form_; }

    // --- properties ---
    bool visible() const { return visible_; }  // whether it shows (its container permitting)
    void setVisible(bool v);  // shows or hides it
    bool enabled() const { return enabled_; }  // whether the clerk can use it
    void setEnabled(bool v);  // enables or disables it
    const std::string& tag() const { return tag_; }  // text the code keeps with it
    void setTag(const std::string& t);  // sets the text the code keeps with it
    int left() const { return left_; }  // position and size, in twips
    int top() const { return top_; }  // position and size, in twips
    int width() const { return width_; }  // position and size, in twips
    int height() const { return height_; }  // position and size, in twips
    void setLeft(int v);  // moves it, in twips
    void setTop(int v);  // moves it, in twips
    void setWidth(int v);  // resizes it, in twips
    void setHeight(int v);  // resizes it, in twips
    void move(int left, int top, int width, int height);  // moves and resizes it at once
    // The frame or panel the control sits in; hidden or disabled with it.
    Control* container() const { return container_; }
    void setContainer(Control* c) { container_ = c; }
    // Visible / enabled together with every container.
    bool isShown() const;
    bool isUsable() const;

    // Focus and tab order.
    virtual bool canTakeFocus() const { return false; }
    bool tabStop() const { return tabStop_; }
    void setTabStop(bool v) { tabStop_ = v; }
    int tabIndex() const { return tabIndex_; }
    void setTabIndex(int v) { tabIndex_ = v; }
    void SetFocus();
    bool hasFocus() const;

    // What the control shows as its text (text, caption, value); the driver's
    // `expect CONTROL TEXT` compares with it.
    virtual std::string displayText() const { return {}; }

    // --- events ---
    std::function<void()> Click, DblClick, GotFocus, LostFocus;  // the handlers of its events, as the window binds them
    std::function<void(int& keyCode, int shift)> KeyDown;  // a key went down: its code (set 0 to swallow it) and the shift keys
    std::function<void(int& keyAscii)> KeyPress;  // a character was typed (set 0 to swallow it)
    std::function<void(int button, int shift, int x, int y)> MouseDown, MouseMove, MouseUp;  // mouse events: button, shift keys, position in twips

    // --- user actions ---
    // A click as a clerk makes it; the default fires Click.
    virtual void userClick();
    void userMouseDown(int button, int shift, int x, int y);
    // What a key press does to the control's own state after KeyPress left
    // the key standing (a text box inserts the character).
    virtual void applyKeyPress(int keyAscii) {}

    // --- change notification ---
    int subscribe(Observer o);  // tells `o` of every change; gives the id to unsubscribe with
    void unsubscribe(int id);  // stops telling an observer

protected:
    // Tells every observer that the state changed.
    void changed() const;
    static void fire(const std::function<void()>& f) { if (f) f(); }

private:
    Form* form_;
    std::string name_;
    int index_;
    Control* container_ = nullptr;
    bool visible_ = true, enabled_ = true, tabStop_ = true;
    int tabIndex_ = 0;
    std::string tag_;
    int left_ = 0, top_ = 0, width_ = 1200, height_ = 300;
    std::map<int, Observer> observers_;
    int nextObserver_ = 1;
};

}  // namespace fo
