#pragma once
#include <QApplication>
#include <QString>
#include <memory>
#include <string>

namespace fo::app {

// The module's UTF-8 text as the widgets take it.
inline QString qs(const std::string& s) { return QString::fromStdString(s); }

// The QApplication of the GUI and the tour, with the Chinese font chosen.
// `offscreen` puts it on the offscreen platform (no display needed).
class GuiApplication {
public:
    explicit GuiApplication(const char* name, bool offscreen = false);
    ~GuiApplication();
    int exec() { return QApplication::exec(); }

private:
    int argc_ = 1;
    char* argv_[2];
    std::unique_ptr<QApplication> app_;
};

}  // namespace fo::app
