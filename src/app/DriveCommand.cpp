// feeoffice drive --db FILE [--dialect 1|0] [--user ID] [--password-file FILE]
//                 [--settings DIR] [--export-dir DIR] [--set NAME=VALUE]... SCRIPT
//
// Runs the module's windows headlessly on a fee database, as a clerk would
// use them, from a script (SCRIPT "-" reads standard input), signed in as an
// operator. The reference host plays the host application: it hands the
// bill header object its system object, settings and fee period, exactly
// as at start-up.
// Exit status: 0 all ran and held, 1 an expect failed, 2 a script or usage
// error, 3 the sign-in was refused.
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ScriptBinding.h"
#include "app/SignInOptions.h"
#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "batch/frmJmBachList.h"
#include "bills/cLsBILLhead.h"
#include "bills/frmBILLML.h"
#include "fees/frmSF.h"
#include "host/ReferenceHost.h"
#include "host/operators/Operators.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "module/ModuleEntries.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "setup/SetupWindows.h"
#include "reports/frmMonthReport.h"
#include "signin/SignInWindows.h"
#include "students/frmCommFind.h"
#include "students/frmXSsel.h"
#include "ui/CombinedQueryForm.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/headless/ScriptDriver.h"
#include "ui/UiWindows.h"

namespace fo::app {
namespace {

struct DriveOptions {
    std::string database;
    int dialect = 1;
    SignInOptions signIn;
    std::string settingsDir;
    std::string exportDir;
    std::vector<std::string> settings;  // NAME=VALUE
    std::string script;
    bool desktop = false;
};

}  // namespace

// The windows and entry operations a script can open (the GUI and the tour
// open the same). Each layer adds its own here as it arrives.
void registerModuleWindows(FormRegistry& registry, cLsBILLhead& bill) {
    // The module's windows and entry operations, as any host registers them.
    registerModuleEntries(registry, bill);
    // The reference host's own windows.
    registerSignInWindows(registry);
    registerFeeWindows(registry);
    registerSetupWindows(registry);
    registerReportWindows(registry);
}

namespace {

int drive(const DriveOptions& o, int user, std::istream& script) {
    auto host = std::make_shared<ReferenceHost>(o.database, o.dialect, user);
    if (!o.settingsDir.empty()) host->setSettingsStore(std::make_shared<UserSettingsStore>(o.settingsDir));
    host->installInModuleGlobals();
    auto settings = host->loadSettings();
    // Overrides hold for this run only; the stored settings stay as they are.
    for (const std::string& setting : o.settings) {
        const auto eq = setting.find('=');
        settings->set(setting.substr(0, eq), Value(setting.substr(eq + 1)));
    }

    cLsBILLhead bill;
    bill.set_gRun(host);
    bill.set_SetgColSysCS(settings);
    bill.set_objYfAndTerm(host->pFindJzDate());

    ScriptBinding binding(o.desktop);
    HeadlessUi& ui = binding.ui();
    ui.install();
    if (!o.exportDir.empty()) ui.setExportFolder(o.exportDir);
    FormRegistry& registry = formRegistry();
    registerModuleWindows(registry, bill);

    ScriptDriver driver(registry, ui, std::cout, std::cerr);
    driver.setHands(binding.hands());
    // A probe reads and never writes: its session is read-only on every
    // engine, so no statement text gets round it. It reads the whole books,
    // past every category, so it is an administrator's step.
    ConnectionPtr probe;
    driver.setSqlProbe([&](const std::string& sql) {
        if (!probe) {
            const auto op = Operators(*host->pGetCN()).find(user);
            if (!op || !op->admin)
                throw std::runtime_error("only an administrator's script may read the books (operator " +
                                         std::to_string(user) + " is none)");
            probe = std::make_shared<Connection>();
            probe->open(host->gLinkString(), OpenMode::ReadOnly);
        }
        RecordsetPtr rs = probe->execute(sql);
        if (!rs || rs->eof() || rs->fieldCount() == 0) return std::string();
        return rs->field(std::size_t{0}).toText();
    });
    const int status = driver.run(script);
    try {
        FormInstances::releaseAll();
    } catch (...) {
        // The run's status stands; what is left is torn down with the process.
    }
    return status;
}

int runDrive(const DriveOptions& options) {
    try {
        std::ifstream file;
        if (options.script != "-") {
            file.open(options.script);
            if (!file) {
                std::cerr << "feeoffice drive: cannot read " << options.script << '\n';
                return 2;
            }
        }
        const std::optional<int> user = signInHeadless(options.signIn, options.database, "drive", std::cerr);
        if (!user) return SignInRefused;
        std::istream& script = options.script == "-" ? static_cast<std::istream&>(std::cin) : file;
        const int status = drive(options, *user, script);
        signOutHeadless(*user, options.database);
        return status;
    } catch (const std::exception& e) {
        std::cerr << "feeoffice drive: " << e.what() << '\n';
        return 2;
    }
}

}  // namespace

Verb addDriveVerb(CLI::App& program) {
    auto options = std::make_shared<DriveOptions>();
    CLI::App* verb = program.add_subcommand(
        "drive", "run the windows from a script without a display, one line per event (docs/driver.md)");
    addDatabaseOption(*verb, options->database)->required();
    addDialectOption(*verb, options->dialect);
    addSignInOptions(*verb, options->signIn);
    verb->add_option("--settings", options->settingsDir, "keep the remembered column widths and splitters in DIR, not ~/.config/feeoffice")
        ->type_name("DIR");
    verb->add_option("--export-dir", options->exportDir, "where exports and printed receipts go (default: the documents folder)")
        ->type_name("DIR");
    verb->add_option("--set", options->settings, "override a host setting for this run only (--set chkMrcqts=1); repeatable")
        ->type_name("NAME=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(CLI::Validator(
            [](std::string& value) {
                const auto eq = value.find('=');
                return eq != std::string::npos && eq > 0 ? std::string() : value + " is not NAME=VALUE";
            },
            ""));
    verb->add_flag("--desktop", options->desktop,
                   "run the script on the desktop's windows (offscreen): what it acts on must be shown, "
                   "enabled and on screen");
    verb->add_option("SCRIPT", options->script, "the script file; - reads standard input")->required();
    verb->footer("The script runs signed in as the operator, with his rights and student categories; his password "
                 "comes from --password-file or FEEOFFICE_PASSWORD, never from the command line.\n"
                 "exit status: 0 the script ran and every expect held; 1 an expect failed; "
                 "2 a script error or a bad command line; 3 the sign-in was refused");
    return {verb, [options] { return runDrive(*options); }};
}

}  // namespace fo::app
