#include "data/BookNames.h"

namespace fo {
namespace {

std::string idText(const Value& id) { return std::to_string(id.toInt()); }

}  // namespace

std::string BookNames::item(const Value& sfxmid) {
    if (!itemsRead_) {
        for (RecordsetPtr rs = cn_.execute("select id,mc from kdw_sfxm"); rs && !rs->eof(); rs->moveNext())
            items_[idText(rs->field("id"))] = rs->field("mc").toText();
        itemsRead_ = true;
    }
    const auto it = items_.find(idText(sfxmid));
    return it == items_.end() ? idText(sfxmid) : it->second;
}

std::string BookNames::student(const Value& xsid) {
    const std::string id = idText(xsid);
    auto it = students_.find(id);
    if (it != students_.end()) return it->second;
    RecordsetPtr rs = PreparedStatements::run(prepared_, cn_, SqlText("select xh,xm from kdw_xs where id=").number(id));
    const std::string name = rs && !rs->eof() ? rs->field("xh").toText() + " " + rs->field("xm").toText() : id;
    return students_.emplace(id, name).first->second;
}

}  // namespace fo
