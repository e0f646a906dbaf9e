#include "qt/Tour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include "qt/bindings/ControlBinding.h"
#include "qt/FormView.h"
#include "ui/Form.h"

namespace fo::qt {
namespace {

std::vector<std::pair<std::string, TourStep>>& steps() {
    static std::vector<std::pair<std::string, TourStep>> s;
    return s;
}

// Closes a window the tour opened, as the clerk's close box would.
void closeWindow(QWidget* w) {
    if (auto* view = dynamic_cast<FormView*>(w)) {
        Form& form = view->form();
        if (!form.unload()) form.hide();
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
        if (QAbstractButton* escape = box->escapeButton()) escape->click();
        else box->done(0);
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
    else w->close();
}

}  // namespace

void registerTourStep(const std::string& name, TourStep step) {
    for (auto& [n, s] : steps())
        if (n == name) {
            s = std::move(step);
            return;
        }
    steps().emplace_back(name, std::move(step));
}

const std::vector<std::pair<std::string, TourStep>>& tourSteps() { return steps(); }

Form* formOf(QWidget& window) {
    auto* view = dynamic_cast<FormView*>(&window);
    return view ? &view->form() : nullptr;
}

void TourContext::snap(QWidget& widget, const std::string& name) {
    QDir().mkpath(qs(outDir_));
    QCoreApplication::processEvents();
    const QString file = QDir(qs(outDir_)).filePath(qs(name) + QStringLiteral(".png"));
    if (!widget.grab().save(file)) {
        fail("cannot write " + ss(file));
        return;
    }
    pictured(ss(file), name, ss(widget.windowTitle()));
}

void TourContext::pictured(const std::string& file, const std::string& name, const std::string& title) {
    ++pictures_;
    out_ << file << "  " << name << "  (" << title << ")\n";
    out_.flush();
}

bool TourContext::whileModal(const std::string& name, const std::function<void()>& open,
                             const std::function<void(QWidget&)>& work, const std::function<bool(QWidget&)>& wanted) {
    QPointer<QWidget> before = QApplication::activeModalWidget();
    bool seen = false;
    QElapsedTimer clock;
    clock.start();
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != before && modal->isVisible() && (!wanted || wanted(*modal))) {
            poll->stop();
            seen = true;
            if (work) work(*modal);
            QCoreApplication::processEvents();
            // The step may have closed the window or opened another over it.
            if (QWidget* top = QApplication::activeModalWidget()) {
                if (!name.empty()) snap(*top, name);
                while (QWidget* w = QApplication::activeModalWidget()) {
                    if (w == before) break;
                    closeWindow(w);
                    QCoreApplication::processEvents();
                    if (QApplication::activeModalWidget() == w) break;
                }
            }
        } else if (clock.elapsed() > 10000) {
            poll->stop();
        }
    });
    poll->start();
    try {
        open();
    } catch (const std::exception& e) {
        fail(name + ": " + e.what());
    }
    poll->stop();
    poll->deleteLater();
    if (!seen) fail(name + ": no window came up");
    return seen;
}

void TourContext::answerNextMessage(const std::string& caption) {
    QElapsedTimer clock;
    clock.start();
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, text = qs(caption)] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
            for (QAbstractButton* b : box->buttons())
                if (b->text() == text) {
                    poll->stop();
                    poll->deleteLater();
                    b->click();
                    return;
                }
        }
        if (clock.elapsed() > 10000) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
}

void TourContext::fail(const std::string& what) {
    ++failures_;
    out_ << "tour: " << what << '\n';
}

}  // namespace fo::qt
