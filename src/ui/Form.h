#pragma once
#include "FeeOfficeApi.h"
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls/Control.h"
#include "ui/controls/Layout.h"

namespace fo {

class Menu;

// A window of the module. The window class derives from Form, owns its
// controls as named members (each registers itself here on construction),
// binds their events to its `<control>_<event>` handlers and overrides
// Form_Load / Form_Unload / Form_Resize as it needs.
//
// Life cycle: load() runs Form_Load once; showModal() loads, shows and
// returns when the window is unloaded or hidden; unload() runs Form_Unload
// (which may cancel) and marks the instance spent, so the module-wide
// instance (formInstance<T>) is created afresh on next use.
class FEEOFFICE_API Form {
public:
    using Observer = std::function<void(const Form&)>;  // told of a change to the form

    explicit Form(std::string name);  // a form named by its class name ("frmBILLML")
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }  // the class name it was made with
    const std::string& caption() const { return caption_; }  // the title bar text
    void setCaption(const std::string& c);  // sets the title bar text

    // --- geometry, twips ---
    int width() const { return width_; }  // in twips
    int height() const { return height_; }  // in twips
    // The inner size (without borders and title bar).
    int scaleWidth() const { return width_ - 240; }
    int scaleHeight() const { return height_ - 700; }
    // Sets the outer size and fires Form_Resize when loaded.
    void resize(int width, int height);

    // --- controls ---
    // By name, without regard to case; a control-array member as "name(index)".
    Control* findControl(std::string_view name) const;
    template <class T> T* find(std::string_view name) const { return dynamic_cast<T*>(findControl(name)); }
    // Every control in the order the window declared them.
    const std::vector<Control*>& controls() const { return controls_; }

    // --- life cycle ---
    bool isLoaded() const { return loaded_; }  // whether its load handler ran and it was not unloaded since
    bool isShown() const { return shown_; }  // whether it is on the screen
    // True once the window was unloaded: the instance is spent.
    bool isSpent() const { return spent_; }
    void load();
    void show();       // modeless
    void showModal();  // returns when the window is unloaded or hidden
    void hide();
    // Unloads unless Form_Unload cancels; returns whether it unloaded.
    bool unload();

    // --- focus and keys ---
    Control* activeControl() const { return active_; }  // the control with the focus; nullptr none
    void setFocusTo(Control& c);  // gives `c` the focus, with its LostFocus and GotFocus
    // Moves the focus to the next (or previous) control in tab order.
    void tabForward(bool backwards = false);
    // The window sees key presses before its controls (Form_KeyPress).
    bool keyPreview() const { return keyPreview_; }
    void setKeyPreview(bool v) { keyPreview_ = v; }
    // A key as the clerk presses it on control `c`: Tab moves the focus,
    // Enter clicks the default button when there is one, Escape the cancel
    // button; otherwise KeyDown then (for Enter, Escape, Backspace) KeyPress.
    void userKey(Control& c, int keyCode);
    // Characters typed one by one on `c`: KeyPress, then the control's own edit.
    void userType(Control& c, std::string_view text);
    // The close box of the title bar.
    void userClose() { unload(); }

    void PopupMenu(Menu& menu, int x, int y);  // shows `menu` as a context menu at x, y (twips)

    // --- layout for a drawing binding ---
    const LayoutItem& layout() const { return layout_; }  // how a binding arranges its controls

    // --- change notification (caption, shown, loaded, size, focus) ---
    int subscribe(Observer o);  // tells `o` of every change; gives the id to unsubscribe with
    void unsubscribe(int id);  // stops telling an observer

protected:
    // Asked before the window loads, whoever opens it: false keeps it closed
    // (the window has told the clerk why, e.g. a right he lacks).
    virtual bool mayOpen() { return true; }
    virtual void Form_Load() {}
    virtual void Form_Unload(int& cancel) {}
    virtual void Form_Resize() {}
    virtual void Form_KeyPress(int& keyAscii) {}
    void setLayout(LayoutItem l) { layout_ = std::move(l); }
    void changed() const;

private:
    friend class Control;
    void addControl(Control& c);
    void removeControl(Control& c);
    // KeyPress through the window (with key preview) and the control, then
    // the control's own edit; returns the key they left, 0 when one took it.
    int deliverKeyPress(Control& c, int keyAscii);
    Control* buttonWith(bool isDefault) const;

    std::string name_, caption_;
    int width_ = 9000, height_ = 6000;
    std::vector<Control*> controls_;
    Control* active_ = nullptr;
    bool loaded_ = false, shown_ = false, spent_ = false, keyPreview_ = false;
    LayoutItem layout_;
    std::map<int, Observer> observers_;
    int nextObserver_ = 1;
};

}  // namespace fo
