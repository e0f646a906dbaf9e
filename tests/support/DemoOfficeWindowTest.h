#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/Catalog.h"
#include "db/values/TextCase.h"
#include "host/demo/DemoSchool.h"
#include "host/operators/Operators.h"
#include "host/ReferenceHost.h"
#include "host/api/ModuleGlobals.h"
#include "support/DemoDatabase.h"
#include "support/Dialects.h"
#include "support/ModuleHost.h"
#include "support/PgTestServer.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "ui/controls/CommandButton.h"
#include "ui/FormInstance.h"
#include "ui/UiFixture.h"
#include "ui/headless/HeadlessUi.h"

namespace fo::test {

using Rows = std::vector<std::string>;

// A demo fee office of its own per test, in the dialect of the parameter,
// run by the reference host with the headless binding, for tests that work
// the module's windows: the host is handed to the module as at start-up,
// layout settings go to a map and exports to a scratch folder. By default
// the open month is 202612 (September to November carried over). The yes/no
// box is answered with `confirm`; other modal windows are worked by `onModal`.
class DemoOfficeWindowTest : public DialectTest {
protected:
    explicit DemoOfficeWindowTest(DemoOptions options = DemoOptions{120, 1, "2026-12-06"})
        : options_(std::move(options)) {}

    void SetUp() override {
        demo = std::make_unique<DemoDatabase>(dir, options_);
        dbPath = demo->location();
        ui.install();
        ui.setExportFolder(dir.file("out"));
        ui.setModalRunner([this](Form& f) {
            if (f.name() == "frmMsg") f.find<CommandButton>(confirm ? "cmdOk" : "cmdNo")->userClick();
            else if (onModal) onModal(f);
        });
        actAs(Operators::BuiltInId);
        cn = openAsOwner(host->gLinkString());
    }
    void TearDown() override {
        ui.setModalRunner([](Form& f) { f.unload(); });
        FormInstances::releaseAll();
    }

    // The module works for operator `userId` from now on (on a server
    // signed in as his own role; the test's `cn` stays the owner's).
    void actAs(int userId) {
        signedIn_.signIn(dbPath, userId);
        host = std::make_shared<ReferenceHost>(dbPath, dialectCode(), userId);
        host->setSettingsStore(store);
        handHostToModule(host);
    }

    // Every row of a query, its fields joined by "|".
    Rows rows(const std::string& sql) { return joinedRows(*cn, sql); }
    std::string one(const std::string& sql) {
        Rows r = rows(sql);
        return r.empty() ? std::string("<no row>") : r.front();
    }
    // The first field of the first row as text; "" when there is none.
    std::string text(const std::string& sql) { return scalar(*cn, sql).toText(); }
    // The tables of the database, with the work tables a server keeps in
    // its work schema.
    std::vector<std::string> tablesAndWorkTables() {
        std::vector<std::string> names = tableNames(*cn);
        if (onPostgres())
            for (RecordsetPtr rs = cn->execute("select tablename from pg_tables where schemaname='feeoffice_work'");
                 !rs->eof(); rs->moveNext())
                names.push_back(rs->field(std::size_t{0}).toText());
        return names;
    }
    // The tables of the database whose names begin with `prefix`, any case.
    std::size_t tablesNamed(const std::string& prefix) {
        std::size_t n = 0;
        for (const std::string& name : tablesAndWorkTables()) n += lowerAscii(name).rfind(lowerAscii(prefix), 0) == 0;
        return n;
    }
    const MessageRecord& lastMessage() const { return *ui.lastMessage(); }
    bool shown(const std::string& part) const {
        for (const MessageRecord& m : ui.messages())
            if (m.text.find(part) != std::string::npos) return true;
        return false;
    }

    TempDir dir;
    std::unique_ptr<DemoDatabase> demo;
    std::string dbPath;  // the file, or the server database's link string
    HeadlessUi ui;
    std::shared_ptr<MapSettingsStore> store = std::make_shared<MapSettingsStore>();
    std::shared_ptr<ReferenceHost> host;
    bool confirm = true;
    std::function<void(Form&)> onModal;
    ConnectionPtr cn;

private:
    DemoOptions options_;
    ScopedGlobals restoreGlobals_;
    PgSignedInOperator signedIn_;
};

}  // namespace fo::test
