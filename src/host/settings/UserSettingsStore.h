#pragma once
#include <mutex>
#include <string>

#include "host/settings/IniFile.h"
#include "host/api/SettingsStore.h"

namespace fo {

// The per-user settings store of this workstation: one INI file,
// settings.ini, whose sections are "application/section" (for example
// "[tavro/frmJmBachList]"). It lives in feeoffice/ under the user's
// configuration folder, or in a folder of the caller's choosing. Every save
// is written to disk at once, so a crash loses no layout.
class UserSettingsStore final : public SettingsStore {
public:
    // The user's own store ($XDG_CONFIG_HOME or ~/.config, then feeoffice/).
    UserSettingsStore();
    // A store kept in `directory` (created on the first save).
    explicit UserSettingsStore(const std::string& directory);

    std::string getSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& deflt = {}) override;
    void saveSetting(const std::string& app, const std::string& section,
                     const std::string& key, const std::string& value) override;

    const std::string& filePath() const { return path_; }

private:
    static std::string sectionName(const std::string& app, const std::string& section) {
        return app + "/" + section;
    }

    std::string path_;
    std::mutex mutex_;
    IniFile ini_;
};

}  // namespace fo
