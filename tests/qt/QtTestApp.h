#pragma once
#include <QApplication>
#include <gtest/gtest.h>

#include "qt/FormView.h"
#include "qt/QtUi.h"
#include "ui/Form.h"

namespace fo::test {

// The one QApplication of the test run, on the offscreen platform.
QApplication& qtApp();

// Every binding test runs on a fresh Qt binding.
class QtTest : public ::testing::Test {
protected:
    void SetUp() override {
        qtApp();
        ui.install();
    }
    // Shows `form` modelessly and returns its dialog, laid out and painted.
    qt::FormView& show(Form& form);
    template <class W> W* widget(Form& form, const Control& c) {
        return dynamic_cast<W*>(ui.viewOf(form)->widgetOf(c));
    }
    qt::QtUi ui;
};

}  // namespace fo::test
