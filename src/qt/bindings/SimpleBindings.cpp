#include "qt/bindings/SimpleBindings.h"
#include "qt/EventBoundary.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <climits>

#include "qt/Twips.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Label.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/Panel.h"
#include "ui/controls/ProgressBar.h"

namespace fo::qt {

std::unique_ptr<ControlBinding> bindChoiceControl(Control& control, QWidget* parent);

namespace {

// The height of a one-line label as the windows draw it, in twips.
constexpr int kOneLine = 300;

class ButtonBinding final : public ControlBinding {
public:
    ButtonBinding(CommandButton& b, QWidget* parent) : ControlBinding(b, new QPushButton(parent)), b_(b) {
        auto* w = static_cast<QPushButton*>(widget());
        w->setAutoDefault(false);
        routeKeys(*this, w);
        QObject::connect(w, &QPushButton::clicked, w, guarded([this] { b_.userClick(); }));
        refresh();
    }

protected:
    void sync() override {
        auto* w = static_cast<QPushButton*>(widget());
        w->setText(qs(b_.caption()));
        w->setDefault(b_.isDefault());
    }

private:
    CommandButton& b_;
};

class CheckBoxBinding final : public ControlBinding {
public:
    CheckBoxBinding(CheckBox& c, QWidget* parent) : ControlBinding(c, new QCheckBox(parent)), c_(c) {
        auto* w = static_cast<QCheckBox*>(widget());
        routeKeys(*this, w);
        // The box toggles its own value; the widget then shows the result.
        QObject::connect(w, &QCheckBox::clicked, w, guarded([this] {
            c_.userClick();
            refresh();
        }));
        refresh();
    }

protected:
    void sync() override {
        auto* w = static_cast<QCheckBox*>(widget());
        w->setText(qs(c_.caption()));
        w->setTristate(c_.value() == 2);
        w->setCheckState(c_.value() == 1 ? Qt::Checked : c_.value() == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    }

private:
    CheckBox& c_;
};

class OptionBinding final : public ControlBinding {
public:
    OptionBinding(OptionButton& o, QWidget* parent) : ControlBinding(o, new QRadioButton(parent)), o_(o) {
        auto* w = static_cast<QRadioButton*>(widget());
        // The group is the window's business: choosing clears the others there.
        w->setAutoExclusive(false);
        routeKeys(*this, w);
        QObject::connect(w, &QRadioButton::clicked, w, guarded([this] {
            o_.userClick();
            refresh();
        }));
        refresh();
    }

protected:
    void sync() override {
        auto* w = static_cast<QRadioButton*>(widget());
        w->setText(qs(o_.caption()));
        w->setChecked(o_.value());
    }

private:
    OptionButton& o_;
};

class LabelBinding final : public ControlBinding {
public:
    LabelBinding(Label& l, QWidget* parent) : ControlBinding(l, new QLabel(parent)), l_(l) { refresh(); }

protected:
    void sync() override {
        auto* w = static_cast<QLabel*>(widget());
        // A label drawn for one line keeps its caption on one line (a row of
        // the layout would otherwise squeeze "减免原因：" into a column of
        // characters); one drawn taller, or a caption of several lines, wraps.
        const bool lines = l_.caption().find_first_of("\r\n") != std::string::npos;
        w->setWordWrap(lines || l_.height() >= 2 * kOneLine);
        w->setText(qs(l_.caption()));
        w->setAlignment(toQtAlignment(l_.alignment()));
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, toQColor(l_.foreColor()));
        w->setPalette(p);
    }

private:
    Label& l_;
};

class FrameBinding final : public ControlBinding {
public:
    FrameBinding(Frame& f, QWidget* parent) : ControlBinding(f, new QGroupBox(parent)), f_(f) { refresh(); }

protected:
    void sync() override { static_cast<QGroupBox*>(widget())->setTitle(qs(f_.caption())); }

private:
    Frame& f_;
};

// Picture boxes and images hold other controls or serve as a splitter's
// grip; they only need a surface that reports the mouse.
class SurfaceBinding final : public ControlBinding {
public:
    SurfaceBinding(Control& c, QWidget* parent) : ControlBinding(c, new QFrame(parent)) {
        widget()->setMinimumSize(toPixels(c.width()) / 4, toPixels(c.height()) / 4);
        refresh();
    }

protected:
    void sync() override {}
};

class ProgressBinding final : public ControlBinding {
public:
    ProgressBinding(ProgressBar& p, QWidget* parent) : ControlBinding(p, new QProgressBar(parent)), p_(p) {
        refresh();
    }

protected:
    void sync() override {
        auto* w = static_cast<QProgressBar*>(widget());
        auto clampInt = [](long v) { return static_cast<int>(std::clamp<long>(v, INT_MIN, INT_MAX)); };
        w->setRange(clampInt(p_.min()), clampInt(std::max(p_.min(), p_.max())));
        w->setValue(clampInt(std::clamp(p_.value(), p_.min(), std::max(p_.min(), p_.max()))));
        // Long operations run on the user-interface thread: paint now.
        if (w->isVisible()) w->repaint();
    }

private:
    ProgressBar& p_;
};

}  // namespace

std::unique_ptr<ControlBinding> bindSimpleControl(Control& c, QWidget* parent) {
    if (auto* b = dynamic_cast<CommandButton*>(&c)) return std::make_unique<ButtonBinding>(*b, parent);
    if (auto* b = dynamic_cast<CheckBox*>(&c)) return std::make_unique<CheckBoxBinding>(*b, parent);
    if (auto* o = dynamic_cast<OptionButton*>(&c)) return std::make_unique<OptionBinding>(*o, parent);
    if (auto* l = dynamic_cast<Label*>(&c)) return std::make_unique<LabelBinding>(*l, parent);
    if (auto* f = dynamic_cast<Frame*>(&c)) return std::make_unique<FrameBinding>(*f, parent);
    if (dynamic_cast<PictureBox*>(&c) || dynamic_cast<ImageBox*>(&c))
        return std::make_unique<SurfaceBinding>(c, parent);
    if (auto* p = dynamic_cast<ProgressBar*>(&c)) return std::make_unique<ProgressBinding>(*p, parent);
    return bindChoiceControl(c, parent);
}

}  // namespace fo::qt
