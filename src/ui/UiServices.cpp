#include "ui/UiServices.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

#include "host/api/ModuleGlobals.h"

namespace fo {
namespace {

UiServices* current = nullptr;

// Settings kept in memory when the host registered no store.
class MemorySettingsStore final : public SettingsStore {
public:
    std::string getSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& deflt) override {
        auto it = values_.find(app + '\x1f' + section + '\x1f' + key);
        return it == values_.end() ? deflt : it->second;
    }
    void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        values_[app + '\x1f' + section + '\x1f' + key] = value;
    }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace

SettingsStore& UiServices::settingsStore() {
    if (globals().settingsStore) return *globals().settingsStore;
    static MemorySettingsStore memory;
    return memory;
}

UiServices& ui() {
    if (!current) throw std::logic_error("no user-interface binding installed");
    return *current;
}

bool hasUiServices() { return current != nullptr; }

void setUiServices(UiServices* services) {
    current = services;
    setMessageService(services);
}

std::string defaultExportFolder() {
    if (const char* docs = std::getenv("XDG_DOCUMENTS_DIR"); docs && *docs) return docs;
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::filesystem::current_path().string();
    std::filesystem::path documents = std::filesystem::path(home) / "Documents";
    std::error_code ec;
    return std::filesystem::is_directory(documents, ec) ? documents.string() : std::string(home);
}

bool openWithDesktop(const std::string& path) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland)) return false;
    const pid_t pid = fork();
    if (pid == 0) {
        // A second fork detaches the viewer, so no zombie is left behind.
        if (fork() == 0) {
            execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    if (pid > 0) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
    return pid > 0;
}

}  // namespace fo
