#include "ui/UiServices.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <thread>

#include "db/LockWait.h"
#include "host/api/ModuleGlobals.h"
#include "ui/lists/Utf8Text.h"
#include "ui/print/PrintedDocument.h"

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
    if (!services) {
        setLockWaitObserver({});
        return;
    }
    // A wait for another program's lock shows the wait pointer, as any long
    // operation does; only waits of the window thread reach the binding.
    setLockWaitObserver([thread = std::this_thread::get_id(), ours = false](bool waiting) mutable {
        if (std::this_thread::get_id() != thread || !hasUiServices()) return;
        if (waiting && !ui().waitCursorShown()) {
            ui().waitCursorOn();
            ours = true;
        } else if (!waiting && ours) {
            ours = false;
            ui().waitCursorOff();
        }
    });
}

std::string defaultExportFolder() {
    if (const char* docs = std::getenv("XDG_DOCUMENTS_DIR"); docs && *docs) return docs;
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::filesystem::current_path().string();
    std::filesystem::path documents = std::filesystem::path(home) / "Documents";
    std::error_code ec;
    return std::filesystem::is_directory(documents, ec) ? documents.string() : std::string(home);
}

namespace {

std::string fileStem(const std::string& name) {
    std::string stem;
    for (char c : name) stem += std::string("/\\:*?\"<>| ").find(c) != std::string::npos ? '_' : c;
    while (!stem.empty() && (stem.back() == '_' || stem.back() == '.')) stem.pop_back();
    if (stem.empty()) stem = "export";
    return utf8::mid(stem, 0, 80);
}

std::filesystem::path numbered(const std::filesystem::path& dir, const std::string& stem, const std::string& extension,
                               int n) {
    return dir / (n == 1 ? stem + extension : stem + " (" + std::to_string(n) + ")" + extension);
}

}  // namespace

std::string suggestedFilePath(const std::string& folder, const std::string& name, const std::string& extension) {
    const std::string stem = fileStem(name);
    std::filesystem::path p = numbered(folder, stem, extension, 1);
    for (int n = 2; std::filesystem::exists(p); ++n) p = numbered(folder, stem, extension, n);
    return p.string();
}

std::string freeFilePath(const std::string& folder, const std::string& name, const std::string& extension) {
    // The name is taken by creating the file exclusively: two programs
    // exporting into one folder at the same moment otherwise both see the
    // same name free and one overwrites (or breaks) the other's file.
    const std::string stem = fileStem(name);
    for (int n = 1; n < 10000; ++n) {
        const std::filesystem::path p = numbered(folder, stem, extension, n);
        const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return p.string();
        }
        if (errno != EEXIST) return p.string();  // the writer reports why it cannot write there
    }
    return numbered(folder, stem, extension, 10000).string();
}

std::string UiServices::exportPath(const std::string& fileName) {
    const std::string folder = exportFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return freeFilePath(folder, fileName, ".xlsx");
}

std::unique_ptr<ReportPrinter> UiServices::newReportPrinter() { return nullptr; }

}  // namespace fo
