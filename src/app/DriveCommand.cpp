// feeoffice drive --db FILE [--dialect 1|0] [--user ID] [--settings DIR]
//                 [--export-dir DIR] [--set NAME=VALUE]... SCRIPT
//
// Runs the module's windows headlessly on a fee database, as a clerk would
// use them, from a script (SCRIPT "-" reads standard input). The reference
// host plays the host application: it hands the bill header object its
// system object, settings and fee period, exactly as at start-up.
// Exit status: 0 all ran and held, 1 an expect failed, 2 a script or usage error.
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "batch/frmJmBachList.h"
#include "bills/cLsBILLhead.h"
#include "bills/frmBILLML.h"
#include "host/ReferenceHost.h"
#include "host/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "students/frmCommFind.h"
#include "students/frmXSsel.h"
#include "ui/CombinedQueryForm.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"
#include "ui/HeadlessUi.h"
#include "ui/ScriptDriver.h"
#include "ui/UiWindows.h"

namespace fo::app {
namespace {

struct DriveOptions {
    std::string database;
    int dialect = 1;
    std::optional<int> user;
    std::string settingsDir;
    std::string exportDir;
    std::vector<std::pair<std::string, std::string>> settings;
    std::string script;
};

int usage() {
    std::cerr << "usage: feeoffice drive --db FILE [--dialect 1|0] [--user ID] [--settings DIR]\n"
                 "                       [--export-dir DIR] [--set NAME=VALUE]... SCRIPT\n";
    return 2;
}

std::optional<DriveOptions> parse(const Args& args) {
    DriveOptions o;
    bool haveScript = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool option = word.size() > 1 && word.rfind("--", 0) == 0;
        if (!option) {
            if (haveScript) return std::nullopt;
            o.script = word;
            haveScript = true;
            continue;
        }
        if (i + 1 >= args.size()) return std::nullopt;
        const std::string& value = args[++i];
        if (word == "--db") o.database = value;
        else if (word == "--dialect") {
            if (value != "1" && value != "0") return std::nullopt;
            o.dialect = value == "1" ? 1 : 0;
        } else if (word == "--user") {
            try {
                std::size_t used = 0;
                o.user = std::stoi(value, &used);
                if (used != value.size()) return std::nullopt;
            } catch (const std::exception&) {
                return std::nullopt;
            }
        } else if (word == "--settings") o.settingsDir = value;
        else if (word == "--export-dir") o.exportDir = value;
        else if (word == "--set") {
            const auto eq = value.find('=');
            if (eq == std::string::npos || eq == 0) return std::nullopt;
            o.settings.emplace_back(value.substr(0, eq), value.substr(eq + 1));
        } else return std::nullopt;
    }
    if (o.database.empty() || !haveScript) return std::nullopt;
    return o;
}

}  // namespace

// The windows and entry operations a script can open (the GUI and the tour
// open the same). Each layer adds its own here as it arrives.
void registerModuleWindows(FormRegistry& registry, cLsBILLhead& bill) {
    registerUiWindows(registry);
    registry.addWindow<frmjmjlNew>("frmjmjlNew");
    registry.addWindow<frmjmjlML>("frmjmjlML");
    registry.addWindow<frmXSsel>("frmXSsel");
    registry.addWindow<frmBILLML>("frmBILLML");
    registry.addWindow<frmCommFind>("frmCommFind");
    registry.addWindow<CombinedQueryForm>("CombinedQueryForm");
    registry.addWindow<frmBachJM>("frmBachJM");
    registry.addWindow<frmBachJM_next>("frmBachJM_next");
    registry.addWindow<frmJmBachList>("frmJmBachList");
    // The entry operations of the bill header object; ShowJMJL and
    // ShowBachJm open the windows registered above under their class names.
    registry.addEntry("ShowPJinfo", [&bill] { bill.ShowPJinfo(); });
    registry.addEntry("ShowJMJL", [&bill] { bill.ShowJMJL(); });
    registry.addEntry("ShowBachJm", [&bill] { bill.ShowBachJm(); });
}

namespace {

int drive(const DriveOptions& o, std::istream& script) {
    auto host = std::make_shared<ReferenceHost>(o.database, o.dialect,
                                                o.user.value_or(Operators::BuiltInId));
    if (!o.settingsDir.empty()) host->setSettingsStore(std::make_shared<UserSettingsStore>(o.settingsDir));
    host->installInModuleGlobals();
    auto settings = host->loadSettings();
    // Overrides hold for this run only; the stored settings stay as they are.
    for (const auto& [name, value] : o.settings) settings->set(name, Value(value));

    cLsBILLhead bill;
    bill.set_gRun(host);
    bill.set_SetgColSysCS(settings);
    bill.set_objYfAndTerm(host->pFindJzDate());

    HeadlessUi ui;
    ui.install();
    if (!o.exportDir.empty()) ui.setExportFolder(o.exportDir);
    FormRegistry& registry = formRegistry();
    registerModuleWindows(registry, bill);

    ScriptDriver driver(registry, ui, std::cout, std::cerr);
    ConnectionPtr probe;
    driver.setSqlProbe([&](const std::string& sql) {
        if (!probe) probe = host->pGetCN();
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

}  // namespace

int runDrive(const Args& args) {
    const auto options = parse(args);
    if (!options) return usage();
    try {
        if (options->script == "-") return drive(*options, std::cin);
        std::ifstream file(options->script);
        if (!file) {
            std::cerr << "feeoffice drive: cannot read " << options->script << '\n';
            return 2;
        }
        return drive(*options, file);
    } catch (const std::exception& e) {
        std::cerr << "feeoffice drive: " << e.what() << '\n';
        return 2;
    }
}

}  // namespace fo::app
