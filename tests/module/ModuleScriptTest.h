#pragma once
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/Commands.h"
#include "app/ScriptBinding.h"
#include "app/SignInOptions.h"
#include "bills/cLsBILLhead.h"
#include "db/StatementObserver.h"
#include "host/demo/DemoSchool.h"
#include "host/operators/Operators.h"
#include "host/ReferenceHost.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "support/DemoDatabase.h"
#include "support/Dialects.h"
#include "support/DriveMode.h"
#include "support/ModuleHost.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/headless/ScriptDriver.h"

namespace fo::test {

// The demo fee office (open month 202612, September to November carried
// over) with every window of the module, worked from driver scripts in this
// process, as `feeoffice drive` works them: the operator signs in with his
// demo password, the reference host hands the bill header object its system
// object, settings and fee period, and the windows and entry operations are
// registered by name.
class ModuleScriptTest : public DialectTest {
protected:
    struct Run {
        int status = -1;
        std::string out, err;
    };

    void SetUp() override {
        demo = std::make_unique<DemoDatabase>(dir, demoOptions);
        dbPath = demo->location();
        cn = openConnection(linkStringFor(dbPath));
    }
    void TearDown() override {
        FormInstances::releaseAll();
    }

    // Runs `script` for operator `userId`, with host settings overridden by
    // `settings` for this run.
    Run drive(const std::string& script, int userId = Operators::BuiltInId,
              const std::vector<std::pair<std::string, std::string>>& settings = {}) {
        Run run;
        app::SignInOptions signIn{userId, dir.file("password")};
        for (const DemoOperator& op : demoOperators())
            if (op.id == userId) std::ofstream(signIn.passwordFile) << op.password << '\n';
        std::ostringstream refused;
        const std::optional<int> user = app::signInHeadless(signIn, dbPath, "drive", refused);
        if (!user) {
            run.status = app::SignInRefused;
            run.err = refused.str();
            return run;
        }
        auto host = std::make_shared<ReferenceHost>(dbPath, dialectCode(), *user);
        host->setSettingsStore(std::make_shared<UserSettingsStore>(dir.file("settings")));
        host->installInModuleGlobals();
        auto collection = host->loadSettings();
        for (const auto& [name, value] : settings) collection->set(name, Value(value));
        bill_ = std::make_unique<cLsBILLhead>();
        bill_->set_gRun(host);
        bill_->set_SetgColSysCS(collection);
        bill_->set_objYfAndTerm(host->pFindJzDate());

        app::ScriptBinding binding(drivesDesktop());
        HeadlessUi& ui = binding.ui();
        ui.install();
        ui.setExportFolder(dir.file("out"));
        FormRegistry& registry = formRegistry();
        app::registerModuleWindows(registry, *bill_);

        std::ostringstream out, err;
        ScriptDriver driver(registry, ui, out, err);
        driver.setHands(binding.hands());
        driver.setSqlProbe([this](const std::string& sql) { return text(sql); });
        std::istringstream in(script);
        run.status = driver.run(in);
        FormInstances::releaseAll();
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    // The first field of the first row of a query as text ("" when none).
    // A test's own probes are not the windows' statements: no statement
    // observer sees them.
    std::string text(const std::string& sql) {
        struct Unobserved {
            StatementObserver* kept = statementObserver();
            Unobserved() { setStatementObserver(nullptr); }
            ~Unobserved() { setStatementObserver(kept); }
        } unobserved;
        const Value v = scalar(*cn, sql);
        return v.isNull() ? std::string() : v.toText();
    }

    // The demo school SetUp writes; a test's constructor may change it.
    DemoOptions demoOptions{120, 1, "2026-12-06"};
    TempDir dir;
    std::unique_ptr<DemoDatabase> demo;
    std::string dbPath;  // the file, or the server database's link string
    ConnectionPtr cn;

private:
    ScopedGlobals restoreGlobals_;
    std::unique_ptr<cLsBILLhead> bill_;
};

}  // namespace fo::test
