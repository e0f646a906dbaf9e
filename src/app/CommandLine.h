#pragma once
#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/Commands.h"

namespace fo::app {

// The command line of feeoffice: the desktop program's own options and every
// verb, each explained by --help, and --version. A bad value is refused
// where it is parsed, so the message names its option and says why.
class CommandLine {
public:
    CommandLine();

    // Parses the words after the program's name. When they ask for the help
    // or the version, or are wrong, prints that (the help and the version on
    // `out`, what is wrong and the verb's usage on `err`) and returns the
    // exit status: 0, 0, 2. Returns nothing when the line names something to run.
    std::optional<int> parse(std::vector<std::string> words, std::ostream& out, std::ostream& err);

    // Runs what the parsed line names: its verb, or the desktop program.
    int run() const;

    // The verb the line named; empty for the desktop program.
    std::string verbName() const;
    // What the desktop program opens when no verb is named.
    const GuiOptions& guiOptions() const { return gui_; }

private:
    CLI::App program_;
    GuiOptions gui_;
    std::vector<Verb> verbs_;
};

// Options several verbs share, described once.
// --db DB: the fee database, a file or a server's database.
CLI::Option* addDatabaseOption(CLI::App& verb, std::string& database);
// What --db and the database arguments accept, for the help.
inline constexpr const char* kDatabaseHelp =
    "a database file, or a PostgreSQL database as a postgresql://USER@HOST:PORT/NAME URI or a "
    "Provider=PostgreSQL;Host=…;Port=…;Database=…;User ID=… connection string (the password comes from "
    "~/.pgpass or PGPASSWORD)";
// True when `database` is the path of a file that is not there. A server's
// database is never missing here: opening it says whether it is there.
bool databaseMissing(const std::string& database);
// Every verb exits with this when the database it names cannot be used: not
// there, not a fee database, or one of a newer program.
inline constexpr int NoUsableDatabase = 2;
// When `e` says the database cannot be used, says so on standard error in the
// command line's words ("feeoffice VERB: …", English) and returns
// NoUsableDatabase; otherwise returns 0 and says nothing.
int refusedDatabase(const std::string& verb, const std::string& database, const std::exception& e);
// --dialect 1|0: the SQL dialect, 1 SQL Server (the default) or 0 Access.
CLI::Option* addDialectOption(CLI::App& verb, int& dialect);

// Checks for option values; what they refuse is said with the option's name.
CLI::Validator wholeNumber(long min, long max);  // digits only, min..max
CLI::Validator calendarDate();                   // yyyy-mm-dd, a day that exists
CLI::Validator notBlank();                       // some text besides blanks

}  // namespace fo::app
