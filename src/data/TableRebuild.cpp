#include "data/TableRebuild.h"

#include <algorithm>

#include "data/Dialect.h"
#include "data/FeeSchema.h"
#include "db/Catalog.h"
#include "db/sql/SqlQuoting.h"
#include "db/values/TextCase.h"

namespace fo {
namespace {

// What a date column of `column` is filled with: its text as it stands, and
// a number that SQLite's date functions read as a date of years 0000-9999
// (a Julian day number) as that date's text, a whole day without its time.
std::string dateText(const std::string& column) {
    const std::string c = quotedIdentifier(column);
    return "case when typeof(" + c + ") in('integer','real') and datetime(" + c +
           ") glob '[0-9][0-9][0-9][0-9]-*' then case time(" + c + ") when '00:00:00' then date(" + c +
           ") else datetime(" + c + ") end else " + c + " end";
}

// The new table counts its keys on from the highest the old one ever gave,
// which may lie above the highest it still holds.
void keepCounting(Connection& cn, const std::string& table, const std::string& old) {
    RecordsetPtr rs = cn.execute("select count(*) from sqlite_master where name='sqlite_sequence'");
    if (rs->field(std::size_t{0}).toInt() == 0) return;
    cn.execute("delete from sqlite_sequence where name=" + sqlQuoted(table) +
               " and seq<=(select seq from sqlite_sequence where name=" + sqlQuoted(old) + ")");
    cn.execute("update sqlite_sequence set name=" + sqlQuoted(table) + " where name=" + sqlQuoted(old) +
               " and not exists(select 1 from sqlite_sequence where name=" + sqlQuoted(table) + ")");
}

}  // namespace

void copyKeptColumns(Connection& cn, const std::string& table, const std::vector<std::string>& oldColumns,
                     const std::string& from) {
    std::string names, values;
    for (RecordsetPtr rs = cn.execute("select name,type from pragma_table_info(" + sqlQuoted(table) + ") order by cid");
         !rs->eof(); rs->moveNext()) {
        const std::string column = rs->field(std::size_t{0}).toText();
        if (std::none_of(oldColumns.begin(), oldColumns.end(),
                         [&](const std::string& old) { return equalsIgnoreCase(old, column); }))
            continue;
        const bool date = equalsIgnoreCase(rs->field(1).toText(), kDateColumnType);
        names += (names.empty() ? "" : ",") + quotedIdentifier(column);
        values += (values.empty() ? "" : ",") + (date ? dateText(column) : quotedIdentifier(column));
    }
    if (!names.empty()) cn.execute("insert into " + table + "(" + names + ") select " + values + " from " + from);
}

void rebuildTables(Connection& cn, const std::vector<RebuiltTable>& tables) {
    if (tables.empty()) return;
    std::string names;  // 'pjml','kdw_sfjl',...
    for (const RebuiltTable& table : tables) names += (names.empty() ? "" : ",") + sqlQuoted(lowerAscii(table.name));
    std::vector<std::string> putBack;
    for (RecordsetPtr rs = cn.execute("select type,name,sql from sqlite_master where sql is not null and "
                                      "(type in('view','trigger') or (type='index' and lower(tbl_name) in(" + names +
                                      "))) order by case type when 'index' then 0 when 'view' then 1 else 2 end,rowid");
         !rs->eof(); rs->moveNext()) {
        cn.execute("drop " + rs->field(std::size_t{0}).toText() + " " + quotedIdentifier(rs->field(1).toText()));
        putBack.push_back(rs->field(2).toText());
    }
    for (const RebuiltTable& table : tables) {
        const std::string old = "fo_old_" + table.name;
        const std::vector<std::string> oldColumns = columnNames(cn, table.name);
        cn.execute("alter table " + table.name + " rename to " + old);
        cn.execute(table.statement);
        copyKeptColumns(cn, table.name, oldColumns, old + " order by " + table.order);
        keepCounting(cn, table.name, old);
        cn.execute("drop table " + old);
    }
    for (const std::string& statement : putBack) cn.execute(statement);
}

}  // namespace fo
