#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include <iostream>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "db/values/DateTime.h"

namespace fo::app {
namespace {

// "feeoffice sql": the words that call a command.
std::string callName(const CLI::App& command) {
    const CLI::App* parent = command.get_parent();
    return parent ? callName(*parent) + " " + command.get_name() : command.get_name();
}

// One command's synopsis from its options, in the order they were declared:
// "feeoffice sql --db FILE [--dialect 1|0] STATEMENT".
std::string synopsis(const CLI::App& command) {
    std::string text = callName(command);
    for (const CLI::Option* option : command.get_options()) {
        if (option == command.get_help_ptr() || option == command.get_version_ptr()) continue;
        std::string word = option->get_name();
        if (!option->get_positional() && option->get_type_size_max() > 0) word += " " + option->get_type_name();
        if (!option->get_required()) word = "[" + word + "]";
        if (option->get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll) word += "...";
        text += " " + word;
    }
    return text;
}

// Help that starts with the synopsis and lists the verbs by theirs.
class SynopsisFormatter : public CLI::Formatter {
public:
    SynopsisFormatter() {
        label("Positionals", "Arguments");
    }
    std::string make_usage(const CLI::App* command, std::string) const override {
        return "usage: " + synopsis(*command) + "\n";
    }
    std::string make_subcommand(const CLI::App* verb) const override {
        return "  " + synopsis(*verb) + "\n      " + verb->get_description() + "\n";
    }
    // An option's value name only; the synopsis says what is required.
    std::string make_option_opts(const CLI::Option* option) const override {
        return !option->get_positional() && option->get_type_size_max() > 0 ? " " + option->get_type_name() : "";
    }
};

}  // namespace

CommandLine::CommandLine()
    : program_("The fee office of a kindergarten or school (收费管理): without a verb, the desktop program.",
               "feeoffice") {
    program_.formatter(std::make_shared<SynopsisFormatter>());
    program_.set_help_flag("-h,--help", "print this help and exit");
    program_.set_version_flag("--version", "feeoffice " FEEOFFICE_VERSION, "print the version and exit");
    program_.require_subcommand(0, 1);
    addGuiOptions(program_, gui_);
    // The verbs, in the order the help lists them.
    verbs_ = {addTourVerb(program_), addInitVerb(program_), addInitDemoVerb(program_), addSqlVerb(program_), addDriveVerb(program_),
              addCheckVerb(program_), addLogVerb(program_), addReportVerb(program_), addCopyVerb(program_), addMonthEndVerb(program_),
              addImportStudentsVerb(program_)};
    program_.footer("feeoffice VERB --help explains a verb's options and exit status.");
    for (const Verb& verb : verbs_) {
        verb.command->group("Verbs");
        // The desktop program's options make no sense before a verb.
        for (CLI::Option* option : program_.get_options([](CLI::Option*) { return true; }))
            if (option != program_.get_help_ptr() && option != program_.get_version_ptr())
                verb.command->excludes(option);
    }
}

std::optional<int> CommandLine::parse(std::vector<std::string> words, std::ostream& out, std::ostream& err) {
    std::reverse(words.begin(), words.end());  // CLI11 takes them last first
    try {
        program_.parse(words);
        return std::nullopt;
    } catch (const CLI::CallForHelp&) {
        out << program_.help();
        return 0;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return 0;
    } catch (const CLI::ParseError& e) {
        const auto chosen = program_.get_subcommands();
        const CLI::App& command = chosen.empty() ? program_ : *chosen.front();
        err << callName(command) << ": " << e.what() << '\n'
            << "usage: " << synopsis(command) << '\n'
            << "(" << callName(command) << " --help explains every option)\n";
        return 2;
    }
}

int CommandLine::run() const {
    for (const Verb& verb : verbs_)
        if (verb.command->parsed()) return verb.run();
    return runGui(gui_);
}

std::string CommandLine::verbName() const {
    for (const Verb& verb : verbs_)
        if (verb.command->parsed()) return verb.command->get_name();
    return {};
}

CLI::Option* addDatabaseOption(CLI::App& verb, std::string& database) {
    return verb.add_option("--db", database, std::string("the fee database: ") + kDatabaseHelp)
        ->type_name("DB")
        ->check(notBlank());
}

bool databaseMissing(const std::string& database) {
    std::error_code ec;
    return !isLinkString(database) && !std::filesystem::is_regular_file(database, ec);
}

int refusedDatabase(const std::string& verb, const std::string& database, const std::exception& e) {
    const auto* db = dynamic_cast<const DbError*>(&e);
    const std::string shown = shownWithoutPassword(database);
    std::string why;
    if (databaseMissing(database) || (db && db->kind() == DbErrorKind::Missing)) why = "no fee database at " + shown;
    else if (db && db->kind() == DbErrorKind::NotFeeDatabase) why = shown + " is not a fee database; it was left as it is";
    else if (db && db->kind() == DbErrorKind::NewerSchema)
        why = shown + " was written by a newer feeoffice; it was left as it is";
    else return 0;
    std::cerr << "feeoffice " << verb << ": " << why << '\n';
    return NoUsableDatabase;
}

CLI::Option* addDialectOption(CLI::App& verb, int& dialect) {
    return verb
        .add_option("--dialect", dialect,
                    "the SQL dialect of the statements: 1 SQL Server (default), 0 Access")
        ->type_name("1|0")
        ->check(CLI::Validator(
            [](std::string& value) {
                return value == "1" || value == "0" ? std::string()
                                                    : value + " is not a dialect (1 SQL Server, 0 Access)";
            },
            ""));
}

CLI::Validator wholeNumber(long min, long max) {
    return CLI::Validator(
        [min, max](std::string& value) {
            const bool digits = !value.empty() && value.size() <= 9 &&
                                std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); });
            if (digits && std::stol(value) >= min && std::stol(value) <= max) return std::string();
            return value + " is not a whole number from " + std::to_string(min) + " to " + std::to_string(max);
        },
        "");
}

CLI::Validator notBlank() {
    return CLI::Validator(
        [](std::string& value) {
            return value.find_first_not_of(" \t\r\n") == std::string::npos ? std::string("nothing given")
                                                                            : std::string();
        },
        "");
}

CLI::Validator calendarDate() {
    return CLI::Validator(
        [](std::string& value) {
            const auto day = DateTime::parse(value);
            if (day && value.size() == 10 && day->dateText() == value) return std::string();
            return value + " is not a date (yyyy-mm-dd)";
        },
        "");
}

}  // namespace fo::app
