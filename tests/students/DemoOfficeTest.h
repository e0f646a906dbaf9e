#pragma once
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "host/demo/DemoSchool.h"
#include "host/operators/Operators.h"
#include "host/ReferenceHost.h"
#include "host/api/ModuleGlobals.h"
#include "support/DemoDatabase.h"
#include "support/Dialects.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "ui/FormInstance.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/UiFixture.h"

namespace fo::test {

// A demo fee office of its own per test, in the dialect of the parameter,
// worked through the headless binding: the reference host is handed to the
// module as at start-up, layout settings go to a map and files to a scratch
// folder. The open month is 2026-10; earlier months are carried over.
class DemoOfficeTest : public DialectTest {
protected:
    void SetUp() override {
        saved_ = globals();
        demo = std::make_unique<DemoDatabase>(dir, DemoOptions{24, 1, "2026-10-15"}, "demo.db");
        dbPath = demo->location();
        ui.install();
        ui.setExportFolder(dir.file("out"));
        store = std::make_shared<MapSettingsStore>();
        actAs(Operators::BuiltInId);
        cn = openConnection(linkStringFor(dbPath));
    }
    void TearDown() override {
        ui.setModalRunner([](Form& f) { f.unload(); });
        FormInstances::releaseAll();
        globals() = saved_;
    }

    // The module works for operator `userId` from now on.
    void actAs(int userId) {
        host = std::make_shared<ReferenceHost>(dbPath, dialectCode(), userId);
        host->installInModuleGlobals();
        globals().settingsStore = store;
        globals().host = host;
        globals().transLinkString = host->newDbInfo()->LinkString();
        globals().settings = host->loadSettings();
        globals().feePeriod = host->pFindJzDate();
    }

    std::string text(const std::string& sql) { return scalar(*cn, sql).toText(); }

    ModuleGlobals saved_;
    TempDir dir;
    std::unique_ptr<DemoDatabase> demo;
    std::string dbPath;  // the file, or the server database's link string
    HeadlessUi ui;
    std::shared_ptr<MapSettingsStore> store;
    std::shared_ptr<ReferenceHost> host;
    ConnectionPtr cn;
};

}  // namespace fo::test
