#pragma once
#include <memory>
#include <string>

#include "db/Connection.h"
#include "host/api/SettingsCollection.h"

namespace fo {

// The host settings of a fee office (sys_setting: name -> value), as the
// settings collection the module reads. Check-box settings are "0" or "1".
std::shared_ptr<SettingsCollection> loadSettings(Connection& cn);
// Creates or replaces one setting.
void setSetting(Connection& cn, const std::string& name, const std::string& value);

}  // namespace fo
