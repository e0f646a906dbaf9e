// feeoffice tour --db FILE --out DIR [--dialect 1|0] [--user ID] [--password-file FILE]
//
// Opens every window that exists on the offscreen platform, fills it as a
// clerk would on the demo data and saves a picture of each under DIR, one
// line per picture. Windows of the module add their own steps with
// qt::registerTourStep; the steps here are the main window, the host's
// dialogs and the yes/no box, and every registered entry operation.
// Exit status: 0 every step pictured its window, 1 some did not, 2 usage.
#include <QDialog>
#include <QMessageBox>
#include <filesystem>
#include <iostream>
#include <memory>

#include "app/CommandLine.h"
#include "app/GuiSupport.h"
#include "app/MainWindow.h"
#include "app/SignInOptions.h"
#include "qt/QtUi.h"
#include "qt/Tour.h"
#include "ui/FormRegistry.h"
#include "ui/frmMsg.h"

namespace fo::app {
namespace {

MainWindow& mainOf(qt::TourContext& t) { return *static_cast<MainWindow*>(t.mainWindow); }

// The steps every tour takes; window issues add theirs after these.
void registerBuiltInSteps() {
    qt::registerTourStep("main-window", [](qt::TourContext& t) { t.snap(*t.mainWindow, "main-window"); });
    qt::registerTourStep("host-settings", [](qt::TourContext& t) {
        t.whileModal("host-settings", [&] { mainOf(t).editSettings(); });
    });
    qt::registerTourStep("carry-over-confirmation", [](qt::TourContext& t) {
        // Pictured and answered "否": the demo data stays as it is.
        t.whileModal("carry-over-confirmation", [&] { mainOf(t).carryOver(); });
    });
    qt::registerTourStep("frmMsg", [](qt::TourContext& t) {
        t.whileModal("frmMsg", [] { frmMsg::ask("警告", "确定要作废这张票据吗？"); });
    });
    for (const char* entry : {"ShowPJinfo", "ShowJMJL", "ShowBachJm"}) {
        const std::string name = entry;
        if (!qt::tourSteps().empty() && std::any_of(qt::tourSteps().begin(), qt::tourSteps().end(),
                                                    [&](const auto& s) { return s.first == name; }))
            continue;
        qt::registerTourStep(name, [name](qt::TourContext& t) {
            if (formRegistry().entry(name)) t.whileModal(name, [&] { mainOf(t).runEntry(name); });
        });
    }
}

struct TourOptions {
    std::string database;
    std::string out;
    int dialect = 1;
    SignInOptions signIn;
};

int runTour(const TourOptions& options) {
    const std::string& database = options.database;
    const std::string& out = options.out;
    if (databaseMissing(database)) {
        std::cerr << "feeoffice tour: no fee database at " << database << '\n';
        return NoUsableDatabase;
    }
    const std::optional<int> user = signInHeadless(options.signIn, database, "tour", std::cerr);
    if (!user) return SignInRefused;
    GuiApplication app("feeoffice", true);
    qt::QtUi ui;
    ui.install();
    MainWindow window(database, options.dialect, *user);
    ui.setMainWindow(&window);
    window.show();
    registerBuiltInSteps();
    qt::TourContext tour(out, std::cout);
    tour.mainWindow = &window;
    for (const auto& [name, step] : qt::tourSteps()) {
        try {
            step(tour);
        } catch (const std::exception& e) {
            tour.fail(name + ": " + e.what());
        }
    }
    std::cout << tour.pictures() << " pictures in " << out << '\n';
    return tour.failures() ? 1 : 0;
}

}  // namespace

Verb addTourVerb(CLI::App& program) {
    auto options = std::make_shared<TourOptions>();
    CLI::App* verb = program.add_subcommand(
        "tour", "open every window offscreen, fill it as a clerk would and save a picture of each in DIR");
    addDatabaseOption(*verb, options->database)->required();
    verb->add_option("--out", options->out, "the folder the pictures are written to")->type_name("DIR")->required();
    addDialectOption(*verb, options->dialect);
    addSignInOptions(*verb, options->signIn);
    verb->footer("The tour signs in as the operator (an administrator, to picture the operator window too); his "
                 "password comes from --password-file or FEEOFFICE_PASSWORD.\n"
                 "exit status: 0 every window pictured; 1 some window was not; 2 no database at DB, "
                 "or a bad command line; 3 the sign-in was refused");
    return {verb, [options] { return runTour(*options); }};
}

}  // namespace fo::app
