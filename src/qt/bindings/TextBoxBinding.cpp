// A text box as a QLineEdit (QPlainTextEdit when multi-line). Typed
// characters are not left to the widget: they go through the window's
// KeyPress filters (which may swallow or change them) and the text box's own
// edit, exactly as typing does headlessly; the widget then shows the result.
// Edits the widget makes by itself (delete, paste, an input method's
// pre-edit) are handed back as the clerk's new text.
#include "qt/bindings/TextBoxBinding.h"
#include "qt/EventBoundary.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "ui/Form.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/TextBox.h"

namespace fo::qt {
namespace {

class TypingFilter final : public QObject {
public:
    TypingFilter(TextBoxBinding& b, QObject* parent) : QObject(parent), b_(b) {}
    bool eventFilter(QObject*, QEvent* e) override {
        return usedAtEventBoundary([&] { return filter(e); });
    }

private:
    bool filter(QEvent* e) {
        TextBox& box = b_.box();
        if (!box.isUsable()) return false;
        if (e->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(e);
            if (ke->key() == Qt::Key_Backspace) {
                b_.takeSelection();
                box.form().userKey(box, key::Backspace);
                return true;
            }
            if (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
            const QString text = ke->text();
            if (text.isEmpty() || !text.at(0).isPrint()) return false;
            b_.takeSelection();
            box.form().userType(box, ss(text));
            return true;
        }
        if (e->type() == QEvent::InputMethod) {
            auto* ie = static_cast<QInputMethodEvent*>(e);
            if (ie->commitString().isEmpty() || !ie->preeditString().isEmpty()) return false;
            b_.takeSelection();
            box.form().userType(box, ss(ie->commitString()));
            return true;
        }
        return false;
    }

    TextBoxBinding& b_;
};

}  // namespace

TextBoxBinding::TextBoxBinding(TextBox& box, QWidget* parent)
    : ControlBinding(box, box.multiLine() ? static_cast<QWidget*>(new QPlainTextEdit(parent))
                                          : static_cast<QWidget*>(new QLineEdit(parent))),
      box_(box) {
    line_ = qobject_cast<QLineEdit*>(widget());
    plain_ = qobject_cast<QPlainTextEdit*>(widget());
    routeKeys(*this, widget());
    filterEvents(widget(), new TypingFilter(*this, widget()));
    if (line_) {
        QObject::connect(line_, &QLineEdit::textEdited, line_, guarded([this](const QString&) { takeText(); }));
        QObject::connect(line_, &QLineEdit::selectionChanged, line_, guarded([this] { if (!syncing()) takeSelection(); }));
        QObject::connect(line_, &QLineEdit::cursorPositionChanged, line_, guarded([this](int, int) {
            if (!syncing()) takeSelection();
        }));
    } else {
        QObject::connect(plain_, &QPlainTextEdit::textChanged, plain_, guarded([this] { if (!syncing()) takeText(); }));
        QObject::connect(plain_, &QPlainTextEdit::cursorPositionChanged, plain_, guarded([this] {
            if (!syncing()) takeSelection();
        }));
    }
    refresh();
}

QString TextBoxBinding::widgetText() const {
    if (line_) return line_->text();
    // The box keeps CRLF line ends; the widget shows plain line feeds.
    return plain_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void TextBoxBinding::widgetSelection(int& start, int& length) const {
    if (line_) {
        if (line_->hasSelectedText()) {
            start = line_->selectionStart();
            length = static_cast<int>(line_->selectedText().size());
        } else {
            start = line_->cursorPosition();
            length = 0;
        }
        return;
    }
    const QTextCursor c = plain_->textCursor();
    start = c.selectionStart();
    length = c.selectionEnd() - c.selectionStart();
}

void TextBoxBinding::takeSelection() {
    int start = 0, length = 0;
    widgetSelection(start, length);
    if (start == box_.selStart() && length == box_.selLength()) return;
    QuietGuard quiet(*this);
    box_.setSelStart(start);
    box_.setSelLength(length);
}

void TextBoxBinding::takeText() {
    if (box_.locked()) {
        refresh();
        return;
    }
    int start = 0, length = 0;
    widgetSelection(start, length);
    box_.userSetText(ss(widgetText()));
    box_.setSelStart(start);
}

void TextBoxBinding::sync() {
    const QString text = qs(box_.text());
    if (line_) {
        if (line_->text() != text) line_->setText(text);
        line_->setReadOnly(box_.locked());
        line_->setEchoMode(box_.passwordChar().empty() ? QLineEdit::Normal : QLineEdit::Password);
        line_->setMaxLength(box_.maxLength() > 0 ? box_.maxLength() : 32767);
        int start = 0, length = 0;
        widgetSelection(start, length);
        if (start != box_.selStart() || length != box_.selLength()) {
            if (box_.selLength() > 0) line_->setSelection(box_.selStart(), box_.selLength());
            else line_->setCursorPosition(box_.selStart());
        }
        return;
    }
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (plain_->toPlainText() != shown) plain_->setPlainText(shown);
    plain_->setReadOnly(box_.locked());
}

}  // namespace fo::qt
