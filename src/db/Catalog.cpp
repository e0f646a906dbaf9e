#include "db/Catalog.h"

#include "db/sql/SqlQuoting.h"
#include "db/pg/PgLink.h"

namespace fo {
namespace {

std::vector<std::string> firstColumn(Connection& cn, const std::string& sql) {
    std::vector<std::string> out;
    for (RecordsetPtr rs = cn.execute(sql); rs && !rs->eof(); rs->moveNext())
        out.push_back(rs->field(std::size_t{0}).toText());
    return out;
}

bool onPostgres(Connection& cn) { return isPostgresLink(cn.connectionString()); }

}  // namespace

std::vector<std::string> tableNames(Connection& cn) {
    if (onPostgres(cn))
        return firstColumn(cn, "select c.relname from pg_catalog.pg_class c "
                               "where c.relkind in ('r','p') and c.relnamespace = current_schema()::regnamespace "
                               "order by c.relname");
    return firstColumn(cn, "select name from sqlite_master where type='table' and name not like 'sqlite\\_%' "
                           "escape '\\' order by name");
}

std::vector<std::string> columnNames(Connection& cn, const std::string& table) {
    if (onPostgres(cn))
        return firstColumn(cn, "select a.attname from pg_catalog.pg_attribute a "
                               "where a.attrelid = to_regclass(" + quotedLiteral(table) + ") "
                               "and a.attnum > 0 and not a.attisdropped order by a.attnum");
    return firstColumn(cn, "select name from pragma_table_info(" + quotedLiteral(table) + ") order by cid");
}

bool tableExists(Connection& cn, const std::string& name) {
    if (onPostgres(cn))
        return !firstColumn(cn, "select 1 where to_regclass(" + quotedLiteral(name) + ") is not null").empty();
    return !firstColumn(cn, "select 1 from sqlite_master where type in ('table','view') and lower(name)=lower(" +
                                quotedLiteral(name) + ") union all select 1 from sqlite_temp_master "
                                "where type='table' and lower(name)=lower(" + quotedLiteral(name) + ")").empty();
}

}  // namespace fo
