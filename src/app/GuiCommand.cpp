// feeoffice [--db FILE] [FILE] [--dialect 1|0]
//
// The fee office on the desktop: the main window over a fee database.
// Without a database named it opens the database of last time, or on the first run
// creates the demo fee office in the user's data folder and says so.
#include <QApplication>
#include <filesystem>
#include <iostream>

#include "app/CommandLine.h"
#include "app/GuiSupport.h"
#include "app/MainWindow.h"
#include "app/OfficeSession.h"
#include "host/DemoSchool.h"
#include "host/api/MessageService.h"
#include "qt/QtUi.h"

namespace fo::app {

namespace {

// FILE is taken as a database when it is a file or looks like one (a path or
// a name with an extension); any other word is a mistyped verb.
CLI::Validator databaseOrVerb(const CLI::App& program) {
    return CLI::Validator(
        [&program](std::string& word) {
            std::error_code ec;
            if (std::filesystem::exists(word, ec) || word.find_first_of("./") != std::string::npos)
                return std::string();
            std::string verbs;
            for (const CLI::App* verb : program.get_subcommands({}))
                verbs += (verbs.empty() ? "" : ", ") + verb->get_name();
            return word + " is neither a verb (" + verbs + ") nor a database file";
        },
        "");
}

}  // namespace

void addGuiOptions(CLI::App& program, GuiOptions& options) {
    CLI::Option* named = addDatabaseOption(program, options.database)
                             ->description("the fee database to open (default: the one of last time)");
    program.add_option("FILE", options.database, "the fee database to open, as a file manager passes it")
        ->excludes(named)
        ->check(databaseOrVerb(program));
    addDialectOption(program, options.dialect);
}

int runGui(const GuiOptions& options) {
    std::string database = options.database;
    const int dialect = options.dialect;
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
