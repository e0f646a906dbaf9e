// feeoffice check --db FILE
//
// Checks the books of a fee database: prints every fault found, one line
// each (what is wrong in Chinese, naming the rows, then its code in
// brackets), and exits 1; or prints "ok" and exits 0. Exit 2 for bad
// arguments or a file that is not a fee database, which is refused as it
// is. The check itself only reads.
#include <iostream>
#include <string>

#include "app/CommandLine.h"
#include "data/checks/BooksCheck.h"
#include "data/FeeDatabase.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "host/counters/CounterService.h"

namespace fo::app {
namespace {

int runCheck(const std::string& path) {
    std::vector<BooksFault> faults;
    try {
        // Opening reads the stamp before anything writes: a file that is
        // not a fee database is refused as it is.
        ConnectionPtr cn = openFeeDatabase(linkStringFor(path));
        CounterService counters(path);
        BooksCheckOptions options;
        options.counters = [&counters] { return counters.readings(); };
        options.auditTrail = true;
        faults = checkBooks(*cn, options);
        cn->close();
    } catch (const DbError& e) {
        if (const int status = refusedDatabase("check", path, e)) return status;
        // The administrator reads the engine's own words after the clerk's.
        std::cerr << "feeoffice: " << e.description() << '\n';
        if (e.engineText() != e.description()) std::cerr << "feeoffice: " << e.engineText() << '\n';
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
