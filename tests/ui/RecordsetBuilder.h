#pragma once
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "db/Recordset.h"
#include "db/values/Value.h"

namespace fo::test {

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

}  // namespace fo::test
