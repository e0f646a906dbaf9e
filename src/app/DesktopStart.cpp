#include "app/DesktopStart.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

#include "app/GuiSupport.h"
#include "app/MainWindow.h"
#include "app/OfficeSession.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "host/demo/DemoSchool.h"
#include "host/operators/Operators.h"
#include "host/operators/SignIn.h"
#include "host/api/MessageService.h"
#include "qt/QtUi.h"
#include "signin/frmSignIn.h"

namespace fo::app {
namespace {

namespace fs = std::filesystem;

enum class Instead { OtherFile, Demo, Quit };

Instead askInstead(const std::string& file, const std::string& why) {
    std::error_code ec;
    const std::string path = isLinkString(file) ? shownWithoutPassword(file) : fs::absolute(file, ec).string();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("不能打开数据库"),
                    QStringLiteral("不能打开数据库：\n%1\n\n原因：%2\n\n请选择另一个数据库文件，或者打开演示数据库。")
                        .arg(qs(path), qs(why)),
                    QMessageBox::NoButton);
    box.setObjectName(QStringLiteral("openFailure"));
    QPushButton* other = box.addButton(QStringLiteral("选择其他数据库…"), QMessageBox::AcceptRole);
    QPushButton* demo = box.addButton(QStringLiteral("打开演示数据库"), QMessageBox::ActionRole);
    QPushButton* quit = box.addButton(QStringLiteral("退出"), QMessageBox::RejectRole);
    other->setObjectName(QStringLiteral("otherFile"));
    demo->setObjectName(QStringLiteral("demo"));
    quit->setObjectName(QStringLiteral("quit"));
    box.setDefaultButton(other);
    box.exec();
    if (box.clickedButton() == other) return Instead::OtherFile;
    if (box.clickedButton() == demo) return Instead::Demo;
    return Instead::Quit;
}

// Why `path` cannot be a fee database before anything tries it; "" when it may be.
std::string plainProblem(const std::string& path) {
    if (isLinkString(path)) return {};  // a server's database: opening it says
    std::error_code ec;
    if (!fs::exists(path, ec)) return "文件不存在。";
    if (fs::is_directory(path, ec)) return "这是一个文件夹，不是数据库文件。";
    return {};
}

// The fee office at `path` for the operator who signed in there, remembered
// for next time; nullptr with `why` set when it cannot be opened, and with
// `why` empty when nobody signed in.
std::unique_ptr<OfficeSession> tryOpen(const std::string& path, int dialect, std::string& why,
                                       const SignInStep& signIn) {
    why = plainProblem(path);
    if (!why.empty()) return nullptr;
    try {
        // Whether it is a fee office at all, before anyone is asked to sign in.
        SignIn(linkStringFor(path), path).operatorsToChoose();
    } catch (const std::exception& e) {
        why = clerkText(e);
        return nullptr;
    }
    const std::optional<int> user = signIn(path);
    if (!user) return nullptr;
    try {
        auto session = std::make_unique<OfficeSession>(path, dialect, *user);
        rememberDatabase(path);
        return session;
    } catch (const std::exception& e) {
        why = clerkText(e);
        return nullptr;
    }
}

// The user's demo office, created when it is not there yet.
std::string demoOffice(std::string& notice) {
    const std::string demo = demoDatabasePath();
    if (!fs::exists(demo)) {
        fs::create_directories(fs::path(demo).parent_path());
        writeDemoSchool(demo);
        notice = "已在 " + demo + " 创建演示数据库。" + demoPasswordsText();
    }
    return demo;
}

}  // namespace

std::string clerkText(const std::exception& e) {
    if (const auto* db = dynamic_cast<const DbError*>(&e)) return db->description();
    return e.what();
}

std::optional<int> askSignIn(const std::string& path, const std::string& caption) {
    return frmSignIn::ask(linkStringFor(path), path, 0, caption);
}

std::unique_ptr<OfficeSession> openInstead(const std::string& failed, const std::string& reason, int dialect,
                                           const SignInStep& signIn) {
    std::string path = failed, why = reason, ignored;
    for (;;) {
        switch (askInstead(path, why)) {
        case Instead::Quit: return nullptr;
        case Instead::OtherFile: {
            const QString folder = QFileInfo(qs(path)).absolutePath();
            const QString chosen = QFileDialog::getOpenFileName(nullptr, QStringLiteral("打开数据库"), folder,
                                                                QStringLiteral("收费数据库 (*.db *.sqlite);;所有文件 (*)"));
            if (chosen.isEmpty()) continue;  // back to the question
            path = chosen.toStdString();
            break;
        }
        case Instead::Demo:
            try {
                path = demoOffice(ignored);
            } catch (const std::exception& e) {
                path = demoDatabasePath();
                why = "不能创建演示数据库：" + clerkText(e);
                continue;
            }
            break;
        }
        if (auto session = tryOpen(path, dialect, why, signIn)) return session;
        if (why.empty()) return nullptr;  // nobody signed in
    }
}

std::unique_ptr<OfficeSession> openStartSession(const std::string& requested, int dialect, std::string& notice,
                                                const SignInStep& signIn) {
    std::string path = requested.empty() ? lastDatabase() : requested;
    if (path.empty()) {
        // The first run: the demo office.
        try {
            path = demoOffice(notice);
            if (!notice.empty()) notice = "首次运行：" + notice;
        } catch (const std::exception& e) {
            return openInstead(demoDatabasePath(), "不能创建演示数据库：" + clerkText(e), dialect, signIn);
        }
    }
    // A database that is gone is said so, never quietly replaced by the demo.
    std::string why;
    if (auto session = tryOpen(path, dialect, why, signIn)) return session;
    if (why.empty()) return nullptr;  // nobody signed in
    return openInstead(path, why, dialect, signIn);
}

int runDesktop(const std::string& database, int dialect) {
    GuiApplication app("feeoffice");
    qt::QtUi ui;
    ui.install();
    std::string notice;
    // A new demo office is announced before its sign-in, which needs its passwords.
    bool told = false;
    const auto tell = [&] {
        if (!notice.empty() && !told) msgBox(notice, MsgButtons::OK, MsgIcon::Information, "提示");
        told = true;
    };
    std::unique_ptr<OfficeSession> session = openStartSession(database, dialect, notice, [&](const std::string& path) {
        tell();
        return askSignIn(path);
    });
    if (!session) return 1;
    MainWindow window(std::move(session));
    ui.setMainWindow(&window);
    window.show();
    tell();
    return app.exec();
}

}  // namespace fo::app
