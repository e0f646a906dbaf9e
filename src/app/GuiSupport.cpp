#include "app/GuiSupport.h"

#include <cstdio>
#include <cstdlib>

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>
#include <QtGlobal>

#include "qt/CjkFont.h"
#include "qt/OffscreenScreen.h"

namespace fo::app {
namespace {

// The offscreen platform warns on every window it cannot resize to its hints,
// raise or grab the keyboard for, and when no runtime folder is set; none of
// it matters to a picture or a script.
void quietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && (text.contains(QLatin1String("propagateSizeHints")) ||
                                 text.contains(QLatin1String("XDG_RUNTIME_DIR")) ||
                                 text.contains(QLatin1String("This plugin does not support"))))
        return;
    std::fputs(qPrintable(qFormatLogMessage(type, context, text) + QLatin1Char('\n')), stderr);
}

}  // namespace

GuiApplication::GuiApplication(const char* name, bool offscreen) : argv_{const_cast<char*>(name), nullptr} {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool noDisplay = (!display || !*display) && (!wayland || !*wayland);
    if (offscreen || (noDisplay && !std::getenv("QT_QPA_PLATFORM"))) {
        // The pictures show what a clerk sees on the smallest office screen.
        qt::useOffscreenScreen(qt::kOfficeScreenWidth, qt::kOfficeScreenHeight);
        qInstallMessageHandler(quietOffscreenWarnings);
    }
    app_ = std::make_unique<QApplication>(argc_, argv_);
    QApplication::setApplicationName(QStringLiteral("feeoffice"));
    QApplication::setApplicationDisplayName(QStringLiteral("收费管理"));
    // The desktop entry the windows belong to, and their icon: the
    // installed theme's when there is one, else the program's own.
    QGuiApplication::setDesktopFileName(QStringLiteral("feeoffice"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("feeoffice"), QIcon(QStringLiteral(":/feeoffice.svg"))));
    // Qt's own dialogs (print, save, open) speak Chinese too.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* translator = new QTranslator(app_.get());
    if (translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    qt::applyCjkFont(*app_);
}

GuiApplication::~GuiApplication() = default;

}  // namespace fo::app
