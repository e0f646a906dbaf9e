#pragma once
#include "FeeOfficeApi.h"
#include <functional>
#include <memory>
#include <string>

#include "host/api/AuditTrail.h"
#include "host/api/DbInfo.h"
#include "host/api/HostSystem.h"
#include "host/api/PeriodObject.h"
#include "host/api/SettingsCollection.h"
#include "host/api/SettingsStore.h"

namespace fo {

// The module-wide state every window and class reads. The bill header object
// fills it when the host hands its objects over (gRun, SetgColSysCS,
// objYfAndTerm); the host registers how a database-information object and
// the per-user settings store are made.
struct FEEOFFICE_API ModuleGlobals {
    std::shared_ptr<HostSystem> host;              // gRun
    std::string transLinkString;                   // for createTrcn and separate read sets
    std::shared_ptr<SettingsCollection> settings;  // SetgColSysCS
    std::shared_ptr<PeriodObject> feePeriod;       // objYfAndTerm
    std::function<std::unique_ptr<DbInfo>()> newDbInfo;  // how a database-information object is made (the host sets it)
    std::shared_ptr<SettingsStore> settingsStore;  // the per-user layout store; the binding's own when none
    // The settings-file reader of the sibling library: the value of `key` in
    // `section` of the settings file `file` (as "\DefaultUser.ini", relative
    // to the application folder); "" when the file or key is missing.
    std::function<std::string(const std::string& file, const std::string& section,
                              const std::string& key)> settingsFileReader;
    // The office's audit log; none when the host keeps no log.
    std::shared_ptr<AuditTrail> auditTrail;
};

FEEOFFICE_API ModuleGlobals& globals();

// A new database-information object; throws std::logic_error when the host
// registered no factory.
FEEOFFICE_API std::unique_ptr<DbInfo> newDbInfo();
// The host system object; throws std::logic_error when none was handed in.
FEEOFFICE_API HostSystem& gRun();
// The module's transaction link string, for reads on a connection of their
// own; a host that never handed one over through the bill header object
// still has its own (gRun's).
FEEOFFICE_API std::string moduleLinkString();
// The same, with `run` (when set) in gRun's place, for an object that was
// handed a host system object of its own.
FEEOFFICE_API std::string moduleLinkString(const std::shared_ptr<HostSystem>& run);
// On when the setting's value is "1"; off when unknown or no collection.
FEEOFFICE_API bool settingOn(const std::string& key);
// Reads the settings file through the host's reader; "" when none is registered.
FEEOFFICE_API std::string readSettingsFile(const std::string& file, const std::string& section,
                             const std::string& key);

}  // namespace fo
