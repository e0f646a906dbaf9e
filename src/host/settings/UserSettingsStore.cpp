#include "host/settings/UserSettingsStore.h"

namespace fo {

UserSettingsStore::UserSettingsStore() : UserSettingsStore(userConfigDir() + "/feeoffice") {}

UserSettingsStore::UserSettingsStore(const std::string& directory)
    : path_((directory.empty() ? std::string(".") : directory) + "/settings.ini") {
    if (auto ini = IniFile::load(path_)) ini_ = std::move(*ini);
}

std::string UserSettingsStore::getSetting(const std::string& app, const std::string& section,
                                          const std::string& key, const std::string& deflt) {
    std::lock_guard lock(mutex_);
    return ini_.get(sectionName(app, section), key, deflt);
}

void UserSettingsStore::saveSetting(const std::string& app, const std::string& section,
                                    const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    ini_.set(sectionName(app, section), key, value);
    ini_.save(path_);
}

}  // namespace fo
