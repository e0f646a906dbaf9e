#include "data/DatesAsText.h"

#include <regex>

#include "data/Dialect.h"
#include "data/FeeSchema.h"
#include "data/TableRebuild.h"
#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "db/values/TextCase.h"

namespace fo {
namespace {

// A table of the fee schema with date columns still declared datetime.
struct DatedTable {
    std::string name;
    std::string statement;  // as stored
    std::vector<std::string> columns;  // declared datetime
    std::int64_t columnCount = 0;      // all of them
};

std::vector<DatedTable> tablesWithNumericDates(Connection& cn, const std::vector<std::string>& tables) {
    std::string names;
    for (const std::string& table : tables) names += (names.empty() ? "" : ",") + sqlQuoted(lowerAscii(table));
    std::vector<DatedTable> found;
    for (RecordsetPtr rs = cn.execute("select m.name,m.sql,c.name,(select count(*) from pragma_table_info(m.name)) "
                                      "from sqlite_master as m,pragma_table_info(m.name) as c where m.type='table' "
                                      "and lower(m.name) in(" + names + ") and lower(c.type)='datetime' "
                                      "order by m.name,c.cid");
         !rs->eof(); rs->moveNext()) {
        const std::string name = rs->field(std::size_t{0}).toText();
        if (found.empty() || found.back().name != name)
            found.push_back({name, rs->field(1).toText(), {}, rs->field(3).toInt()});
        found.back().columns.push_back(rs->field(2).toText());
    }
    return found;
}

std::string regexEscaped(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

// The table's stored statement with each of its datetime columns declared
// kDateColumnType: the type that follows the column's name where its
// definition begins (after the opening parenthesis or a comma).
std::string withDatesAsText(const DatedTable& table) {
    std::string statement = table.statement;
    for (const std::string& column : table.columns) {
        const std::string name = regexEscaped(column);
        const std::regex declared("([(,]\\s*(?:" + name + "|\"" + name + "\"|`" + name + "`|\\[" + name +
                                      "\\])\\s+)datetime\\b",
                                  std::regex::icase);
        std::smatch found;
        if (!std::regex_search(statement, found, declared))
            throw DbError(DbErrorKind::Other, 0,
                          "费用数据库中表“" + table.name + "”的结构无法识别，数据库没有升级，保持原样。请让管理员检查该表。",
                          "cannot find the declaration of " + table.name + "." + column + " in: " + table.statement);
        statement = found.prefix().str() + found[1].str() + kDateColumnType + found.suffix().str();
    }
    return statement;
}

// True when every date column of the table holds text or nothing.
bool holdsOnlyText(Connection& cn, const DatedTable& table) {
    std::string other;
    for (const std::string& column : table.columns)
        other += (other.empty() ? "" : " or ") + ("typeof(\"" + column + "\") not in('text','null')");
    return cn.execute("select 1 from " + table.name + " where " + other + " limit 1")->eof();
}

// Schema editing on while it lives: off again, with the schema read anew,
// however the edit ends.
class SchemaEditing {
public:
    explicit SchemaEditing(Connection& cn) : cn_(cn) { cn_.execute("pragma writable_schema=on"); }
    ~SchemaEditing() {
        try {
            cn_.execute("pragma writable_schema=reset");
        } catch (...) {
            // Nothing can be reported from a destructor; the transaction
            // this runs in is rolled back on the way out anyway.
        }
    }
    SchemaEditing(const SchemaEditing&) = delete;
    SchemaEditing& operator=(const SchemaEditing&) = delete;

private:
    Connection& cn_;
};

// The declared types changed in the stored statements: allowed since every
// stored date is text, which the new affinity keeps as it is, in the table
// and in its indexes alike. The engine never sets SQLite's defensive flag,
// which would refuse the edit. Raising the schema's version makes every
// other session read the schema again before its next statement; this one
// reads it again when editing ends.
void declareInPlace(Connection& cn, const std::vector<DatedTable>& tables) {
    if (tables.empty()) return;
    std::vector<std::string> statements;
    for (const DatedTable& table : tables) statements.push_back(withDatesAsText(table));
    const std::int64_t version = cn.execute("pragma schema_version")->field(std::size_t{0}).toInt();
    {
        SchemaEditing editing(cn);
        for (std::size_t i = 0; i < tables.size(); ++i)
            cn.execute("update sqlite_master set sql=" + sqlQuoted(statements[i]) +
                       " where type='table' and name=" + sqlQuoted(tables[i].name));
        cn.execute("pragma schema_version=" + std::to_string(version + 1));
    }
    // Read back as SQLite now reads them: the same columns, none left
    // declared datetime.
    for (const DatedTable& table : tables) {
        RecordsetPtr rs = cn.execute("select count(*),ifnull(sum(lower(type)='datetime'),0) from pragma_table_info(" +
                                     sqlQuoted(table.name) + ")");
        if (rs->field(std::size_t{0}).toInt() != table.columnCount || rs->field(1).toInt() != 0)
            throw DbError(DbErrorKind::Other, 0,
                          "费用数据库中表“" + table.name + "”的结构升级失败，数据库没有升级，保持原样。",
                          "the edited statement of " + table.name + " reads back otherwise");
    }
}

}  // namespace

void declareDatesAsText(Connection& cn, const std::vector<std::string>& tables) {
    if (isPostgresLink(cn.connectionString())) return;
    std::vector<RebuiltTable> rebuilt;
    for (const DatedTable& table : tablesWithNumericDates(cn, tables))
        if (!holdsOnlyText(cn, table)) rebuilt.push_back({table.name, withDatesAsText(table), "rowid"});
    rebuildTables(cn, rebuilt);
    // The rest, read again: what the rebuild did is behind them.
    declareInPlace(cn, tablesWithNumericDates(cn, tables));
}

}  // namespace fo
