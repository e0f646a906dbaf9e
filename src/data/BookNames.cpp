#include "data/BookNames.h"

#include <algorithm>

namespace fo {
namespace {

std::string idText(const Value& id) { return std::to_string(id.toInt()); }

std::string nameOf(const RecordsetPtr& rs) { return rs->field("xh").toText() + " " + rs->field("xm").toText(); }

constexpr std::size_t kStudentsPerRead = 500;

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
    const std::string name = rs && !rs->eof() ? nameOf(rs) : id;
    return students_.emplace(id, name).first->second;
}

void BookNames::readStudents(const std::vector<std::string>& ids) {
    for (std::size_t from = 0; from < ids.size(); from += kStudentsPerRead) {
        const std::size_t to = std::min(ids.size(), from + kStudentsPerRead);
        SqlText sql("select id,xh,xm from kdw_xs where id in(");
        for (std::size_t i = from; i < to; ++i) sql.add(i > from ? "," : "").number(idText(Value(ids[i])));
        for (RecordsetPtr rs = PreparedStatements::run(prepared_, cn_, sql.add(")")); rs && !rs->eof(); rs->moveNext())
            students_.emplace(idText(rs->field("id")), nameOf(rs));
    }
}

}  // namespace fo
