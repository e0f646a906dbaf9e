#include "ui/UiServices.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "host/api/ModuleGlobals.h"
#include "ui/Utf8Text.h"

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

namespace {

std::string environment(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// XDG_DOCUMENTS_DIR as user-dirs.dirs sets it ("$HOME/文档"); "" when unset.
std::string documentsDirFromUserDirs(const std::string& home) {
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty()) config = home + "/.config";
    std::ifstream in(config + "/user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        return value;
    }
    return {};
}

}  // namespace

std::string defaultExportFolder() {
    namespace fs = std::filesystem;
    const std::string home = environment("HOME");
    std::error_code ec;
    if (const std::string docs = environment("XDG_DOCUMENTS_DIR"); !docs.empty()) return docs;
    if (home.empty()) return fs::current_path().string();
    if (const std::string docs = documentsDirFromUserDirs(home); !docs.empty() && fs::is_directory(docs, ec))
        return docs;
    const fs::path documents = fs::path(home) / "Documents";
    return fs::is_directory(documents, ec) ? documents.string() : home;
}

std::string freeFilePath(const std::string& folder, const std::string& name, const std::string& extension) {
    std::string stem;
    for (char c : name) stem += std::string("/\\:*?\"<>| ").find(c) != std::string::npos ? '_' : c;
    while (!stem.empty() && (stem.back() == '_' || stem.back() == '.')) stem.pop_back();
    if (stem.empty()) stem = "export";
    stem = utf8::mid(stem, 0, 80);
    const std::filesystem::path dir(folder);
    std::filesystem::path p = dir / (stem + extension);
    for (int n = 2; std::filesystem::exists(p); ++n) p = dir / (stem + " (" + std::to_string(n) + ")" + extension);
    return p.string();
}

std::string UiServices::exportPath(const std::string& fileName) {
    const std::string folder = exportFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return freeFilePath(folder, fileName, ".xlsx");
}

}  // namespace fo
