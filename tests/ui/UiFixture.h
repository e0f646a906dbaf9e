#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/Recordset.h"
#include "db/values/Value.h"
#include "host/api/ModuleGlobals.h"
#include "host/api/SettingsStore.h"
#include "support/TempDir.h"
#include "ui/FormInstance.h"
#include "ui/headless/HeadlessUi.h"

namespace fo::test {

// Settings kept in a map, so tests can look at what was stored.
class MapSettingsStore final : public SettingsStore {
public:
    std::string getSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& deflt) override {
        auto it = values.find(app + "|" + section + "|" + key);
        return it == values.end() ? deflt : it->second;
    }
    void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        values[app + "|" + section + "|" + key] = value;
    }
    std::map<std::string, std::string> values;
};

// An in-memory result set with the given field names and rows, standing on
// its first row.
inline RecordsetPtr makeSet(std::vector<std::string> fields, std::vector<std::vector<Value>> rows) {
    auto rs = std::make_shared<Recordset>();
    for (auto& f : fields) rs->appendField(f);
    rs->open();
    for (auto& row : rows) {
        rs->addNew();
        for (std::size_t i = 0; i < row.size(); ++i) rs->field(i) = row[i];
    }
    if (!rows.empty()) rs->moveFirst();
    return rs;
}

inline Value money(const char* text) { return Value(*Currency::parse(text)); }

// Every UI test runs on a fresh headless binding, a fresh settings store and
// an export folder of its own; windows left over are released afterwards.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui.install();
        ui.setExportFolder(dir.file("exports"));
        store = std::make_shared<MapSettingsStore>();
        globals().settingsStore = store;
    }
    void TearDown() override {
        ui.setModalRunner([](Form& f) { f.unload(); });
        FormInstances::releaseAll();
        globals().settingsStore.reset();
    }

    TempDir dir;
    HeadlessUi ui;
    std::shared_ptr<MapSettingsStore> store;
};

}  // namespace fo::test
