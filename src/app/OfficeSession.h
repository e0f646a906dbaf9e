#pragma once
#include <memory>
#include <string>

#include "bills/cLsBILLhead.h"
#include "host/ReferenceHost.h"

namespace fo::app {

// One fee office opened by the application: the reference host on a
// database for an operator, its settings, and the bill header object handed
// everything as the host hands it at start-up; the module's windows and
// entry operations are registered on it.
class OfficeSession {
public:
    // For `operatorId`, who has signed in; his sign-out is logged when the
    // session ends.
    OfficeSession(const std::string& databasePath, int dialect, int operatorId);
    ~OfficeSession();

    ReferenceHost& host() const { return *host_; }
    const std::shared_ptr<ReferenceHost>& hostPtr() const { return host_; }
    cLsBILLhead& bill() { return bill_; }
    int dialect() const { return dialect_; }
    const std::string& databasePath() const { return host_->databasePath(); }
    // Reads the host settings again after they were changed.
    void reloadSettings();
    std::string setting(const std::string& name) const;
    int operatorId() const { return operatorId_; }
    bool isAdministrator() const;
    // Why the operator may not run the entry operation, window or host duty
    // `name` ("YMJZ" is the carry-over); "" when he may.
    std::string refusal(const std::string& name) const;

private:
    std::shared_ptr<ReferenceHost> host_;
    std::shared_ptr<SettingsCollection> settings_;
    cLsBILLhead bill_;
    int dialect_;
    int operatorId_;
};

// The demo fee office of this user: $XDG_DATA_HOME (or ~/.local/share),
// then feeoffice/demo.db.
std::string demoDatabasePath();

}  // namespace fo::app
