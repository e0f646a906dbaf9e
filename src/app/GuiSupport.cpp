#include "app/GuiSupport.h"

#include <cstdlib>

#include "qt/CjkFont.h"

namespace fo::app {

GuiApplication::GuiApplication(const char* name, bool offscreen) : argv_{const_cast<char*>(name), nullptr} {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool noDisplay = (!display || !*display) && (!wayland || !*wayland);
    if (offscreen || (noDisplay && !std::getenv("QT_QPA_PLATFORM"))) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
    QApplication::setApplicationName(QStringLiteral("feeoffice"));
    QApplication::setApplicationDisplayName(QStringLiteral("收费管理"));
    qt::applyCjkFont(*app_);
}

GuiApplication::~GuiApplication() = default;

}  // namespace fo::app
