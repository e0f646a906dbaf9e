#pragma once
#include "FeeOfficeApi.h"
#include <string>

namespace fo {

// The per-user settings store: application, section, key -> text. Layout
// values (column widths, grid widths, splitter positions) live here.
class FEEOFFICE_API SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string getSetting(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& deflt = {}) = 0;  // the stored text, or `deflt`
    virtual void saveSetting(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& value) = 0;  // stores the text
};

// What the host's column-width routines need of a list view: its columns'
// keys and widths in twips. The list-view control implements it.
class FEEOFFICE_API ColumnWidthTarget {
public:
    virtual ~ColumnWidthTarget() = default;
    virtual int columnCount() const = 0;  // how many columns the list has
    virtual std::string columnKey(int index) const = 0;  // 0-based
    virtual int columnWidth(int index) const = 0;  // a column's width in twips (0-based)
    virtual void setColumnWidth(int index, int twips) = 0;  // sets a column's width in twips (0-based)
};

}  // namespace fo
