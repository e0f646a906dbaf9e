#pragma once
#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "qt/FormView.h"
#include "qt/OffscreenScreen.h"
#include "qt/QtUi.h"
#include "ui/Form.h"

namespace fo::test {

// The one QApplication of the test run, on the offscreen platform.
inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qt::useOffscreenScreen(qt::kOfficeScreenWidth, qt::kOfficeScreenHeight);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Once the event loop runs: the modal window of type W that is up then is
// handed to `work` (a failure when there is none).
template <class W, class Work> void whenModal(Work work) {
    QTimer::singleShot(0, [work] {
        auto* window = dynamic_cast<W*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        work(*window);
    });
}

// Every binding test runs on a fresh Qt binding.
class QtTest : public ::testing::Test {
protected:
    void SetUp() override {
        qtApp();
        ui.install();
    }
    // Shows `form` modelessly and returns its dialog, laid out and painted.
    qt::FormView& show(Form& form) {
        form.show();
        qt::FormView* view = ui.viewOf(form);
        EXPECT_NE(view, nullptr);
        QCoreApplication::processEvents();
        return *view;
    }
    template <class W> W* widget(Form& form, const Control& c) {
        return dynamic_cast<W*>(ui.viewOf(form)->widgetOf(c));
    }
    qt::QtUi ui;
};

}  // namespace fo::test
