// The desktop program on the offscreen platform: what it opens at start-up
// and what it says when it cannot, the database it remembers, its status bar,
// its settings dialog and its dialogs' layout. (Whole columns in every list:
// the module's window scripts at the desktop.)
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "../qt/QtTestApp.h"
#include "app/DesktopStart.h"
#include "app/HostSettingsDialog.h"
#include "app/MainWindow.h"
#include "app/OfficeSession.h"
#include "db/Connection.h"
#include "signin/frmSignIn.h"
#include "students/frmCommFind.h"
#include "host/demo/DemoSchool.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"
#include "ui/FormInstance.h"

namespace fo::test {
namespace {

namespace fs = std::filesystem;

// A user of our own: home, configuration and data folders in a scratch
// folder, and the working folder there too.
class Desktop : public QtTest {
protected:
    void SetUp() override {
        QtTest::SetUp();
        saved_ = fs::current_path();
        home.emplace("HOME", dir.path().string());
        config.emplace("XDG_CONFIG_HOME", dir.file("config"));
        data.emplace("XDG_DATA_HOME", dir.file("data"));
        fs::current_path(dir.path());
    }
    void TearDown() override {
        fs::current_path(saved_);
        FormInstances::releaseAll();
    }

    // Answers the next start-up question with the button `button`, noting its text.
    void answerOpenFailure(const char* button) {
        QTimer::singleShot(0, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            ASSERT_EQ(box->objectName(), QStringLiteral("openFailure"));
            asked = box->text().toStdString();
            box->findChild<QPushButton*>(QString::fromUtf8(button))->click();
        });
    }
    static void smallDemo(const std::string& path) { writeDemoSchool(path, DemoOptions{24, 1, "2026-12-06"}); }
    // The sign-in of the start-up: the administrator signs in (or, with
    // `giveUp`, nobody), noting where he was asked to.
    app::SignInStep signIn(bool giveUp = false) {
        return [this, giveUp](const std::string& path) -> std::optional<int> {
            signedInAt.push_back(fs::absolute(path).string());
            if (giveUp) return std::nullopt;
            return 1;
        };
    }

    TempDir dir;
    std::string asked;
    std::vector<std::string> signedInAt;

private:
    fs::path saved_;
    std::optional<ScopedVariable> home, config, data;  // set once the application is up
};

// The desktop greys out what the operator may not open and hides the
// carry-over from one who may not carry over, rather than refusing a click;
// its dialogs line their fields up beside their captions.
TEST_F(Desktop, WhatAnOperatorMayNotDoIsGreyedOutOrHiddenAndDialogFieldsLineUpBesideTheirCaptions) {
    smallDemo("school.db");
    auto session = std::make_unique<app::OfficeSession>(dir.file("school.db"), 1, 3);
    app::MainWindow window(std::move(session));
    auto action = [&](const char* name) { return window.findChild<QAction*>(QString::fromUtf8(name)); };
    // The receipts, the reductions, the batches (two entries), the carry-over, the settings.
    auto offered = [&] {
        return std::vector<bool>{action("ShowPJinfo")->isEnabled(), action("ShowJMJL")->isEnabled(),
                                 action("ShowBachJm")->isEnabled(), action("frmBachJM")->isEnabled(),
                                 action("carryOver")->isVisible(),  action("settings")->isEnabled()};
    };
    window.refreshState();
    EXPECT_EQ(offered(), (std::vector<bool>{true, true, false, false, false, false}));
    // 帮助 → 关于 says who is signed in where; its box is as wide as its title.
    std::string about;
    bool titleFits = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        about = box->text().toStdString();
        titleFits = box->width() > box->fontMetrics().horizontalAdvance(box->windowTitle());
        box->accept();
    });
    action("about")->trigger();
    EXPECT_NE(about.find("操作员：李出纳"), std::string::npos) << about;
    EXPECT_NE(about.find("school.db"), std::string::npos) << about;
    EXPECT_TRUE(titleFits);
    window.openDatabase(dir.file("school.db"), 1);
    EXPECT_EQ(offered(), std::vector<bool>(6, true));

    auto x = [](qt::FormView& view, const Control& c) { return view.widgetOf(c)->mapTo(&view, QPoint(0, 0)).x(); };

    auto find = formInstance<frmCommFind>();
    find->load();
    qt::FormView& filter = show(*find);
    for (const Control* field : std::initializer_list<const Control*>{&find->CMB_sflx, &find->txtXh, &find->txtXSxm,
                                                                       &find->DTPcsrqFrom, &find->dtpRxrqFrom, &find->txtJtzz})
        EXPECT_EQ(x(filter, *field), x(filter, find->Cmb_bjmc)) << field->name();
    EXPECT_EQ(x(filter, find->DTPcsrqTO), x(filter, find->dtpRxrqTo));
    find->unload();

    auto signIn = formInstance<frmSignIn>();
    signIn->prepare(sqliteConnectionString(fs::absolute("school.db").string()), "school.db", 1);
    signIn->load();
    qt::FormView& dialog = show(*signIn);
    EXPECT_EQ(x(dialog, signIn->txtPassword), x(dialog, signIn->cmbUser));
    EXPECT_GT(x(dialog, signIn->cmbUser), x(dialog, signIn->lblPassword) + dialog.widgetOf(signIn->lblPassword)->width() - 1)
        << "the box stands beside its caption";
    signIn->unload();
}

TEST_F(Desktop, AStartOpensTheFileNamedRemembersItAbsolutelyOrSaysWhyItCannotAndNothingOpensWithoutASignIn) {
    // The first run creates the demo office and says so.
    std::string notice;
    auto first = app::openStartSession("", 1, notice, signIn());
    ASSERT_NE(first, nullptr);
    const std::string demo = dir.file("data") + "/feeoffice/demo.db";
    EXPECT_EQ(first->databasePath(), demo);
    EXPECT_EQ(notice, "首次运行：已在 " + demo + " 创建演示数据库。" + demoPasswordsText());
    first.reset();

    answerOpenFailure("demo");
    auto instead = app::openStartSession("missing.db", 1, notice, signIn());
    ASSERT_NE(instead, nullptr);
    EXPECT_NE(asked.find("missing.db"), std::string::npos) << asked;
    EXPECT_NE(asked.find("文件不存在"), std::string::npos) << asked;
    EXPECT_EQ(instead->databasePath(), demo);
    instead.reset();

    { std::ofstream("notes.db") << "not a database, only notes\n"; }
    answerOpenFailure("quit");
    EXPECT_EQ(app::openStartSession("notes.db", 1, notice, signIn()), nullptr);
    EXPECT_NE(asked.find("notes.db"), std::string::npos) << asked;
    const auto reason = asked.find("原因：");
    ASSERT_NE(reason, std::string::npos);
    EXPECT_GT(asked.find('\n', reason), reason + std::string("原因：").size()) << "the reason is not empty: " << asked;
    EXPECT_EQ(app::lastDatabase(), demo) << "a database that did not open is not remembered";
    // Nobody is asked to sign in to what is no fee office.
    EXPECT_EQ(signedInAt, (std::vector<std::string>{demo, demo}));

    // Nothing opens, nor is remembered, when nobody signs in; nobody is asked twice.
    smallDemo("school.db");
    EXPECT_EQ(app::openStartSession("school.db", 1, notice, signIn(true)), nullptr);
    EXPECT_EQ(signedInAt, (std::vector<std::string>{demo, demo, dir.file("school.db")}));
    EXPECT_EQ(app::lastDatabase(), demo);

    // The file named opens once its operator signed in, and is remembered
    // by its absolute path; the window shows the month and dialect in words.
    notice.clear();
    auto session = app::openStartSession("school.db", 1, notice, signIn());
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(notice, "");
    EXPECT_EQ(signedInAt.back(), dir.file("school.db"));
    EXPECT_EQ(app::lastDatabase(), dir.file("school.db"));

    app::MainWindow window(std::move(session));
    auto label = [&](const char* name) { return window.findChild<QLabel*>(QString::fromUtf8(name))->text().toStdString(); };
    EXPECT_EQ(label("monthLabel") + "|" + label("dialectLabel") + "|" + label("operatorLabel"),
              "当前月份：2026年12月|SQL Server 兼容模式|操作员：系统管理员");

    // Started from elsewhere, the remembered path still finds it.
    fs::create_directory("elsewhere");
    fs::current_path("elsewhere");
    window.openDatabase(app::lastDatabase(), 1);
    EXPECT_EQ(window.session().databasePath(), dir.file("school.db"));
    // The passing "已打开" message leaves the database path in sight.
    ASSERT_EQ(window.statusBar()->currentMessage().left(3).toStdString(), "已打开");
    const QLabel* path = window.findChild<QLabel*>(QStringLiteral("databaseLabel"));
    EXPECT_TRUE(path->isVisibleTo(&window));
    EXPECT_EQ(path->text().toStdString(), "数据库：" + dir.file("school.db"));
}


TEST_F(Desktop, TheSettingsDialogShowsLabelsNotTheSettingsNames) {
    const std::map<std::string, std::string> stored = {{"chkPrintSKR", "1"}, {"txtColorContent", "本收据加盖财务专用章后有效"}};
    app::HostSettingsDialog dialog(stored, nullptr);
    const auto boxes = dialog.findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), static_cast<qsizetype>(app::HostSettingsDialog::checkSettings().size()));
    for (const QCheckBox* box : boxes) EXPECT_FALSE(box->text().contains(QStringLiteral("chk"))) << box->text().toStdString();
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains(QStringLiteral("txt"))) << label->text().toStdString();
    EXPECT_TRUE(dialog.findChild<QCheckBox*>(QStringLiteral("chkPrintSKR"))->isChecked());
}

}  // namespace
}  // namespace fo::test
