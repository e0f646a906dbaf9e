#include "data/CashTotals.h"

#include "data/PgFeeSchema.h"
#include "data/PgServerRoles.h"
#include "db/Catalog.h"
#include "db/pg/PgEngine.h"
#include "db/pg/PgLink.h"

namespace fo {
namespace {

// A trigger's `n > 0` rule needs the key's row gone when it reaches 0: the
// index holds only such rows, so finding them costs nothing.
const char* const kTable = R"SQL(
create table fo_cash_totals (
  yf character varying(7) not null,
  userid int not null,
  subid int not null,
  prefix character varying(4) not null,
  sfxmid int not null,
  je money not null default 0,
  ysk money not null default 0,
  n int not null default 0,
  primary key (yf, userid, subid, prefix, sfxmid)
);
create index ix_fo_cash_totals_spent on fo_cash_totals(n) where n = 0;
)SQL";

bool onServer(Connection& cn) { return isPostgresLink(cn.connectionString()); }

// What stands for each of the three rows of a triple: an alias of the
// statement's own tables, or the trigger's new or old row.
struct Triple {
    std::string journal = "j", line = "l", item = "i";
};

// The key of a triple and its sums (negated by `sign` "-"), as the table's
// columns. A journal day's month is its text's first seven characters on
// SQLite; on the server the schema's left() of a date-time gives the same
// ("" for the -infinity that stands for an empty date).
std::string keyAndSums(bool server, const Triple& t, const std::string& sign = "") {
    const std::string day = t.journal + ".czrq";
    const std::string month = server ? "left(" + day + ",7)" : "substr(" + day + ",1,7)";
    return "coalesce(" + month + ",'') as yf,coalesce(" + t.journal + ".userID,0) as userid,coalesce(" + t.line +
           ".subid,0) as subid,coalesce(substr(" + t.journal + ".djbh,1,4),'') as prefix," + t.item +
           ".sfxmid as sfxmid,round(" + sign + "sum(" + t.item + ".je),4) as je,round(" + sign + "sum(" + t.item +
           ".ysk),4) as ysk," + sign + "count(*) as n";
}

const char* const kGroup = " group by 1,2,3,4,5";
const char* const kColumns = "insert into fo_cash_totals(yf,userid,subid,prefix,sfxmid,je,ysk,n) ";
const char* const kDropSpent = "delete from fo_cash_totals where n=0";

// The three tables of a triple, each with the columns a change of which
// moves its totals.
struct Part {
    const char* name;
    const char* table;
    const char* columns;
};
const Part kParts[] = {{"journal", "INandOutML", "id,czrq,userID,djbh"},
                       {"lines", "INandOut", "num,subid"},
                       {"items", "kdw_sfjlmx", "sfjlid,sfxmid,je,ysk"}};

// Adds (sign "") or takes off (sign "-") the triples `row` of `part` is
// part of, with the other two tables as they stand.
std::string contribution(bool server, const Part& part, const std::string& row, const std::string& sign) {
    Triple t;
    std::string from;
    const std::string table = part.table;
    if (table == "INandOutML") {
        t.journal = row;
        from = " from INandOut l inner join kdw_sfjlmx i on i.sfjlid=" + row + ".id where l.num=" + row + ".id";
    } else if (table == "INandOut") {
        t.line = row;
        from = " from INandOutML j inner join kdw_sfjlmx i on i.sfjlid=j.id where j.id=" + row + ".num";
    } else {
        t.item = row;
        from = " from INandOutML j inner join INandOut l on l.num=j.id where j.id=" + row + ".sfjlid";
    }
    // In key order: two sessions adding to the same keys on a server lock
    // their rows in the same order, never each waiting for the other.
    return kColumns + ("select " + keyAndSums(server, t, sign)) + from + kGroup + " order by 1,2,3,4,5" +
           " on conflict(yf,userid,subid,prefix,sfxmid) do update set je=round(fo_cash_totals.je+excluded.je,4),"
           "ysk=round(fo_cash_totals.ysk+excluded.ysk,4),n=fo_cash_totals.n+excluded.n";
}

std::string triggerName(const Part& part) { return std::string("fo_cash_totals_") + part.name; }

}  // namespace

const std::string& cashTotalsTableScript() {
    static const std::string script(kTable);
    return script;
}

const std::string& sqliteCashTotalsTriggers() {
    static const std::string script = [] {
        std::string out;
        for (const Part& p : kParts) {
            const std::string on = std::string(" on ") + p.table + " begin ", name = triggerName(p);
            out += "create trigger " + name + "_insert after insert" + on + contribution(false, p, "new", "") + "; end;\n";
            out += "create trigger " + name + "_delete after delete" + on + contribution(false, p, "old", "-") + "; " +
                   kDropSpent + "; end;\n";
            out += "create trigger " + name + "_update after update of " + p.columns + on +
                   contribution(false, p, "old", "-") + "; " + contribution(false, p, "new", "") + "; " + kDropSpent +
                   "; end;\n";
        }
        return out;
    }();
    return script;
}

void createPgCashTotalsTriggers(Connection& cn) {
    const std::string path = std::string(PgEngine::FeeSchema) + ", pg_catalog";
    for (const Part& p : kParts) {
        const std::string name = triggerName(p);
        const std::string body = "begin\n"
                                 "  if tg_op <> 'INSERT' then " + contribution(true, p, "old", "-") + "; end if;\n"
                                 "  if tg_op <> 'DELETE' then " + contribution(true, p, "new", "") + "; end if;\n"
                                 "  if tg_op <> 'INSERT' then " + kDropSpent + "; end if;\n"
                                 "  return null;\nend";
        cn.execute("create or replace function " + name + "() returns trigger language plpgsql security definer "
                   "set search_path = " + path + " as " + pgBodyLiteral(body));
        cn.execute("drop trigger if exists " + name + " on " + p.table);
        cn.execute("create trigger " + name + " after insert or delete or update of " + p.columns + " on " + p.table +
                   " for each row execute function " + name + "()");
    }
}

void dropCashTotalsTriggers(Connection& cn) {
    const bool server = onServer(cn);
    for (const Part& p : kParts) {
        if (server) cn.execute("drop trigger if exists " + triggerName(p) + " on " + p.table);
        else
            for (const char* change : {"_insert", "_delete", "_update"})
                cn.execute("drop trigger if exists " + triggerName(p) + change);
    }
}

std::string journalCashTotalsQuery(Connection& cn) {
    return "select " + keyAndSums(onServer(cn), Triple{}) +
           " from INandOutML j inner join INandOut l on l.num=j.id inner join kdw_sfjlmx i on i.sfjlid=j.id" + kGroup;
}

void keepCashTotals(Connection& cn) {
    const bool server = onServer(cn);
    if (!tableExists(cn, kCashTotalsTable)) cn.execute(server ? pgFeeTablesScript(kTable) : std::string(kTable));
    dropCashTotalsTriggers(cn);
    if (server) {
        createPgCashTotalsTriggers(cn);
        grantPgReadOnlyTable(cn, kCashTotalsTable);
    } else {
        cn.execute(sqliteCashTotalsTriggers());
    }
    cn.execute(std::string("delete from ") + kCashTotalsTable);
    cn.execute(kColumns + journalCashTotalsQuery(cn));
}

}  // namespace fo
