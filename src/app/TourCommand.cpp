// feeoffice tour --db FILE --out DIR [--dialect 1|0]
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

#include "app/Commands.h"
#include "app/GuiSupport.h"
#include "app/MainWindow.h"
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

}  // namespace

int runTour(const Args& args) {
    std::string database, out;
    int dialect = 1;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--db") database = args[i + 1];
        else if (args[i] == "--out") out = args[i + 1];
        else if (args[i] == "--dialect" && (args[i + 1] == "1" || args[i + 1] == "0")) dialect = args[i + 1] == "1";
        else database.clear(), out.clear(), i = args.size();
    }
    if (database.empty() || out.empty() || args.size() % 2) {
        std::cerr << "usage: feeoffice tour --db FILE --out DIR [--dialect 1|0]\n";
        return 2;
    }
    if (!std::filesystem::exists(database)) {
        std::cerr << "feeoffice tour: no database at " << database << '\n';
        return 2;
    }
    GuiApplication app("feeoffice", true);
    qt::QtUi ui;
    ui.install();
    MainWindow window(database, dialect);
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

}  // namespace fo::app
