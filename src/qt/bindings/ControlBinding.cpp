#include "qt/bindings/ControlBinding.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QKeyEvent>

#include "qt/EventBoundary.h"
#include "qt/Twips.h"
#include "ui/controls/Control.h"
#include "ui/Form.h"
#include "ui/controls/KeyCodes.h"

namespace fo::qt {

ControlBinding::ControlBinding(Control& control, QWidget* widget) : control_(&control), widget_(widget) {
    widget_->setObjectName(qs(control.qualifiedName()));
    subscription_ = Subscription<Control>(control, [this] {
        refresh();
        if (afterChange) afterChange();
    });
}

ControlBinding::~ControlBinding() {
    detach();
    // A list's or grid's model reads the control, which goes with its form,
    // while the view may still lay itself out on a timer: it draws from no
    // model from now on.
    if (auto* view = qobject_cast<QAbstractItemView*>(widget_.data())) view->setModel(nullptr);
}

void ControlBinding::detach() {
    // The widget may outlive this binding by a little (a closed window is
    // deleted later, and its dialog still sends focus and layout events):
    // nothing it emits or filters may reach the binding or its control then.
    // Every filter comes off before any goes, and goes later, since one of
    // them may be the caller (a key that closed the window).
    if (widget_) widget_->blockSignals(true);
    for (auto& [target, filter] : filters_)
        if (target && filter) target->removeEventFilter(filter);
    for (auto& [target, filter] : filters_)
        if (filter) filter->deleteLater();
    filters_.clear();
}

void ControlBinding::filterEvents(QWidget* target, QObject* filter) {
    target->installEventFilter(filter);
    filters_.emplace_back(target, filter);
}

void ControlBinding::refresh() {
    if (!widget_ || quiet_ || !subscription_.alive()) return;
    SyncGuard guard(*this);
    bool enabled = true;
    for (const Control* c = control_; c; c = c->container()) enabled = enabled && c->enabled();
    widget_->setEnabled(enabled);
    widget_->setVisible(control_->isShown() && !represented_);
    sync();
}

QRect ControlBinding::editorRect(int dx, int dy, int width, int height) const {
    return toPixels(dx, dy, width, height);
}

int keyCodeOf(int k) {
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;  // the same codes
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return 112 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace: return key::Backspace;
    case Qt::Key_Tab: case Qt::Key_Backtab: return key::Tab;
    case Qt::Key_Return: case Qt::Key_Enter: return key::Enter;
    case Qt::Key_Escape: return key::Escape;
    case Qt::Key_Left: return key::Left;
    case Qt::Key_Up: return key::Up;
    case Qt::Key_Right: return key::Right;
    case Qt::Key_Down: return key::Down;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

namespace {

int shiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

class KeyRouter final : public QObject {
public:
    KeyRouter(Control& c, QObject* parent) : QObject(parent), control_(c) {}

    bool eventFilter(QObject*, QEvent* e) override {
        return usedAtEventBoundary([&] { return route(e); });
    }

private:
    bool route(QEvent* e) {
        if (e->type() == QEvent::FocusIn) {
            const auto reason = static_cast<QFocusEvent*>(e)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !control_.hasFocus())
                control_.SetFocus();
            return false;
        }
        if (e->type() != QEvent::KeyPress || !control_.isUsable()) return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        Form& form = control_.form();
        switch (ke->key()) {
        case Qt::Key_Tab:
            form.userKey(control_, key::Tab);
            return true;
        case Qt::Key_Backtab:
            form.setFocusTo(control_);
            form.tabForward(true);
            return true;
        case Qt::Key_Return: case Qt::Key_Enter:
            form.userKey(control_, key::Enter);
            return true;
        case Qt::Key_Escape:
            form.userKey(control_, key::Escape);
            return true;
        default:
            break;
        }
        int code = keyCodeOf(ke->key());
        if (code == 0 || (ke->key() == Qt::Key_Space)) return false;
        // Other keys: KeyDown may swallow them; otherwise the widget acts.
        if (control_.KeyDown) control_.KeyDown(code, shiftOf(ke->modifiers()));
        return code == 0;
    }

    Control& control_;
};

// Characters typed on a list or grid: its KeyPress (the window starts
// editing the cell with them) instead of the view's own search by letter.
class TypingRouter final : public QObject {
public:
    TypingRouter(Control& c, bool always, QObject* parent) : QObject(parent), control_(c), always_(always) {}
    bool eventFilter(QObject*, QEvent* e) override {
        return usedAtEventBoundary([&] {
            if (e->type() != QEvent::KeyPress || !control_.isUsable() || (!always_ && !control_.KeyPress)) return false;
            auto* ke = static_cast<QKeyEvent*>(e);
            if (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
            const QString text = ke->text();
            if (text.isEmpty() || !text.at(0).isPrint()) return false;
            control_.form().userType(control_, ss(text));
            return true;
        });
    }

private:
    Control& control_;
    bool always_;
};

}  // namespace

void routeTyping(ControlBinding& binding, QWidget* widget, bool always) {
    binding.filterEvents(widget, new TypingRouter(binding.control(), always, widget));
}

void routeKeys(ControlBinding& binding, QWidget* widget) {
    binding.filterEvents(widget, new KeyRouter(binding.control(), widget));
}

}  // namespace fo::qt
