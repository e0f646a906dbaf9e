#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fo {

// A settings file of "[section]" headers and "key=value" lines, UTF-8.
// Section and key names compare without regard to ASCII case; lines starting
// with ';' or '#' are comments. Values keep their inner blanks; a value
// written between double quotes loses the quotes. Order of sections and keys
// is kept, so a file written back reads as it was.
class IniFile {
public:
    IniFile() = default;

    static IniFile parse(std::string_view text);
    // Nothing when the file cannot be read.
    static std::optional<IniFile> load(const std::string& path);
    // The clerk's "DefaultUser.ini": beside the executable first, then in
    // the user's configuration folder (feeoffice/DefaultUser.ini under
    // $XDG_CONFIG_HOME or ~/.config). Nothing when neither exists.
    static std::optional<IniFile> findDefaultUser();

    std::string get(std::string_view section, std::string_view key,
                    const std::string& deflt = {}) const;
    bool contains(std::string_view section, std::string_view key) const;
    void set(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;
    // Writes the file through a temporary beside it and a rename, so a
    // reader never sees half a file. Throws std::runtime_error on failure.
    void save(const std::string& path) const;

    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    const std::vector<Section>& sections() const { return sections_; }

private:
    Section* findSection(std::string_view name);
    const Section* findSection(std::string_view name) const;

    std::vector<Section> sections_;
};

// $XDG_CONFIG_HOME, or ~/.config when it is not set.
std::string userConfigDir();

}  // namespace fo
