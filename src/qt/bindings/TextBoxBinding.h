#pragma once
#include "qt/bindings/ControlBinding.h"

class QLineEdit;
class QPlainTextEdit;

namespace fo {
class TextBox;
}

namespace fo::qt {

class TextBoxBinding final : public ControlBinding {
public:
    TextBoxBinding(TextBox& box, QWidget* parent);
    TextBox& box() const { return box_; }
    // Copies the widget's caret and selection into the box before a key acts.
    void takeSelection();

protected:
    void sync() override;

private:
    void takeText();
    QString widgetText() const;
    void widgetSelection(int& start, int& length) const;

    TextBox& box_;
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
};

}  // namespace fo::qt
