#pragma once
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "host/operators/AuditLog.h"
#include "host/ReferenceHost.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "support/DemoDatabase.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"
#include "ui/FormInstance.h"
#include "ui/headless/HeadlessUi.h"

namespace fo::test {

// A small demo fee office on the headless binding, its settings and audit
// log in folders of the test's own, worked by the operator signed in last.
class OfficeTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(cachedDemoSchool(DemoOptions{12, 1, "2026-12-06"}), dbPath);
        demoLogged_ = static_cast<std::size_t>(std::stol(scalar("select count(*) from sys_log")));
        ui.install();
        ui.setModalRunner([](Form& f) { f.unload(); });
        actAs(Operators::BuiltInId);
    }
    void TearDown() override {
        ui.setModalRunner([](Form& f) { f.unload(); });
        FormInstances::releaseAll();
        globals() = ModuleGlobals{};
    }
    // The host works for `user` from now on.
    void actAs(int user) {
        host = std::make_shared<ReferenceHost>(dbPath, 1, user);
        host->setSettingsStore(std::make_shared<UserSettingsStore>(dir.file("config/feeoffice")));
        host->installInModuleGlobals();
        globals().host = host;
    }
    // The window `T`, loaded (or refused, unloaded) for whoever works now.
    template <class T>
    std::shared_ptr<T> open() {
        auto w = formInstance<T>();
        w->load();
        return w;
    }
    std::string link() const { return sqliteConnectionString(dbPath); }
    std::string scalar(const std::string& sql) {
        ConnectionPtr cn = openConnection(link());
        RecordsetPtr rs = cn->execute(sql);
        return rs && !rs->eof() ? rs->field(std::size_t{0}).toText() : std::string("<no row>");
    }
    // The audit log's rows as "operator|operation|subject|outcome".
    std::vector<std::string> logged() {
        ConnectionPtr cn = openConnection(link());
        std::vector<std::string> out;
        // The demo office's own postings come first; the test's follow.
        const std::vector<AuditRecord> all = readAuditLog(*cn);
        for (std::size_t i = demoLogged_; i < all.size(); ++i)
            out.push_back(all[i].userName + "|" + all[i].operation + "|" + all[i].document + "|" + all[i].outcome);
        return out;
    }

    TempDir dir;
    ScopedVariable config{"XDG_CONFIG_HOME", dir.file("config")};
    ScopedVariable state{"XDG_STATE_HOME", dir.file("state")};
    std::string dbPath = dir.file("office.db");
    std::size_t demoLogged_ = 0;  // the audit rows of the demo office itself
    HeadlessUi ui;
    std::shared_ptr<ReferenceHost> host;
};

}  // namespace fo::test
