// feeoffice init DB
//
// Creates an empty fee database, as the desktop's 新建数据库 does: the whole
// schema, and the administrator (operator 1, 系统管理员), who chooses his
// password at his first sign-in, at the desktop or with --password-file on a
// verb that signs in. An existing file or a server database that holds
// tables is never touched.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "data/FeeDatabase.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "host/operators/Operators.h"

namespace fo::app {
namespace {

int runInit(const std::string& database) {
    std::error_code ec;
    if (!isLinkString(database) && std::filesystem::exists(database, ec)) {
        std::cerr << "feeoffice init: " << database << " already exists; init writes a new database only\n";
        return 1;
    }
    try {
        ConnectionPtr cn = createFeeDatabase(linkStringFor(database));
        Operators(*cn).ensureBuiltIns();
        cn->close();
    } catch (const DbError& e) {
        std::cerr << "feeoffice init: " << e.engineText() << " (nothing was written)\n";
        return 1;
    }
    std::cout << "Empty fee database written to " << shownWithoutPassword(database) << "\n"
              << "  administrator: operator " << Operators::BuiltInId << " (" << Operators::BuiltInName
              << "), who sets his password at his first sign-in\n";
    return 0;
}

}  // namespace

Verb addInitVerb(CLI::App& program) {
    auto database = std::make_shared<std::string>();
    CLI::App* verb = program.add_subcommand("init", "create an empty fee database with its administrator");
    verb->add_option("DB", *database,
                     std::string("the new fee database: ") + kDatabaseHelp +
                         "; a server's database is created when missing, and must hold no tables")
        ->required()
        ->check(notBlank());
    verb->footer("exit status: 0 written; 1 DB exists or holds tables (it is never overwritten); 2 a bad command line");
    return {verb, [database] { return runInit(*database); }};
}

}  // namespace fo::app
