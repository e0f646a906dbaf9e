// feeoffice [--db FILE] [FILE] [--dialect 1|0]
//
// The fee office on the desktop: the main window over a fee database.
// Without a database named it opens the database of last time, or on the first run
// creates the demo fee office in the user's data folder and says so; a
// database that cannot be opened is named in a dialog (DesktopStart.h).
#include <filesystem>

#include "app/CommandLine.h"
#include "app/DesktopStart.h"
#include "db/Connection.h"

namespace fo::app {

namespace {

// FILE is taken as a database when it is a file or looks like one (a path or
// a name with an extension); any other word is a mistyped verb.
CLI::Validator databaseOrVerb(const CLI::App& program) {
    return CLI::Validator(
        [&program](std::string& word) {
            std::error_code ec;
            if (std::filesystem::exists(word, ec) || isLinkString(word) || word.find_first_of("./") != std::string::npos)
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
    program.add_option("FILE", options.database, "the fee database to open, as a file manager passes it (or as --db)")
        ->excludes(named)
        ->check(databaseOrVerb(program));
    addDialectOption(program, options.dialect);
}

int runGui(const GuiOptions& options) { return runDesktop(options.database, options.dialect); }

}  // namespace fo::app
