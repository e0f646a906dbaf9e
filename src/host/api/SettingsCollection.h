#pragma once
#include "FeeOfficeApi.h"
#include <map>
#include <string>

#include "db/values/Value.h"

namespace fo {

// The host's settings collection (`SetgColSysCS`): values keyed by name.
// A check-box setting is on when its value is "1".
class FEEOFFICE_API SettingsCollection {
public:
    struct Item { fo::Value Value; };  // one setting, read as its Value (qualified: the member name hides the type)

    void set(const std::string& key, const Value& value) { items_[key] = Item{value}; }  // sets (or adds) the setting `key`
    bool contains(const std::string& key) const { return items_.count(key) != 0; }  // whether the setting `key` is there
    // The item's value; null when the key is unknown.
    Value value(const std::string& key) const {
        auto it = items_.find(key);
        return it == items_.end() ? Value() : it->second.Value;
    }
    bool isOn(const std::string& key) const { return value(key).toText() == "1"; }
    const std::map<std::string, Item>& items() const { return items_; }

private:
    std::map<std::string, Item> items_;
};

}  // namespace fo
