#include "host/api/ModuleGlobals.h"

#include <stdexcept>

namespace fo {

ModuleGlobals& globals() {
    static ModuleGlobals g;
    return g;
}

std::unique_ptr<DbInfo> newDbInfo() {
    if (!globals().newDbInfo) throw std::logic_error("no database-information object registered by the host");
    return globals().newDbInfo();
}

HostSystem& gRun() {
    if (!globals().host) throw std::logic_error("the host system object (gRun) has not been set");
    return *globals().host;
}

std::string moduleLinkString() { return moduleLinkString(nullptr); }

std::string moduleLinkString(const std::shared_ptr<HostSystem>& run) {
    const std::string& link = globals().transLinkString;
    if (!link.empty()) return link;
    return run ? run->gLinkString() : gRun().gLinkString();
}

bool settingOn(const std::string& key) {
    return globals().settings && globals().settings->isOn(key);
}

std::string readSettingsFile(const std::string& file, const std::string& section,
                             const std::string& key) {
    const auto& reader = globals().settingsFileReader;
    return reader ? reader(file, section, key) : std::string();
}

}  // namespace fo
