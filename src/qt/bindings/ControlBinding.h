#pragma once
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qt/bindings/Subscription.h"

namespace fo {
class Control;
}

namespace fo::qt {

inline QString qs(const std::string& s) { return QString::fromStdString(s); }
inline std::string ss(const QString& s) { return s.toStdString(); }

// Ties one control of the abstraction to its widget. The control's state
// is the truth: every change it reports is mirrored into the widget at once
// (refresh), and every action of the user on the widget goes through the
// control's user-action entry points, so the window's handlers fire where
// the headless binding fires them.
class ControlBinding {
public:
    ControlBinding(Control& control, QWidget* widget);
    virtual ~ControlBinding();
    ControlBinding(const ControlBinding&) = delete;
    ControlBinding& operator=(const ControlBinding&) = delete;

    Control& control() const { return *control_; }
    QWidget* widget() const { return widget_; }

    // Mirrors visibility, enabled state and the kind's own state.
    void refresh();
    // Where an editor standing at (dx, dy) twips from this control's
    // top-left corner goes, in this widget's pixels. Grids and lists answer
    // with the cell under that point as it is shown now, whatever the scroll.
    virtual QRect editorRect(int dx, int dy, int width, int height) const;

    // Keeps the widget hidden whatever the control says: the layout draws
    // the frame this control stands for.
    void setRepresentedByLayout(bool v) { represented_ = v; refresh(); }

    // Installs `filter` on `target` for as long as this binding lives: the
    // filter reads the binding and its control, so it must not outlive them
    // (a dialog being torn down still sends focus events to its widgets).
    void filterEvents(QWidget* target, QObject* filter);
    // Cuts the widget off from the control for good: the window closed.
    void detach();

    // Told after the control changed (the form view re-places editors).
    std::function<void()> afterChange;
    // Told when the user scrolled the widget (editors over it move along).
    std::function<void()> scrolled;

protected:
    virtual void sync() = 0;
    // True while the binding writes into the widget: signals the widget
    // emits then are echoes, not the user's actions.
    bool syncing() const { return syncing_ > 0; }
    struct SyncGuard {
        explicit SyncGuard(ControlBinding& b) : b_(b) { ++b_.syncing_; }
        ~SyncGuard() { --b_.syncing_; }
        ControlBinding& b_;
    };

    // Suppresses refresh while the binding copies the widget's own state
    // (caret, scroll position) into the control: the widget already shows it.
    struct QuietGuard {
        explicit QuietGuard(ControlBinding& b) : b_(b) { ++b_.quiet_; }
        ~QuietGuard() { --b_.quiet_; }
        ControlBinding& b_;
    };

private:
    int quiet_ = 0;
    bool represented_ = false;
    Control* control_;
    QPointer<QWidget> widget_;
    std::vector<std::pair<QPointer<QWidget>, QPointer<QObject>>> filters_;
    Subscription<Control> subscription_;
    int syncing_ = 0;
};

// A binding for `control` with its widget made as a child of `parent`;
// nullptr for controls without a widget of their own (menus, image lists).
std::unique_ptr<ControlBinding> bindControl(Control& control, QWidget* parent);

// Routes the keyboard and focus of `widget` through `control`'s window:
// Tab, Enter and Escape as Form::userKey handles them, KeyDown for other
// keys, focus changes into the window's active control.
void routeKeys(ControlBinding& binding, QWidget* widget);

// Routes the characters typed on `widget` to `binding`'s control as its
// KeyPress, always or (`always` false) when the window handles KeyPress
// there. Installed before routeKeys, so KeyDown has seen them.
void routeTyping(ControlBinding& binding, QWidget* widget, bool always);

// The window's key code (KeyDown) for a Qt key; 0 when it has none.
int keyCodeOf(int qtKey);

}  // namespace fo::qt
