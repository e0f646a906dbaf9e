#include "host/operators/Operators.h"

#include <algorithm>

#include "data/PasswordHash.h"
#include "data/PgServerRoles.h"
#include "db/pg/PgLink.h"
#include "host/database/SqlText.h"

namespace fo {
namespace {

const char* const kColumns = "select id,name,admin,disabled,pwhash,mustsetpw from sys_user";

Operator operatorOf(Recordset& rs) {
    Operator op;
    op.id = static_cast<int>(rs.field(std::size_t{0}).toInt());
    op.name = rs.field(1).toText();
    op.admin = rs.field(2).toInt() != 0;
    op.disabled = rs.field(3).toInt() != 0;
    op.hasPassword = !rs.field(4).toText().empty();
    op.mustSetPassword = rs.field(5).toInt() != 0;
    return op;
}

// What sys_user.pwhash holds on a server, where the server itself keeps the
// password (as its SCRAM verifier): only that there is one.
const char* const kServerKeepsIt = "*";

// Blanks around a name are no part of it.
std::string trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

}  // namespace

const std::vector<RightCode>& Operators::rightCatalogue() { return rights::catalogue(); }

void Operators::ensureBuiltIns() {
    // Only a new database gets its administrator this way: one that has
    // never had an operator nor logged anything. An office whose built-in
    // operator's row went missing never gets a passwordless administrator
    // back, whoever signs in first.
    if (count("select count(*) from sys_user") > 0 || count("select count(*) from sys_log") > 0) return;
    add(Operator{BuiltInId, BuiltInName, true});
}

std::optional<Operator> Operators::find(int id) const {
    auto rs = cn_.execute(std::string(kColumns) + " where id=" + std::to_string(id));
    if (!rs || rs->eof()) return std::nullopt;
    return operatorOf(*rs);
}

std::vector<Operator> Operators::list() const {
    std::vector<Operator> all;
    for (auto rs = cn_.execute(std::string(kColumns) + " order by id"); rs && !rs->eof(); rs->moveNext())
        all.push_back(operatorOf(*rs));
    return all;
}

void Operators::add(const Operator& op) {
    cn_.execute("insert into sys_user(id,name,pwhash,admin,disabled,mustsetpw) values(" + std::to_string(op.id) + "," +
                sqlLiteral(op.name) + ",''," + (op.admin ? "1" : "0") + "," + (op.disabled ? "1" : "0") + ",1)");
    if (onServer()) {
        createPgOperatorRole(cn_, op.id, op.admin);
        if (op.disabled) setPgOperatorDisabled(cn_, op.id, true);
    }
}

bool Operators::onServer() const { return isPostgresLink(cn_.connectionString()); }

int Operators::addNew(const std::string& name, bool admin) {
    const std::string clean = trimmed(name);
    checkName(0, clean);
    const int id = static_cast<int>(count("select max(id) from sys_user")) + 1;
    add(Operator{id, clean, admin});
    return id;
}

void Operators::rename(int id, const std::string& name) {
    require(id);
    const std::string clean = trimmed(name);
    checkName(id, clean);
    cn_.execute("update sys_user set name=" + sqlLiteral(clean) + " where id=" + std::to_string(id));
}

void Operators::setAdmin(int id, bool admin) {
    const Operator op = require(id);
    if (op.admin == admin) return;
    if (!admin) {
        if (id == BuiltInId) throw OperatorRefusal("系统管理员始终是管理员。");
        keepAnAdministrator(id);
    }
    cn_.execute("update sys_user set admin=" + std::string(admin ? "1" : "0") + " where id=" + std::to_string(id));
    if (onServer()) setPgOperatorAdmin(cn_, id, admin);
}

void Operators::setDisabled(int id, bool disabled) {
    const Operator op = require(id);
    if (op.disabled == disabled) return;
    if (disabled && op.admin) keepAnAdministrator(id);
    cn_.execute("update sys_user set disabled=" + std::string(disabled ? "1" : "0") + " where id=" + std::to_string(id));
    if (onServer()) setPgOperatorDisabled(cn_, id, disabled);
}

bool Operators::hasPostings(int id) const {
    const std::string user = std::to_string(id);
    return count("select count(*) from kdw_sfjl where operid=" + user) > 0 ||
           count("select count(*) from PJML where useridZfr=" + user) > 0 ||
           count("select count(*) from qfhzb where userid=" + user) > 0;
}

void Operators::remove(int id) {
    const Operator op = require(id);
    if (id == BuiltInId) throw OperatorRefusal("系统管理员不能删除。");
    if (hasPostings(id)) throw OperatorRefusal("操作员“" + op.name + "”已有业务记录，不能删除，只能停用。");
    if (op.admin && !op.disabled) keepAnAdministrator(id);
    const std::string user = std::to_string(id);
    cn_.execute("delete from sys_user_right where userid=" + user);
    cn_.execute("delete from sys_user_xslb where userid=" + user);
    cn_.execute("delete from sys_user where id=" + user);
    if (onServer()) dropPgOperatorRole(cn_, id);
}

void Operators::setPassword(int id, const std::string& clear, bool mustChange) {
    require(id);
    // A server keeps its own verifier: no hash is made for it.
    setGivenPassword(id, clear, onServer() ? std::string() : password::hash(clear), mustChange);
}

void Operators::setPasswordHash(int id, const std::string& hash, bool mustChange) {
    cn_.execute("update sys_user set pwhash=" + sqlLiteral(hash) + ",mustsetpw=" + (mustChange ? "1" : "0") +
                ",failures=0,lastfailure=null,pending=0 where id=" + std::to_string(id));
}

void Operators::setGivenPassword(int id, const std::string& clear, const std::string& hash, bool mustChange) {
    if (!onServer()) {
        setPasswordHash(id, hash, mustChange);
        return;
    }
    setPgOperatorPassword(cn_, id, clear);
    setPasswordHash(id, kServerKeepsIt, mustChange);
}

std::string Operators::passwordHash(int id) const {
    auto rs = cn_.execute("select pwhash from sys_user where id=" + std::to_string(id));
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toText() : std::string();
}

void Operators::setRight(int userId, const std::string& rightCode, int level) {
    const std::string user = std::to_string(userId), code = sqlLiteral(rightCode);
    cn_.execute("delete from sys_user_right where userid=" + user + " and rightcode=" + code);
    cn_.execute("insert into sys_user_right(userid,rightcode,level) values(" + user + "," + code + "," +
                std::to_string(std::clamp(level, 0, FullRight)) + ")");
    // On a server the right is his role's membership too, which the server enforces.
    if (onServer()) setPgOperatorRight(cn_, userId, rightCode, std::clamp(level, 0, FullRight));
}

void Operators::allowCategory(int userId, int categoryId) {
    const std::string user = std::to_string(userId), category = std::to_string(categoryId);
    if (count("select count(*) from sys_user_xslb where userid=" + user + " and xslbid=" + category) > 0) return;
    cn_.execute("insert into sys_user_xslb(userid,xslbid) values(" + user + "," + category + ")");
}

void Operators::setCategories(int userId, const std::vector<int>& categoryIds) {
    cn_.execute("delete from sys_user_xslb where userid=" + std::to_string(userId));
    for (int category : categoryIds) allowCategory(userId, category);
}

std::vector<std::pair<int, std::string>> Operators::firstLevelCategories() const {
    std::vector<std::pair<int, std::string>> categories;
    for (auto rs = cn_.execute("select id,mc from kdw_xslx where parentid=0 order by id"); rs && !rs->eof();
         rs->moveNext())
        categories.emplace_back(static_cast<int>(rs->field(std::size_t{0}).toInt()), rs->field(1).toText());
    return categories;
}

int Operators::rightLevel(int userId, const std::string& rightCode) const {
    auto op = find(userId);
    if (!op) return 0;
    if (op->admin) return FullRight;
    return storedRight(userId, rightCode);
}

int Operators::storedRight(int userId, const std::string& rightCode) const {
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

long Operators::count(const std::string& sql) const {
    auto rs = cn_.execute(sql);
    return rs && !rs->eof() ? static_cast<long>(rs->field(std::size_t{0}).toInt()) : 0;
}

Operator Operators::require(int id) const {
    auto op = find(id);
    if (!op) throw OperatorRefusal("没有编号为 " + std::to_string(id) + " 的操作员。");
    return *op;
}

void Operators::checkName(int id, const std::string& name) const {
    if (name.empty()) throw OperatorRefusal("请输入操作员姓名。");
    if (name.size() > 50) throw OperatorRefusal("操作员姓名太长。");
    if (count("select count(*) from sys_user where name=" + sqlLiteral(name) + " and id<>" + std::to_string(id)) > 0)
        throw OperatorRefusal("已有名为“" + name + "”的操作员。");
}

void Operators::keepAnAdministrator(int id) const {
    if (count("select count(*) from sys_user where admin=1 and disabled=0 and id<>" + std::to_string(id)) == 0)
        throw OperatorRefusal("至少要保留一位可以登录的管理员。");
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
