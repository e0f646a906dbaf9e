#include "data/PasswordUpgrade.h"

#include <string>
#include <utility>
#include <vector>

#include "data/FeeSchema.h"
#include "data/PasswordHash.h"
#include "db/DbError.h"
#include "db/TextCase.h"

namespace fo {
namespace {

bool hasColumn(Connection& cn, const std::string& table, const std::string& column) {
    RecordsetPtr rs = cn.execute("select * from " + table + " where 1=0");
    for (std::size_t i = 0; rs && i < rs->fieldCount(); ++i)
        if (equalsIgnoreCase(rs->fieldInfo(i).name, column)) return true;
    return false;
}

bool hasTable(Connection& cn, const std::string& table) {
    try {
        cn.execute("select 1 from " + table + " where 1=0");
        return true;
    } catch (const DbError&) {
        return false;
    }
}

std::string literal(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

}  // namespace

void upgradeOperatorPasswords(Connection& cn) {
    if (hasColumn(cn, "sys_user", "password")) {
        const std::pair<const char*, const char*> added[] = {
            {"pwhash", "varchar(255) not null default ''"}, {"disabled", "int not null default 0"},
            {"mustsetpw", "int not null default 1"},        {"failures", "int not null default 0"},
            {"lastfailure", "datetime"}};
        for (const auto& [column, type] : added)
            if (!hasColumn(cn, "sys_user", column))
                cn.execute(std::string("alter table sys_user add column ") + column + " " + type);
        std::vector<std::pair<std::string, std::string>> clear;  // id, password
        for (RecordsetPtr rs = cn.execute("select id,password from sys_user where password is not null and password<>''");
             rs && !rs->eof(); rs->moveNext())
            clear.emplace_back(rs->field(std::size_t{0}).toText(), rs->field(1).toText());
        for (const auto& [id, text] : clear)
            cn.execute("update sys_user set pwhash=" + literal(password::hash(text)) + " where id=" + id);
        cn.execute("update sys_user set mustsetpw=1");
        cn.execute("alter table sys_user drop column password");
    }
    if (!hasTable(cn, "sys_log")) {
        cn.execute(auditLogSchemaScript());
    }
}

}  // namespace fo
