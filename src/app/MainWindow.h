#pragma once
#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;

namespace fo::app {

class OfficeSession;

// The main window of the fee office: the module's entry operations and the
// batch wizard in a menu and a toolbar, and the host's own duties: opening
// or creating a database, the month-end carry-over, the host settings and
// the operators. The status bar shows the database, the dialect (as the
// database it is compatible with), the operator and the open month
// ("2026年12月"). Entry operations not registered yet are
// shown disabled ("尚未提供") and come alive once registered. Whoever works
// in it has signed in; opening another database or switching operator asks
// for a sign-in again.
class MainWindow final : public QMainWindow {
public:
    // The main window over an opened fee office.
    explicit MainWindow(std::unique_ptr<OfficeSession> session);
    // The same over `databasePath` for `operatorId`, who has signed in;
    // throws when it cannot be opened.
    MainWindow(const std::string& databasePath, int dialect, int operatorId);
    ~MainWindow() override;

    OfficeSession& session() const { return *session_; }
    // Opens `path` for `operatorId`; reports failures in a message box and
    // keeps the current database then (or, when that cannot be opened again
    // either, asks for another one as at start-up).
    bool openDatabase(const std::string& path, int operatorId);

    // The host's duties, also reached by the tour.
    void carryOver();
    void editSettings();
    void chooseOperator();
    void changePassword();
    // 帮助 → 关于: the version, the database, the dialect and the operator signed in.
    void showAbout();
    void runEntry(const std::string& name);
    void refreshState();

private:
    void buildActions();
    void openDatabaseDialog();
    // The folder of the open database, where the file dialogs start.
    QString currentFolder() const;
    // A fee database on a PostgreSQL server (host, port, database, user).
    void openServerDatabaseDialog();
    void createDatabaseDialog(bool demo);
    // The sign-in window on the database at `path`; who signed in.
    std::optional<int> signInTo(const std::string& path, const std::string& caption);

    std::unique_ptr<OfficeSession> session_;
    int dialect_;
    struct Entry {
        std::string name;  // entry operation or window
        bool window;
        QAction* action;
    };
    std::vector<Entry> entries_;
    QLabel *dbLabel_, *dialectLabel_, *userLabel_, *monthLabel_;
    QAction* operatorsAction_ = nullptr;
    QAction* carryAction_ = nullptr;
    QAction* settingsAction_ = nullptr;
};

// Remembers `path` as the database to open next time, as an absolute path,
// so a start from another folder (a file manager, the desktop menu) finds it;
// a server's without its password.
void rememberDatabase(const std::string& path);
// The database opened last time; "" when none.
std::string lastDatabase();

}  // namespace fo::app
