#pragma once
#include <string>

#include "db/Connection.h"
#include "host/api/MessageService.h"
#include "host/operators/Operators.h"
#include "ui/controls/ListView.h"

// What the set-up windows share: list keys, the refusal box, and the
// administrator's right, asked afresh (at the window and inside each
// posting's transaction).
namespace fo::setupwindow {

inline std::string keyOf(int id) { return "k" + std::to_string(id); }

inline int idOfKey(const std::string& key) {
    try {
        return key.size() > 1 ? std::stoi(key.substr(1)) : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

inline int selectedId(const ListView& list) {
    const ListItem* item = list.selectedItem();
    return item ? idOfKey(item->key()) : 0;
}

inline void refuse(const std::string& text) { msgBox(text, MsgButtons::OK, MsgIcon::Exclamation, "警告！"); }

inline bool isAdministrator(Connection& cn, int id) {
    const auto op = Operators(cn).find(id);
    return op && op->admin && !op->disabled;
}

}  // namespace fo::setupwindow
