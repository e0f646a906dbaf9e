#include "host/Operators.h"

#include <algorithm>

#include "host/SqlText.h"

namespace fo {

void Operators::ensureBuiltIns() {
    if (find(BuiltInId)) return;
    add(Operator{BuiltInId, BuiltInName, true});
}

std::optional<Operator> Operators::find(int id) const {
    auto rs = cn_.execute("select id,name,admin from sys_user where id=" + std::to_string(id));
    if (!rs || rs->eof()) return std::nullopt;
    return Operator{static_cast<int>(rs->field(0).toInt()), rs->field(1).toText(),
                    rs->field(2).toInt() != 0};
}

void Operators::add(const Operator& op) {
    cn_.execute("insert into sys_user(id,name,password,admin) values(" + std::to_string(op.id) + "," +
                sqlLiteral(op.name) + ",''," + (op.admin ? "1" : "0") + ")");
}

void Operators::setRight(int userId, const std::string& rightCode, int level) {
    const std::string user = std::to_string(userId);
    cn_.execute("insert or replace into sys_user_right(userid,rightcode,level) values(" + user + "," +
                sqlLiteral(rightCode) + "," + std::to_string(std::clamp(level, 0, FullRight)) + ")");
}

void Operators::allowCategory(int userId, int categoryId) {
    const std::string user = std::to_string(userId), category = std::to_string(categoryId);
    cn_.execute("insert or ignore into sys_user_xslb(userid,xslbid) values(" + user + "," + category + ")");
}

int Operators::rightLevel(int userId, const std::string& rightCode) const {
    auto op = find(userId);
    if (!op) return 0;
    if (op->admin) return FullRight;
    auto rs = cn_.execute("select level from sys_user_right where userid=" + std::to_string(userId) +
                          " and rightcode=" + sqlLiteral(rightCode));
    if (!rs || rs->eof()) return 0;
    return static_cast<int>(std::clamp<std::int64_t>(rs->field(0).toInt(), 0, FullRight));
}

std::string Operators::joinIds(const std::string& sql) const {
    std::string ids;
    auto rs = cn_.execute(sql);
    for (; rs && !rs->eof(); rs->moveNext()) {
        if (!ids.empty()) ids += ',';
        ids += std::to_string(rs->field(0).toInt());
    }
    return ids;
}

std::string Operators::categoryIds(int userId) const {
    if (userId == BuiltInId) return joinIds("select id from kdw_xslx where parentid=0 order by id");
    return joinIds("select xslbid from sys_user_xslb where userid=" + std::to_string(userId) +
                   " order by xslbid");
}

std::string Operators::categoryCondition(int userId, const std::string& column) const {
    if (userId == BuiltInId) return {};
    std::string ids = categoryIds(userId);
    return " and " + column + " in(" + (ids.empty() ? std::string("-1") : ids) + ")";
}

}  // namespace fo
