// feeoffice sql --db FILE [--dialect 1|0] STATEMENT
//
// Runs one statement on a fee database through the module's data layer and
// prints what it gives: a header line of field names and one line per row,
// tab-separated (values in their text form, null as empty), or
// "N rows affected" for a statement without a result set.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/Commands.h"
#include "db/Connection.h"
#include "db/DbError.h"

namespace fo::app {
namespace {

struct SqlOptions {
    std::string database;
    // Both dialects run on the embedded engine unchanged; the code is taken
    // so that scripts can say which dialect their statement is written in.
    int dialect = 1;
    std::string statement;
};

int usage() {
    std::cerr << "usage: feeoffice sql --db FILE [--dialect 1|0] STATEMENT\n";
    return 2;
}

std::optional<SqlOptions> parse(const Args& args) {
    SqlOptions options;
    bool haveStatement = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--db" || word == "--dialect") {
            if (i + 1 >= args.size()) return std::nullopt;
            const std::string& value = args[++i];
            if (word == "--db") {
                options.database = value;
            } else if (value == "1" || value == "0") {
                options.dialect = value == "1" ? 1 : 0;
            } else {
                return std::nullopt;
            }
        } else if (!haveStatement && !(word.size() > 1 && word.rfind("--", 0) == 0)) {
            options.statement = word;
            haveStatement = true;
        } else {
            return std::nullopt;
        }
    }
    if (options.database.empty() || !haveStatement || options.statement.empty()) return std::nullopt;
    return options;
}

void printRows(const Recordset& rs) {
    for (std::size_t i = 0; i < rs.fieldCount(); ++i)
        std::cout << (i ? "\t" : "") << rs.fieldInfo(i).name;
    std::cout << '\n';
    for (const auto& row : rs.rows()) {
        for (std::size_t i = 0; i < row.size(); ++i) std::cout << (i ? "\t" : "") << row[i].toText();
        std::cout << '\n';
    }
}

}  // namespace

int runSql(const Args& args) {
    const auto options = parse(args);
    if (!options) return usage();

    // Opening a missing file would create an empty database; refuse instead.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(options->database, ec)) {
        std::cerr << "feeoffice: no such database file: " << options->database << '\n';
        return 1;
    }
    try {
        Connection cn;
        cn.open(sqliteConnectionString(options->database));
        long affected = 0;
        if (RecordsetPtr rs = cn.execute(options->statement, &affected)) {
            printRows(*rs);
        } else {
            std::cout << affected << " rows affected\n";
        }
        cn.close();
    } catch (const DbError& e) {
        std::cerr << "feeoffice: " << e.description() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace fo::app
