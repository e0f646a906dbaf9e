// feeoffice sql --db FILE [--dialect 1|0] STATEMENT
//
// Runs one statement on a fee database through the module's data layer and
// prints what it gives: a header line of field names and one line per row,
// tab-separated (values in their text form, null as empty), or
// "N rows affected" for a statement without a result set. It is the
// administrator's tool: no operator signs in, and nothing is audited; on a
// server only the fee schema's owner may use it.
#include <iostream>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "data/FeeDatabase.h"
#include "data/PgServerRoles.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/pg/PgLink.h"

namespace fo::app {
namespace {

struct SqlOptions {
    std::string database;
    // Both dialects run on the embedded engine unchanged; the code is taken
    // so that scripts can say which dialect their statement is written in.
    int dialect = 1;
    std::string statement;
};

void printRows(const Recordset& rs) {
    for (std::size_t i = 0; i < rs.fieldCount(); ++i)
        std::cout << (i ? "\t" : "") << rs.fieldInfo(i).name;
    std::cout << '\n';
    for (std::size_t r = 0; r < rs.totalRows(); ++r) {
        const std::vector<Value> row = rs.row(r);
        for (std::size_t i = 0; i < row.size(); ++i) std::cout << (i ? "\t" : "") << row[i].toText();
        std::cout << '\n';
    }
}

int runSql(const SqlOptions& options) {
    try {
        // Only a fee database is opened (never created, never another file).
        ConnectionPtr cn = openFeeDatabase(linkStringFor(options.database));
        // On a server the operators' roles answer to grants and triggers; a
        // tool that signs in as nobody is for the schema's owner alone.
        if (isPostgresLink(cn->connectionString()) && !isPgSchemaOwner(*cn)) {
            std::cerr << "feeoffice sql: on a server only the fee schema's owner runs statements; connect as the "
                         "login that made the database\n";
            return 1;
        }
        long affected = 0;
        if (RecordsetPtr rs = cn->execute(options.statement, &affected)) {
            printRows(*rs);
        } else {
            std::cout << affected << " rows affected\n";
        }
        cn->close();
    } catch (const DbError& e) {
        if (const int status = refusedDatabase("sql", options.database, e)) return status;
        // The administrator reads the engine's own words after the clerk's.
        std::cerr << "feeoffice: " << e.description() << '\n';
        if (e.engineText() != e.description()) std::cerr << "feeoffice: " << e.engineText() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

Verb addSqlVerb(CLI::App& program) {
    auto options = std::make_shared<SqlOptions>();
    CLI::App* verb = program.add_subcommand(
        "sql", "run one statement; print its rows tab-separated under a header line, or the rows affected");
    addDatabaseOption(*verb, options->database)->required();
    addDialectOption(*verb, options->dialect);
    verb->add_option("STATEMENT", options->statement, "the SQL statement, as one word")
        ->required()
        ->check(notBlank());
    verb->footer("An administrator's tool: it signs in as no operator, keeps no audit log and can change "
                 "anything, as anyone who can write the database file can; on a server only as the fee schema's owner.\n"
                 "exit status: 0 done; 1 the engine refused the statement, or the link is not the schema's owner; "
                 "2 a bad command line, or no fee database at DB");
    return {verb, [options] { return runSql(*options); }};
}

}  // namespace fo::app
