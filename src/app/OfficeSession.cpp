#include "app/OfficeSession.h"

#include <cstdlib>
#include <filesystem>

#include "app/Commands.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"

namespace fo::app {

OfficeSession::OfficeSession(const std::string& databasePath, int dialect, int operatorId)
    : host_(std::make_shared<ReferenceHost>(databasePath, dialect, operatorId)), dialect_(dialect) {
    host_->installInModuleGlobals();
    settings_ = host_->loadSettings();
    bill_.set_gRun(host_);
    bill_.set_SetgColSysCS(settings_);
    bill_.set_objYfAndTerm(host_->pFindJzDate());
    registerModuleWindows(formRegistry(), bill_);
}

OfficeSession::~OfficeSession() {
    // The windows hold connections to this database: let them go first.
    try {
        FormInstances::releaseAll();
    } catch (...) {
    }
}

void OfficeSession::reloadSettings() {
    settings_ = host_->loadSettings();
    bill_.set_SetgColSysCS(settings_);
}

std::string OfficeSession::setting(const std::string& name) const { return settings_->value(name).toText(); }

std::string demoDatabasePath() {
    namespace fs = std::filesystem;
    fs::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) base = data;
    else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".local" / "share";
    else base = fs::current_path();
    return (base / "feeoffice" / "demo.db").string();
}

}  // namespace fo::app
