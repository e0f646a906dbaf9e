#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/Catalog.h"
#include "db/TextCase.h"
#include "host/demo/DemoSchool.h"
#include "host/ReferenceHost.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "support/DemoDatabase.h"
#include "support/Dialects.h"
#include "support/ModuleHost.h"
#include "support/TempDir.h"
#include "ui/controls/CommandButton.h"
#include "ui/FormInstance.h"
#include "ui/headless/HeadlessUi.h"

namespace fo::test {

using Rows = std::vector<std::string>;

// A demo fee office (open month 202612, September to November carried over)
// run by the reference host in the dialect of the test, with the headless
// binding, for tests that work the module's windows. The yes/no box is
// answered with `confirm`; other modal windows are worked by `onModal`.
class DemoOfficeWindowTest : public DialectTest {
protected:
    void SetUp() override {
        DemoOptions options;
        options.today = "2026-12-06";
        demo = std::make_unique<DemoDatabase>(dir, options);
        dbPath = demo->location();
        host = std::make_shared<ReferenceHost>(dbPath, dialectCode());
        host->setSettingsStore(std::make_shared<UserSettingsStore>(dir.file("settings")));
        handHostToModule(host);
        ui.install();
        ui.setModalRunner([this](Form& f) {
            if (f.name() == "frmMsg") f.find<CommandButton>(confirm ? "cmdOk" : "cmdNo")->userClick();
            else if (onModal) onModal(f);
        });
        cn = openConnection(host->gLinkString());
    }
    void TearDown() override {
        ui.setModalRunner([](Form& f) { f.unload(); });
        FormInstances::releaseAll();
        globals() = ModuleGlobals{};
    }

    // Every row of a query, its fields joined by "|".
    Rows rows(const std::string& sql) {
        Rows out;
        for (RecordsetPtr rs = cn->execute(sql); rs && !rs->eof(); rs->moveNext()) {
            std::string line;
            for (std::size_t i = 0; i < rs->fieldCount(); ++i) line += (i ? "|" : "") + rs->field(i).toText();
            out.push_back(line);
        }
        return out;
    }
    std::string one(const std::string& sql) {
        Rows r = rows(sql);
        return r.empty() ? std::string("<no row>") : r.front();
    }
    // The tables of the database whose names begin with `prefix`, any case.
    std::size_t tablesNamed(const std::string& prefix) {
        std::size_t n = 0;
        for (const std::string& name : tableNames(*cn)) n += lowerAscii(name).rfind(lowerAscii(prefix), 0) == 0;
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
    std::shared_ptr<ReferenceHost> host;
    HeadlessUi ui;
    bool confirm = true;
    std::function<void(Form&)> onModal;
    ConnectionPtr cn;
};

}  // namespace fo::test
