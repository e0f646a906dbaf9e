// feeoffice init-demo FILE [--students N] [--seed S] [--today yyyy-mm-dd]
//
// Writes the demo fee office to a new database file and prints what it holds.
// An existing file is never touched (exit 1).
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "db/Connection.h"
#include "db/pg/PgLink.h"
#include "host/demo/DemoSchool.h"

namespace fo::app {
namespace {

struct InitDemoOptions {
    std::string file;
    DemoOptions demo;
};

int runInitDemo(const InitDemoOptions& options) {
    std::error_code ec;
    if (!isLinkString(options.file) && std::filesystem::exists(options.file, ec)) {
        std::cerr << "feeoffice: " << options.file << " already exists; init-demo writes a new file only\n";
        return 1;
    }
    // Said as a command line says it: the desktop's advice about its open
    // dialog, or the name of the half-written file, would only mislead here.
    if (!isLinkString(options.file)) {
        const std::filesystem::path folder = std::filesystem::absolute(options.file, ec).parent_path();
        if (!std::filesystem::is_directory(folder, ec)) {
            std::cerr << "feeoffice init-demo: the folder " << folder.string() << " does not exist (nothing was written)\n";
            return 1;
        }
    }
    const DemoSummary s = writeDemoSchool(options.file, options.demo);
    std::cout << "Demo fee office written to " << shownWithoutPassword(options.file) << "\n"
              << "  students:              " << s.students << "\n"
              << "  months carried over:   " << s.monthsCarriedOver << "\n"
              << "  open month:            " << s.openMonth << "\n"
              << "  arrears rows:          " << s.arrearsRows << " (" << s.openArrearsRows << " open)\n"
              << "  receipts:              " << s.receipts << "\n"
              << "  fee records:           " << s.feeRecords << "\n";
    return 0;
}

}  // namespace

Verb addInitDemoVerb(CLI::App& program) {
    auto options = std::make_shared<InitDemoOptions>();
    CLI::App* verb = program.add_subcommand(
        "init-demo", "write a deterministic demo school to a new fee database");
    verb->add_option("DB", options->file,
                     std::string("the new fee database: ") + kDatabaseHelp +
                         "; a server's database is created when missing, and must hold no tables")
        ->required();
    verb->add_option("--students", options->demo.students, "how many students (default 120)")
        ->type_name("N")
        ->check(wholeNumber(1, 100000));
    verb->add_option("--seed", options->demo.seed, "the seed of the generated school; one seed, one school (default 1)")
        ->type_name("S")
        ->check(wholeNumber(0, 999999999));
    verb->add_option("--today", options->demo.today,
                     "the day the school is dated around; its month is the open month (default today)")
        ->type_name("yyyy-mm-dd")
        ->check(calendarDate());
    verb->footer("exit status: 0 written; 1 DB exists or holds tables (it is never overwritten), or its folder does not exist; 2 a bad command line");
    return {verb, [options] { return runInitDemo(*options); }};
}

}  // namespace fo::app
