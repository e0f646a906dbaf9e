// feeoffice check --db FILE
//
// Checks the books of a fee database: prints every fault found, one line
// each (what is wrong in Chinese, naming the rows, then its code in
// brackets), and exits 1; or prints "ok" and exits 0. Exit 2 for bad
// arguments or a file that is not a fee database. Nothing is written to the
// fee database.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "app/CommandLine.h"
#include "data/BooksCheck.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "host/CounterService.h"

namespace fo::app {
namespace {

// Whether the file starts as an SQLite database does, so that a file of any
// other kind is refused before the engine opens (and changes) it.
bool looksLikeDatabaseFile(const std::string& path) {
    char head[16] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(head, sizeof head) && std::memcmp(head, "SQLite format 3", 16) == 0;
}

int runCheck(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        std::cerr << "feeoffice: no such database file: " << path << '\n';
        return 2;
    }
    if (!looksLikeDatabaseFile(path)) {
        std::cerr << "feeoffice: " << path << " is not a fee database\n";
        return 2;
    }
    std::vector<BooksFault> faults;
    try {
        ConnectionPtr cn = openConnection(sqliteConnectionString(path));
        // The tables the books live in; without them this is no fee database.
        cn->execute("select count(*) from kdw_sfjl,kdw_sfjlmx,qfhzb,qfmxb,PJML,INandOutML where 1=0");
        CounterService counters(path);
        BooksCheckOptions options;
        options.counters = [&counters] { return counters.readings(); };
        faults = checkBooks(*cn, options);
        cn->close();
    } catch (const DbError& e) {
        std::cerr << "feeoffice: " << path << " is not a fee database, or cannot be read: " << e.description() << '\n';
        return 2;
    }
    if (faults.empty()) {
        std::cout << "ok\n";
        return 0;
    }
    for (const BooksFault& f : faults) std::cout << f.text << " [" << f.code << "]\n";
    return 1;
}

}  // namespace

Verb addCheckVerb(CLI::App& program) {
    auto database = std::make_shared<std::string>();
    CLI::App* verb = program.add_subcommand(
        "check", "check the books: print every fault, one line each, or ok");
    addDatabaseOption(*verb, *database)->required();
    verb->footer("exit status: 0 the books are sound (ok); 1 faults were found; "
                 "2 a bad command line, or a file that is not a fee database");
    return {verb, [database] { return runCheck(*database); }};
}

}  // namespace fo::app
