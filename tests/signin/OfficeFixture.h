#pragma once
#include <memory>
#include <string>
#include <vector>

#include "host/operators/AuditLog.h"
#include "support/DemoOfficeWindowTest.h"
#include "support/ScopedVariable.h"

namespace fo::test {

// A small demo fee office (12 students, December open) for the host's own
// windows, its ini files and audit log file in folders of the test's own;
// a modal window is closed as it opens unless a test works it.
class OfficeTest : public DemoOfficeWindowTest {
protected:
    OfficeTest() : DemoOfficeWindowTest(DemoOptions{12, 1, "2026-12-06"}) {}
    void SetUp() override {
        DemoOfficeWindowTest::SetUp();
        demoLogged_ = static_cast<std::size_t>(std::stol(text("select count(*) from sys_log")));
        ui.setModalRunner([](Form& f) { f.unload(); });
    }
    // The window `T`, loaded (or refused, unloaded) for whoever works now.
    template <class T>
    std::shared_ptr<T> open() {
        auto w = formInstance<T>();
        w->load();
        return w;
    }
    // The audit log's rows as "operator|operation|subject|outcome".
    std::vector<std::string> logged() {
        std::vector<std::string> out;
        const std::vector<AuditRecord> all = readAuditLog(*cn);
        for (std::size_t i = demoLogged_; i < all.size(); ++i)
            out.push_back(all[i].userName + "|" + all[i].operation + "|" + all[i].document + "|" + all[i].outcome);
        return out;
    }

    ScopedVariable config{"XDG_CONFIG_HOME", dir.file("config")};
    ScopedVariable state{"XDG_STATE_HOME", dir.file("state")};
    std::size_t demoLogged_ = 0;  // the demo office's own audit rows, which come first
};

}  // namespace fo::test
