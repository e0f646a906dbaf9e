#include "ui/FormRegistry.h"

#include "ui/lists/Utf8Text.h"

namespace fo {

void FormRegistry::addWindow(const std::string& name, InstanceGetter getter) {
    windows_[utf8::lowerAscii(name)] = {name, std::move(getter)};
}

void FormRegistry::addEntry(const std::string& name, EntryOperation op) {
    entries_[utf8::lowerAscii(name)] = {name, std::move(op)};
}

std::shared_ptr<Form> FormRegistry::window(const std::string& name) const {
    auto it = windows_.find(utf8::lowerAscii(name));
    return it == windows_.end() ? nullptr : it->second.second();
}

const FormRegistry::EntryOperation* FormRegistry::entry(const std::string& name) const {
    auto it = entries_.find(utf8::lowerAscii(name));
    return it == entries_.end() ? nullptr : &it->second.second;
}

std::vector<std::string> FormRegistry::names() const {
    std::vector<std::string> out;
    for (const auto& [k, v] : entries_) out.push_back(v.first);
    for (const auto& [k, v] : windows_) out.push_back(v.first);
    return out;
}

FormRegistry& formRegistry() {
    static FormRegistry r;
    return r;
}

}  // namespace fo
