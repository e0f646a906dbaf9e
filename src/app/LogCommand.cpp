// feeoffice log --db FILE [--from yyyy-mm-dd] [--to yyyy-mm-dd]
//
// Prints the office's audit log kept in the fee database: every posting,
// void, cancellation, carry-over, failed posting, sign-in and change to the
// operators, oldest first, one tab-separated line each under a header line.
#include <iostream>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "data/FeeDatabase.h"
#include "db/DbError.h"
#include "host/operators/AuditLog.h"

namespace fo::app {
namespace {

struct LogOptions {
    std::string database;
    std::string from, to;
};

int runLog(const LogOptions& options) {
    try {
        // Only a fee database is opened (never created, never another file).
        ConnectionPtr cn = openFeeDatabase(linkStringFor(options.database));
        std::cout << "time\toperator\tworkstation\toperation\tdocument\tamount\toutcome\n";
        for (const AuditRecord& r : readAuditLog(*cn, options.from, options.to))
            std::cout << r.time << '\t' << r.userId << ' ' << r.userName << '\t' << r.workstation << '\t'
                      << r.operation << '\t' << r.document << '\t' << (r.amount ? r.amount->format00() : "") << '\t'
                      << r.outcome << '\n';
        return 0;
    } catch (const DbError& e) {
        if (const int status = refusedDatabase("log", options.database, e)) return status;
        std::cerr << "feeoffice log: " << e.description() << '\n';
        if (e.engineText() != e.description()) std::cerr << "feeoffice log: " << e.engineText() << '\n';
        return 1;
    }
}

}  // namespace

Verb addLogVerb(CLI::App& program) {
    auto options = std::make_shared<LogOptions>();
    CLI::App* verb = program.add_subcommand(
        "log", "print the audit log of a fee database: postings, failed postings, sign-ins, oldest first");
    addDatabaseOption(*verb, options->database)->required();
    verb->add_option("--from", options->from, "the first day to print (default: from the beginning)")
        ->type_name("yyyy-mm-dd")
        ->check(calendarDate());
    verb->add_option("--to", options->to, "the last day to print (default: up to now)")
        ->type_name("yyyy-mm-dd")
        ->check(calendarDate());
    verb->footer("An administrator's tool, like sql: it reads the database file without signing in.\n"
                 "exit status: 0 printed; 1 it cannot be read; 2 a bad command line, or no fee database at DB");
    return {verb, [options] { return runLog(*options); }};
}

}  // namespace fo::app
