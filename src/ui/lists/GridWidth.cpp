#include "db/values/Currency.h"
#include "db/values/Value.h"
#include "ui/controls/ListView.h"
#include "ui/UiServices.h"
#include "ui/lists/mdl1.h"

namespace fo {

namespace {
constexpr int ModuleDefaultWidth = 1000;
}

int wholeNumber(const std::string& text) {
    const Currency c = leadingNumber(text).roundHalfEven(0);
    return static_cast<int>(c.raw() / Currency::Scale);
}

void getGridWidth(const std::string& frmName, ListView& lvw) {
    SettingsStore& store = ui().settingsStore();
    const std::string section = frmName + lvw.name();
    for (int i = 1; i <= lvw.columnCountOf(); ++i) {
        const int w = wholeNumber(store.getSetting("tavro", section, "k" + std::to_string(i)));
        lvw.setColumnWidth(i - 1, w < 1 ? ModuleDefaultWidth : w);
    }
}

void saveFirstGridWidths(const std::string& frmName, ListView& lvw, int (*designWidth)(const std::string& caption)) {
    SettingsStore& store = ui().settingsStore();
    const std::string section = frmName + lvw.name();
    for (int i = 1; i <= lvw.columnCountOf(); ++i) {
        const std::string key = "k" + std::to_string(i);
        if (!store.getSetting("tavro", section, key).empty()) continue;
        if (const int design = designWidth(lvw.column(i).text); design > 0)
            store.saveSetting("tavro", section, key, std::to_string(design));
    }
}

void setGridWidth(const std::string& frmName, ListView& lvw) {
    SettingsStore& store = ui().settingsStore();
    const std::string section = frmName + lvw.name();
    for (int i = 1; i <= lvw.columnCountOf(); ++i) {
        const int w = lvw.column(i).width;
        store.saveSetting("tavro", section, "k" + std::to_string(i), std::to_string(w < 0 ? ModuleDefaultWidth : w));
    }
}

}  // namespace fo
