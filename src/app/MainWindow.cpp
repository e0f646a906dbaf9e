#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdlib>
#include <filesystem>

#include "app/DesktopStart.h"
#include "app/GuiSupport.h"
#include "app/HostSettingsDialog.h"
#include "app/OfficeSession.h"
#include "app/ServerDatabaseDialog.h"
#include "data/FeeDatabase.h"
#include "db/pg/PgLink.h"
#include "host/fees/Calendar.h"
#include "host/fees/CarryOver.h"
#include "host/demo/DemoSchool.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/MessageService.h"
#include "signin/frmSignIn.h"
#include "ui/FormRegistry.h"

namespace fo::app {
namespace {

const char* const NotYet = "尚未提供";

long countOf(Connection& cn, const std::string& sql) {
    RecordsetPtr rs = cn.execute(sql);
    return rs && !rs->eof() ? static_cast<long>(rs->field(std::size_t{0}).toInt()) : 0;
}

}  // namespace

void rememberDatabase(const std::string& path) {
    // A server's database is remembered by host, port, name and user only,
    // never with a password; a file as an absolute path.
    if (isLinkString(path)) {
        UserSettingsStore().saveSetting("feeoffice", "gui", "lastDatabase", shownWithoutPassword(path));
        return;
    }
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    UserSettingsStore().saveSetting("feeoffice", "gui", "lastDatabase", ec ? path : absolute.lexically_normal().string());
}

std::string lastDatabase() { return UserSettingsStore().getSetting("feeoffice", "gui", "lastDatabase", ""); }

MainWindow::MainWindow(const std::string& databasePath, int dialect, int operatorId)
    : MainWindow(std::make_unique<OfficeSession>(databasePath, dialect, operatorId)) {
    rememberDatabase(databasePath);
}

MainWindow::MainWindow(std::unique_ptr<OfficeSession> session)
    : session_(std::move(session)), dialect_(session_->dialect()) {
    setObjectName(QStringLiteral("MainWindow"));

    auto* centre = new QLabel(QStringLiteral("收费管理 —— 票据与减免\n\n请从菜单或工具栏选择要进行的工作。"), this);
    centre->setAlignment(Qt::AlignCenter);
    QFont big = centre->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    centre->setFont(big);
    setCentralWidget(centre);

    dbLabel_ = new QLabel(this);
    dialectLabel_ = new QLabel(this);
    userLabel_ = new QLabel(this);
    monthLabel_ = new QLabel(this);
    dbLabel_->setObjectName(QStringLiteral("databaseLabel"));
    dialectLabel_->setObjectName(QStringLiteral("dialectLabel"));
    userLabel_->setObjectName(QStringLiteral("operatorLabel"));
    monthLabel_->setObjectName(QStringLiteral("monthLabel"));
    for (QLabel* l : {dbLabel_, dialectLabel_, userLabel_, monthLabel_}) statusBar()->addPermanentWidget(l);
    buildActions();
    resize(900, 560);
    // It opens in the middle of the screen, where the dialogs it owns open too.
    if (const QScreen* here = screen()) move(here->availableGeometry().center() - rect().center());
    refreshState();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildActions() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(QStringLiteral("打开数据库…"), this, [this] { openDatabaseDialog(); });
    file->addAction(QStringLiteral("打开服务器数据库…"), this, [this] { openServerDatabaseDialog(); });
    file->addAction(QStringLiteral("新建数据库…"), this, [this] { createDatabaseDialog(false); });
    file->addAction(QStringLiteral("新建演示数据库…"), this, [this] { createDatabaseDialog(true); });
    file->addSeparator();
    file->addAction(QStringLiteral("退出"), this, [this] { close(); });

    QMenu* work = menuBar()->addMenu(QStringLiteral("业务(&B)"));
    QToolBar* bar = addToolBar(QStringLiteral("业务"));
    bar->setObjectName(QStringLiteral("entryToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const struct {
        const char* caption;
        const char* name;
        bool window;
    } entries[] = {{"收费", "frmSF", true},
                   {"收费日报", "frmDayReport", true},
                   {"月度收费对账表", "frmMonthReport", true},
                   {"收费汇总表", "frmCollectionSummary", true},
                   {"欠费分析", "frmArrearsAnalysis", true},
                   {"欠费图表", "ArrearsCharts", false},
                   {"缴费通知单", "frmNotices", true},
                   {"票据管理", "ShowPJinfo", false},
                   {"减免管理", "ShowJMJL", false},
                   {"应收明细表-减免", "ShowBachJm", false},
                   {"批量减免", "frmBachJM", true}};
    for (const auto& e : entries) {
        QAction* a = work->addAction(QString::fromUtf8(e.caption));
        a->setObjectName(QString::fromUtf8(e.name));
        const std::string name = e.name;
        connect(a, &QAction::triggered, this, [this, name] { runEntry(name); });
        bar->addAction(a);
        entries_.push_back({e.name, e.window, a});
    }
    connect(work, &QMenu::aboutToShow, this, [this] { refreshState(); });

    QMenu* host = menuBar()->addMenu(QStringLiteral("系统(&S)"));
    carryAction_ = host->addAction(QStringLiteral("月末结转…"), this, [this] { carryOver(); });
    settingsAction_ = host->addAction(QStringLiteral("系统设置…"), this, [this] { editSettings(); });
    carryAction_->setObjectName(QStringLiteral("carryOver"));
    settingsAction_->setObjectName(QStringLiteral("settings"));
    host->addAction(QStringLiteral("切换操作员…"), this, [this] { chooseOperator(); });
    host->addAction(QStringLiteral("修改密码…"), this, [this] { changePassword(); });
    operatorsAction_ = host->addAction(QStringLiteral("操作员管理…"), this, [this] { runEntry("frmOperators"); });
    host->addSeparator();
    host->addAction(QStringLiteral("学校设置…"), this, [this] { runEntry("frmSchool"); })
        ->setObjectName(QStringLiteral("school"));
    host->addAction(QStringLiteral("学生档案…"), this, [this] { runEntry("frmStudents"); })
        ->setObjectName(QStringLiteral("students"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(QStringLiteral("关于收费管理…"), this, [this] { showAbout(); })
        ->setObjectName(QStringLiteral("about"));
    bar->addSeparator();
    bar->addAction(carryAction_);
}

void MainWindow::refreshState() {
    FormRegistry& registry = formRegistry();
    for (Entry& e : entries_) {
        const bool present = e.window ? registry.window(e.name) != nullptr : registry.entry(e.name) != nullptr;
        // What the operator may not open is greyed out, not refused after a click.
        e.action->setEnabled(present && session_->refusal(e.name).empty());
        const QString caption = e.action->text().section(QStringLiteral("（"), 0, 0);
        e.action->setText(present ? caption : caption + QStringLiteral("（") + QString::fromUtf8(NotYet) + QStringLiteral("）"));
    }
    ReferenceHost& host = session_->host();
    const bool administrator = session_->isAdministrator();
    if (operatorsAction_) operatorsAction_->setEnabled(administrator);
    if (settingsAction_) settingsAction_->setEnabled(administrator);
    // Only an operator who may carry a month over sees the entry.
    if (carryAction_) carryAction_->setVisible(session_->refusal("YMJZ").empty());
    const std::string month = host.CurrentYf();
    const std::string database = session_->databasePath();
    dbLabel_->setText(QStringLiteral("数据库：") + qs(shownWithoutPassword(database)));
    const QString engine = session_->dialect() == 1 ? QStringLiteral("SQL Server") : QStringLiteral("Access");
    dialectLabel_->setText(engine + QStringLiteral(" 兼容模式"));
    dialectLabel_->setToolTip(QStringLiteral("查询语句按 %1 数据库的写法生成").arg(engine));
    userLabel_->setText(QStringLiteral("操作员：") + qs(host.gusername()));
    monthLabel_->setText(QStringLiteral("当前月份：") + (month.empty() ? QStringLiteral("无") : qs(monthCaption(month))));
    setWindowTitle(QStringLiteral("收费管理 - ") +
                   qs(isPostgresLink(database) ? pgLinkParts(database).database
                                               : std::filesystem::path(database).filename().string()));
}

void MainWindow::runEntry(const std::string& name) {
    FormRegistry& registry = formRegistry();
    try {
        if (const std::string why = session_->refusal(name); !why.empty()) {
            msgBox(why, MsgButtons::OK, MsgIcon::Exclamation, "提示");
            return;
        }
        if (const auto* op = registry.entry(name)) (*op)();
        else if (auto form = registry.window(name)) form->showModal();
        else msgBox(name + " " + NotYet, MsgButtons::OK, MsgIcon::Information, "提示");
    } catch (const std::exception& e) {
        msgBox(clerkText(e), MsgButtons::OK, MsgIcon::Critical, "警告！");
    }
    refreshState();
}

bool MainWindow::openDatabase(const std::string& path, int operatorId) {
    const std::string previous = session_->databasePath();
    const int previousOperator = std::atoi(session_->host().gUserid().c_str());
    try {
        session_.reset();  // the module lets go of the old database first
        session_ = std::make_unique<OfficeSession>(path, dialect_, operatorId);
        rememberDatabase(path);
    } catch (const std::exception& e) {
        const std::string why = clerkText(e);
        msgBox("不能打开数据库：" + path + "\r\n" + why, MsgButtons::OK, MsgIcon::Critical, "警告！");
        try {
            session_ = std::make_unique<OfficeSession>(previous, dialect_, previousOperator);
        } catch (const std::exception& again) {
            session_ = openInstead(previous, clerkText(again), dialect_);
            if (!session_) {
                close();
                return false;
            }
        }
        refreshState();
        return false;
    }
    refreshState();
    statusBar()->showMessage(QStringLiteral("已打开 ") + qs(shownWithoutPassword(path)), 5000);
    return true;
}

QString MainWindow::currentFolder() const {
    const std::string database = session_->databasePath();
    return isLinkString(database) ? QString() : QFileInfo(qs(database)).absolutePath();
}

void MainWindow::openDatabaseDialog() {
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("打开数据库"), currentFolder(),
                                                      QStringLiteral("收费数据库 (*.db *.sqlite);;所有文件 (*)"));
    if (file.isEmpty()) return;
    if (const auto user = signInTo(file.toStdString(), "操作员登录")) openDatabase(file.toStdString(), *user);
}

std::optional<int> MainWindow::signInTo(const std::string& path, const std::string& caption) {
    try {
        return askSignIn(path, caption);
    } catch (const std::exception& e) {
        msgBox("不能登录：" + clerkText(e), MsgButtons::OK, MsgIcon::Critical, "警告！");
        return std::nullopt;
    }
}

void MainWindow::openServerDatabaseDialog() {
    const std::string current = session_->databasePath();
    ServerDatabaseDialog dialog(isPostgresLink(current) ? pgLinkParts(current) : PgLinkParts{}, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // A server's books are opened by whoever signs in there, as a file's are.
    if (const auto user = signInTo(dialog.link(), "操作员登录")) openDatabase(dialog.link(), *user);
}

void MainWindow::createDatabaseDialog(bool demo) {
    const QString file = QFileDialog::getSaveFileName(this, demo ? QStringLiteral("新建演示数据库") : QStringLiteral("新建数据库"),
                                                      currentFolder(), QStringLiteral("收费数据库 (*.db)"));
    if (file.isEmpty()) return;
    const std::string path = file.toStdString();
    try {
        if (std::filesystem::exists(path)) throw std::runtime_error("文件已存在：" + path);
        if (demo) writeDemoSchool(path);
        else createFeeDatabase(sqliteConnectionString(path))->close();
    } catch (const std::exception& e) {
        msgBox("不能创建数据库：" + clerkText(e), MsgButtons::OK, MsgIcon::Critical, "警告！");
        return;
    }
    if (const auto user = signInTo(path, "操作员登录")) openDatabase(path, *user);
}

void MainWindow::carryOver() {
    if (const std::string why = session_->refusal("YMJZ"); !why.empty()) {
        msgBox(why, MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    ReferenceHost& host = session_->host();
    const std::string month = host.CurrentYf();
    if (month.empty()) {
        msgBox("没有可以结转的月份。", MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    // A month not yet over is carried over only when the administrator types
    // it: afterwards none of its receipts can be voided.
    if (const std::string early = earlyCarryOverWarning(host, month, DateTime::today().dateText()); !early.empty()) {
        if (!session_->isAdministrator()) {
            msgBox(early + "\r\n只有管理员可以提前结转。", MsgButtons::OK, MsgIcon::Exclamation, "提示");
            return;
        }
        bool typed = false;
        const QString answer = QInputDialog::getText(
            this, QStringLiteral("提前结转"), qs(early + "\n\n如确要提前结转，请输入月份 " + month + "："),
            QLineEdit::Normal, QString(), &typed);
        if (!typed) return;
        if (answer.trimmed().toStdString() != month) {
            msgBox("输入的月份不是 " + month + "，没有结转。", MsgButtons::OK, MsgIcon::Exclamation, "提示");
            return;
        }
    }
    const std::string question = "确定要结转 " + monthCaption(month) +
                                 " 吗？\r\n结转后，本月在校学生尚未缴纳的应收款将转为欠费，结转不能撤销。";
    if (msgBox(question, MsgButtons::YesNoDefaultNo, MsgIcon::Question, "警告") != MsgAnswer::Yes) return;
    try {
        ConnectionPtr cn = host.pgettrcn();
        const long before = countOf(*cn, "select count(*) from qfhzb");
        const long openBefore = countOf(*cn, "select count(*) from qfhzb where fkrq is null");
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            carryOverMonth(*cn, host, month);
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
        const long written = countOf(*cn, "select count(*) from qfhzb") - before;
        const long open = countOf(*cn, "select count(*) from qfhzb where fkrq is null");
        const std::string next = host.CurrentYf();
        msgBox("月末结转完成。\r\n结转月份：" + monthCaption(month) + "\r\n新增欠费记录：" + std::to_string(written) +
                   " 条\r\n未结清欠费记录：" + std::to_string(openBefore) + " → " + std::to_string(open) +
                   " 条\r\n当前月份：" + (next.empty() ? std::string("无") : monthCaption(next)),
               MsgButtons::OK, MsgIcon::Information, "提示");
    } catch (const std::exception& e) {
        msgBox("月末结转失败！\r\n" + clerkText(e), MsgButtons::OK, MsgIcon::Critical, "警告！");
    }
    refreshState();
}

void MainWindow::editSettings() {
    if (!session_->isAdministrator()) {
        msgBox("只有管理员可以修改系统设置。", MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    std::map<std::string, std::string> stored;
    for (const auto& [key, caption] : HostSettingsDialog::checkSettings()) stored[key] = session_->setting(key);
    for (const char* text : {"txtColorContent", "txtSchoolName"}) stored[text] = session_->setting(text);
    HostSettingsDialog dialog(stored, this);
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        for (const auto& [key, value] : dialog.values())
            if (value != stored[key]) session_->host().setSetting(key, value);
        session_->reloadSettings();
        statusBar()->showMessage(QStringLiteral("系统设置已保存"), 5000);
    } catch (const std::exception& e) {
        msgBox("保存设置失败！\r\n" + clerkText(e), MsgButtons::OK, MsgIcon::Critical, "警告！");
    }
}

void MainWindow::chooseOperator() {
    const std::string path = session_->databasePath();
    if (const auto user = signInTo(path, "切换操作员")) openDatabase(path, *user);
}

void MainWindow::showAbout() {
    ReferenceHost& host = session_->host();
    msgBox("收费管理 feeoffice " FEEOFFICE_VERSION "\r\n\r\n数据库：" + shownWithoutPassword(session_->databasePath()) +
               "\r\n" + (session_->dialect() == 1 ? "SQL Server" : "Access") + " 兼容模式\r\n操作员：" +
               host.gusername() + (session_->isAdministrator() ? "（管理员）" : "") +
               "\r\n\r\n使用说明见程序的 docs/desktop.md；命令行各命令见 feeoffice --help。",
           MsgButtons::OK, MsgIcon::Information, "关于收费管理");
}

void MainWindow::changePassword() {
    try {
        auto window = formInstance<frmSignIn>();
        window->prepareChange(session_->host().gLinkString(), session_->databasePath(), session_->operatorId());
        window->showModal();
        if (window->signedIn()) msgBox("密码已修改。", MsgButtons::OK, MsgIcon::Information, "提示");
    } catch (const std::exception& e) {
        msgBox("不能修改密码：" + clerkText(e), MsgButtons::OK, MsgIcon::Critical, "警告！");
    }
}

}  // namespace fo::app
