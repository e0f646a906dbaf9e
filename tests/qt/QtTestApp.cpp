#include "QtTestApp.h"

#include <QCoreApplication>

#include "qt/OffscreenScreen.h"

namespace fo::test {

QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qt::useOffscreenScreen(qt::kOfficeScreenWidth, qt::kOfficeScreenHeight);
        return new QApplication(argc, argv);
    }();
    return *app;
}

qt::FormView& QtTest::show(Form& form) {
    form.show();
    qt::FormView* view = ui.viewOf(form);
    EXPECT_NE(view, nullptr);
    QCoreApplication::processEvents();
    return *view;
}

}  // namespace fo::test
