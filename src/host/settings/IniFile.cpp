#include "host/settings/IniFile.h"
#include "db/values/TextCase.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace fo {
namespace {

std::string_view trimmed(std::string_view s) {
    const char* blanks = " \t\r\n";
    auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    auto last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

std::string executableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

}  // namespace

std::string userConfigDir() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config";
}

IniFile IniFile::parse(std::string_view text) {
    IniFile ini;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 byte order mark
    Section* current = nullptr;
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            auto close = line.find(']');
            std::string_view name = trimmed(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            current = ini.findSection(name);
            if (!current) {
                ini.sections_.push_back(Section{std::string(name), {}});
                current = &ini.sections_.back();
            }
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;  // not a setting: ignored as Windows does
        std::string_view key = trimmed(line.substr(0, eq));
        std::string_view value = trimmed(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (!current) {
            // Keys before the first header belong to the nameless section.
            current = ini.findSection("");
            if (!current) {
                ini.sections_.push_back(Section{});
                current = &ini.sections_.back();
            }
        }
        ini.set(current->name, key, value);
        current = ini.findSection(current->name);  // set() may have grown the vector
    }
    return ini;
}

std::optional<IniFile> IniFile::load(const std::string& path) {
    auto text = readFile(path);
    if (!text) return std::nullopt;
    return parse(*text);
}

std::optional<IniFile> IniFile::findDefaultUser() {
    const std::string name = "DefaultUser.ini";
    if (auto dir = executableDir(); !dir.empty())
        if (auto ini = load(dir + "/" + name)) return ini;
    return load(userConfigDir() + "/feeoffice/" + name);
}

IniFile::Section* IniFile::findSection(std::string_view name) {
    for (auto& s : sections_)
        if (equalsIgnoreCase(s.name, name)) return &s;
    return nullptr;
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    for (const auto& s : sections_)
        if (equalsIgnoreCase(s.name, name)) return &s;
    return nullptr;
}

std::string IniFile::get(std::string_view section, std::string_view key, const std::string& deflt) const {
    if (const Section* s = findSection(section))
        for (const auto& [k, v] : s->entries)
            if (equalsIgnoreCase(k, key)) return v;
    return deflt;
}

bool IniFile::contains(std::string_view section, std::string_view key) const {
    if (const Section* s = findSection(section))
        for (const auto& entry : s->entries)
            if (equalsIgnoreCase(entry.first, key)) return true;
    return false;
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
    Section* s = findSection(section);
    if (!s) {
        sections_.push_back(Section{std::string(section), {}});
        s = &sections_.back();
    }
    for (auto& [k, v] : s->entries)
        if (equalsIgnoreCase(k, key)) {
            v = std::string(value);
            return;
        }
    s->entries.emplace_back(std::string(key), std::string(value));
}

std::string IniFile::text() const {
    std::string out;
    for (const auto& s : sections_) {
        if (!s.name.empty() || &s != &sections_.front()) {
            if (!out.empty()) out += '\n';
            out += '[' + s.name + "]\n";
        }
        for (const auto& [k, v] : s.entries) {
            // A value with blanks at its ends would lose them when read back.
            bool quote = !v.empty() && (v.front() == ' ' || v.back() == ' ' || v.front() == '"');
            out += k + '=' + (quote ? '"' + v + '"' : v) + '\n';
        }
    }
    return out;
}

void IniFile::save(const std::string& path) const {
    namespace fs = std::filesystem;
    fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw std::runtime_error("cannot write settings file " + temp);
        out << text();
        out.flush();
        if (!out) throw std::runtime_error("cannot write settings file " + temp);
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw std::runtime_error("cannot replace settings file " + path);
    }
}

}  // namespace fo
