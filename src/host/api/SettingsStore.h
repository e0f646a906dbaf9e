#pragma once
#include <string>

namespace fo {

// The per-user settings store: application, section, key -> text. Layout
// values (column widths, grid widths, splitter positions) live here.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string getSetting(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& deflt = {}) = 0;
    virtual void saveSetting(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& value) = 0;
};

// What the host's column-width routines need of a list view: its columns'
// keys and widths in twips. The list-view control implements it.
class ColumnWidthTarget {
public:
    virtual ~ColumnWidthTarget() = default;
    virtual int columnCount() const = 0;
    virtual std::string columnKey(int index) const = 0;  // 0-based
    virtual int columnWidth(int index) const = 0;
    virtual void setColumnWidth(int index, int twips) = 0;
};

}  // namespace fo
