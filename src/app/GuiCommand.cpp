// feeoffice [--db FILE] [--dialect 1|0]
//
// The fee office on the desktop: the main window over a fee database.
// Without --db it opens the database of last time, or on the first run
// creates the demo fee office in the user's data folder and says so.
#include <QApplication>
#include <filesystem>
#include <iostream>

#include "app/Commands.h"
#include "app/GuiSupport.h"
#include "app/MainWindow.h"
#include "app/OfficeSession.h"
#include "host/DemoSchool.h"
#include "host/api/MessageService.h"
#include "qt/QtUi.h"

namespace fo::app {

int runGui(const Args& args) {
    std::string database;
    int dialect = 1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i + 1 < args.size() && args[i] == "--db") database = args[++i];
        else if (i + 1 < args.size() && args[i] == "--dialect" && (args[i + 1] == "1" || args[i + 1] == "0"))
            dialect = args[++i] == "1" ? 1 : 0;
        else {
            std::cerr << "usage: feeoffice [--db FILE] [--dialect 1|0]\n";
            return 2;
        }
    }
    std::string firstRun;
    if (database.empty()) {
        database = lastDatabase();
        if (database.empty() || !std::filesystem::exists(database)) {
            database = demoDatabasePath();
            if (!std::filesystem::exists(database)) {
                std::filesystem::create_directories(std::filesystem::path(database).parent_path());
                writeDemoSchool(database);
                firstRun = "首次运行：已在 " + database + " 创建演示数据库。";
                std::cout << "First run: created the demo fee office in " << database << '\n';
            }
        }
    }
    if (!std::filesystem::exists(database)) {
        std::cerr << "feeoffice: no database at " << database << '\n';
        return 1;
    }
    GuiApplication app("feeoffice");
    qt::QtUi ui;
    ui.install();
    MainWindow window(database, dialect);
    ui.setMainWindow(&window);
    window.show();
    if (!firstRun.empty()) msgBox(firstRun, MsgButtons::OK, MsgIcon::Information, "提示");
    return app.exec();
}

}  // namespace fo::app
