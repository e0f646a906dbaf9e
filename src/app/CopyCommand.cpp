// feeoffice copy --from DB --to DB
//
// Copies a whole fee database to a new one, between the embedded file and a
// PostgreSQL server either way: the schema and every row in one transaction
// on the target, then the counters. It prints each table with its rows at
// both ends, then checks the copy's books, and exits 0 only when every
// count matches and the check finds no fault.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "host/database/FeeDatabaseCopy.h"

namespace fo::app {
namespace {

struct CopyOptions {
    std::string from;
    std::string to;
};

int runCopy(const CopyOptions& options) {
    if (databaseMissing(options.from)) {
        std::cerr << "feeoffice copy: no fee database at " << options.from << '\n';
        return NoUsableDatabase;
    }
    // A large school takes a while: on a terminal, each table is shown as it
    // is copied, on one line that the next table (or the outcome) overwrites.
    const bool onTerminal = isatty(STDERR_FILENO) != 0;
    const auto clearLine = [onTerminal] {
        if (onTerminal) std::cerr << "\r\033[K" << std::flush;
    };
    CopyReport report;
    try {
        report = copyFeeDatabase(options.from, options.to, [onTerminal](const std::string& table, std::int64_t rows) {
            if (onTerminal) std::cerr << "\r\033[Kcopying " << table << " (" << rows << " rows)" << std::flush;
        });
        clearLine();
    } catch (const DbError& e) {
        clearLine();
        std::cerr << "feeoffice copy: " << e.description() << " (nothing was copied)\n";
        if (e.engineText() != e.description()) std::cerr << "feeoffice copy: " << e.engineText() << '\n';
        return 1;
    } catch (const std::runtime_error& e) {
        clearLine();
        std::cerr << "feeoffice copy: " << e.what() << " (nothing was copied)\n";
        return 1;
    }
    std::cout << "copied " << shownWithoutPassword(options.from) << " to " << shownWithoutPassword(options.to)
              << "\n";
    for (const CopiedTable& t : report.tables)
        std::cout << "  " << t.name << ": " << t.targetRows << " rows"
                  << (t.sourceRows == t.targetRows ? "" : " (the source has " + std::to_string(t.sourceRows) + ")")
                  << '\n';
    std::cout << "  counters: " << report.counters << '\n';
    // The administrator learns what was written otherwise than it stood.
    for (const EmptyDates& e : report.emptyDates)
        std::cout << "  " << e.table << "." << e.column << "：" << e.rows
                  << " 行的日期是空文本，在服务器上存为 -infinity：同空文本一样不是 null、早于任何日期，读出来仍是空文本\n";
    if (!report.rowsMatch()) {
        std::cerr << "feeoffice copy: the row counts differ\n";
        return 1;
    }
    std::cout << "row counts match\n";
    for (const BooksFault& f : report.faults) std::cout << f.text << " [" << f.code << "]\n";
    if (!report.faults.empty()) {
        std::cerr << "feeoffice copy: the copy's books have faults\n";
        return 1;
    }
    std::cout << "books check: ok\n";
    return 0;
}

}  // namespace

Verb addCopyVerb(CLI::App& program) {
    auto options = std::make_shared<CopyOptions>();
    CLI::App* verb = program.add_subcommand(
        "copy", "copy a whole fee database into a new one, e.g. from the embedded file to a PostgreSQL server");
    verb->add_option("--from", options->from, std::string("the fee database to copy: ") + kDatabaseHelp)
        ->type_name("DB")
        ->required()
        ->check(notBlank());
    verb->add_option("--to", options->to,
                     "the new fee database, as --from; a file must not exist, a server's database is created "
                     "when missing and must hold no tables")
        ->type_name("DB")
        ->required()
        ->check(notBlank());
    verb->footer("exit status: 0 copied and every row count matches; 1 refused, failed (the target is left as it "
                 "was) or a count differs; 2 a bad command line, or no fee database to copy from");
    return {verb, [options] { return runCopy(*options); }};
}

}  // namespace fo::app
