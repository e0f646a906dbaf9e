#include "data/FeeDatabase.h"

#include <cstdio>
#include <functional>
#include <regex>
#include <stdexcept>
#include <vector>

#include "data/CashTotals.h"
#include "data/DatesAsText.h"
#include "data/Dialect.h"
#include "data/FeeSchema.h"
#include "data/FeeStatistics.h"
#include "data/PasswordHash.h"
#include "data/PgFeeSchema.h"
#include "data/PgServerRoles.h"
#include "data/TableRebuild.h"
#include "db/Catalog.h"
#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "db/values/TextCase.h"

namespace fo {
namespace {

// A step that brings a stamped schema from version `from` to from + 1, run
// inside the upgrade's transaction. A new schema version appends its step
// here and raises kFeeSchemaVersion; the stamp is written after the last.
struct UpgradeStep {
    int from;
    std::function<void(Connection&)> apply;
};

const char* const kNotADatabase = "它不是数据库文件。";

DbError notFee(const std::string& name, const std::string& whatItIs) {
    return DbError(DbErrorKind::NotFeeDatabase, dberr::NotFeeDatabase,
                   "“" + name + "”不是费用数据库：" + whatItIs + "本程序没有改动它。请打开正确的费用数据库文件。",
                   "not a fee database: " + name + " (" + whatItIs + ")");
}

// One row of fo_schema, or nothing when the table is not there.
struct SchemaRow {
    bool present = false;
    std::string app;
    int version = 0;
};

SchemaRow readSchemaRow(Connection& cn) {
    SchemaRow row;
    RecordsetPtr rs;
    try {
        rs = cn.execute("select app,version from fo_schema");
    } catch (const DbError& e) {
        if (e.kind() != DbErrorKind::Other) throw;  // busy, unreadable: not an answer
        return row;
    }
    row.present = true;
    if (rs && !rs->eof()) {
        row.app = rs->field(std::size_t{0}).toText();
        row.version = static_cast<int>(rs->field(std::size_t{1}).toInt());
    }
    return row;
}

// True when the tables a fee database of the first releases always had are
// all there.
bool hasFeeTables(Connection& cn) {
    try {
        cn.execute("select 1 from kdw_sfjl,kdw_sfjlmx,qfhzb,qfmxb,kdw_xs,PJML,ajzrq where 1=0");
        return true;
    } catch (const DbError& e) {
        if (e.kind() != DbErrorKind::Other) throw;
        return false;
    }
}

int versionOf(Connection& cn, const std::string& name) {
    EngineStamp stamp;
    try {
        stamp = cn.readEngineStamp();
    } catch (const DbError& e) {
        if (e.kind() == DbErrorKind::NotFeeDatabase) throw notFee(name, kNotADatabase);
        throw;
    }
    if (stamp.hasStamp && stamp.empty) throw notFee(name, "它是一个空文件，里面没有任何数据。");
    if (stamp.hasStamp && stamp.applicationId != 0 && stamp.applicationId != kFeeApplicationId) {
        char id[16];
        std::snprintf(id, sizeof id, "%08X", static_cast<unsigned>(stamp.applicationId));
        throw notFee(name, std::string("它是另一个程序的数据库（应用标识 0x") + id + "）。");
    }
    const SchemaRow row = readSchemaRow(cn);
    if (row.present) {
        if (!equalsIgnoreCase(row.app, kFeeApp) || row.version <= 0)
            throw notFee(name, "它是一个数据库，但不是本程序建立的费用数据库。");
        return row.version;
    }
    // The first releases wrote no stamp: their fee tables are what tells.
    // (Only on the embedded engine: a server database always had the row.)
    if (stamp.hasStamp && stamp.applicationId == 0 && stamp.version == 0 && hasFeeTables(cn)) return 0;
    throw notFee(name, "它是一个数据库，但其中没有费用数据表。");
}

// The names `kind` ("table", "view", "index") the schema script creates.
std::vector<std::string> createdNames(const std::string& kind) {
    std::vector<std::string> names;
    const std::regex create("create\\s+" + kind + "\\s+(\\w+)", std::regex::icase);
    const std::string& script = feeSchemaScript();
    for (std::sregex_iterator it(script.begin(), script.end(), create), end; it != end; ++it)
        names.push_back((*it)[1].str());
    return names;
}

bool hasTable(Connection& cn, const std::string& table) {
    try {
        cn.execute("select 1 from " + table + " where 1=0");
        return true;
    } catch (const DbError& e) {
        if (e.kind() != DbErrorKind::Other) throw;
        return false;
    }
}

// Version 2: operators' passwords only as hashes, and the audit log. Earlier
// releases kept passwords in clear (sys_user.password): each one set there
// is hashed, the clear column goes, and every operator chooses a new
// password at his next sign-in (one who had none sets his first).
void hashOperatorPasswords(Connection& cn) {
    const auto has = [&cn](const std::string& column) {
        for (const std::string& name : columnNames(cn, "sys_user"))
            if (equalsIgnoreCase(name, column)) return true;
        return false;
    };
    if (has("password")) {
        const std::pair<const char*, const char*> added[] = {
            {"pwhash", "varchar(255) not null default ''"}, {"disabled", "int not null default 0"},
            {"mustsetpw", "int not null default 1"},        {"failures", "int not null default 0"},
            {"lastfailure", "datetime"}};
        for (const auto& [column, type] : added)
            if (!has(column)) cn.execute(std::string("alter table sys_user add column ") + column + " " + type);
        std::vector<std::pair<std::string, std::string>> clear;  // id, password
        for (RecordsetPtr rs = cn.execute("select id,password from sys_user where password<>''"); rs && !rs->eof();
             rs->moveNext())
            clear.emplace_back(rs->field(std::size_t{0}).toText(), rs->field(1).toText());
        for (const auto& [id, text] : clear)
            cn.execute("update sys_user set pwhash='" + sqlQuote(password::hash(text)) + "' where id=" + id);
        cn.execute("update sys_user set mustsetpw=1");
        cn.execute("alter table sys_user drop column password");
    }
    // Asked of the catalogue: a failed statement would end a server's
    // transaction.
    if (!tableExists(cn, "sys_log"))
        cn.execute(isPostgresLink(cn.connectionString()) ? pgFeeTablesScript(auditLogSchemaScript())
                                                         : auditLogSchemaScript());
}

// A fee database of the first releases: the tables are rebuilt from the
// current script, which compares text case-insensitively, and every row is
// copied over column by column; the shared posting work table, now each
// session's own, goes.
void rebuildUnstamped(Connection& cn) {
    for (const std::string& view : createdNames("view")) cn.execute("drop view if exists " + view);
    for (const std::string& index : createdNames("index")) cn.execute("drop index if exists " + index);
    cn.execute("drop table if exists tmpYSMxb");
    std::vector<std::pair<std::string, std::vector<std::string>>> kept;
    for (const std::string& table : createdNames("table")) {
        if (!hasTable(cn, table)) continue;
        kept.emplace_back(table, columnNames(cn, table));
        cn.execute("alter table " + table + " rename to fo_old_" + table);
    }
    cn.execute(feeSchemaScript());
    for (const auto& [table, oldColumns] : kept) {
        copyKeptColumns(cn, table, oldColumns, "fo_old_" + table);
        cn.execute("drop table fo_old_" + table);
    }
}

// The statement of today's script that creates `table`.
std::string tableStatement(const std::string& table) {
    const std::regex create("create\\s+table\\s+" + table + "\\s*\\([^;]*;", std::regex::icase);
    std::smatch found;
    if (!std::regex_search(feeSchemaScript(), found, create))
        throw std::logic_error("the fee schema creates no table " + table);
    return found.str();
}

// Version 5: the fee records' djbh index carries the two amounts the
// register reads of them. (On the embedded engine the receipts also became
// keyed by their row id; version 6 rebuilds their table from today's
// script, which does that too.)
void indexRecordsWithTheirAmounts(Connection& cn) {
    cn.execute("drop index if exists ix_kdw_sfjl_djbh");
    cn.execute("create index if not exists ix_kdw_sfjl_djbh_ysk_hkje on kdw_sfjl(djbh, ysk, hkje)");
}

// The tables whose document numbers compare byte for byte since version 6,
// each with the order its rows are copied in when it is rebuilt.
const std::pair<const char*, const char*> kBinaryNumberTables[] = {
    {"PJML", "id"}, {"kdw_sfjl", "id"}, {"INandOutML", "rowid"}};

// On a server, the column changes type in place. A view that reads it would
// forbid that: every view of the fee schema (the office's own too) is taken
// down first and put back afterwards as it stood.
void alterNumbersOnServer(Connection& cn) {
    std::vector<std::pair<std::string, std::string>> views;  // name, definition
    for (RecordsetPtr rs = cn.execute("select c.relname, pg_get_viewdef(c.oid) from pg_class c join pg_namespace n "
                                      "on n.oid=c.relnamespace where n.nspname=current_schema() and c.relkind='v' "
                                      "order by c.oid");
         rs && !rs->eof(); rs->moveNext())
        views.emplace_back(rs->field(std::size_t{0}).toText(), rs->field(1).toText());
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        cn.execute("drop view if exists \"" + it->first + "\" cascade");
    // Nor will it change a column a trigger's list names (the cash totals'
    // name djbh; version 14 makes them).
    dropCashTotalsTriggers(cn);
    for (const auto& [table, order] : kBinaryNumberTables)
        cn.execute(std::string("alter table ") + table + " alter column djbh type character varying(50)");
    for (const auto& [name, definition] : views) cn.execute("create view \"" + name + "\" as " + definition);
}

// Version 6: document numbers compare byte for byte in the receipts, the
// fee records and the cash journal. On the embedded engine a column's
// collation is part of its table: the three tables are made again from
// today's script and every row copied in key order, views, triggers and
// indexes put back as they stood (rebuildTables). A receipt whose id is no
// whole number cannot be keyed by it: the upgrade then fails whole and
// leaves the database as it was.
void compareNumbersByteForByte(Connection& cn) {
    if (isPostgresLink(cn.connectionString())) {
        alterNumbersOnServer(cn);
        return;
    }
    std::vector<RebuiltTable> tables;
    for (const auto& [table, order] : kBinaryNumberTables) tables.push_back({table, tableStatement(table), order});
    rebuildTables(cn, tables);
}

// Version 9: the school is kept in the program. Classes, categories, fee
// items and charge types are retired (del = 1) instead of deleted, and a
// student's moves to another class or charge type are kept by date.
void retireInsteadOfDeleting(Connection& cn) {
    for (const char* table : {"kdw_bj", "kdw_xslx", "kdw_sfxm", "kdw_sflx"}) {
        bool has = false;
        for (const std::string& name : columnNames(cn, table)) has = has || equalsIgnoreCase(name, "del");
        if (!has) cn.execute(std::string("alter table ") + table + " add column del int not null default 0");
    }
    if (tableExists(cn, "kdw_xsbd")) return;
    const std::string create = tableStatement("kdw_xsbd") + "\ncreate index ix_kdw_xsbd_xsid on kdw_xsbd(xsid, bdrq)";
    if (isPostgresLink(cn.connectionString())) {
        cn.execute(pgFeeTablesScript(create));
        grantPgAdministeredTable(cn, "kdw_xsbd");
    } else {
        cn.execute(create);
    }
    // Where each student stands now is where he has stood since his entry.
    cn.execute("insert into kdw_xsbd(xsid,bdrq,bjid,sflxid,userid) select id,coalesce(rxsj,'1900-01-01'),"
               "coalesce(bjid,0),coalesce(sflxid,0),0 from kdw_xs");
}

// Version 10: sign-in attempts being verified count apart from wrong
// passwords (sys_user.pending).
void countPendingSignIns(Connection& cn) {
    for (const std::string& name : columnNames(cn, "sys_user"))
        if (equalsIgnoreCase(name, "pending")) return;
    cn.execute("alter table sys_user add column pending int not null default 0");
}

// Version 11: a fee record keeps the student's two charge dates as they
// stood before it (kdw_sfjl.yscsfrq, ybcsfrq), so that its void can put
// them back instead of clearing the last one.
void keepReplacedChargeDates(Connection& cn) {
    const char* type = isPostgresLink(cn.connectionString()) ? "datetime" : kDateColumnType;
    for (const char* column : {"yscsfrq", "ybcsfrq"}) {
        bool has = false;
        for (const std::string& name : columnNames(cn, "kdw_sfjl")) has = has || equalsIgnoreCase(name, column);
        if (!has) cn.execute(std::string("alter table kdw_sfjl add column ") + column + " " + type);
    }
}

// The indexes a large school's books need; those already there are kept.
void addLargeBooksIndexes(Connection& cn) {
    cn.execute(std::regex_replace(largeBooksIndexScript(), std::regex("create index "), "create index if not exists "));
}

// Version 13: the account lines' and the records' items' indexes make way
// for today's, which hold what the collection summary reads of them.
void indexJournalSpansWhole(Connection& cn) {
    for (const char* retired : {"ix_INandOut_num", "ix_kdw_sfjlmx_sfjlid"})
        cn.execute(std::string("drop index if exists ") + retired);
    addLargeBooksIndexes(cn);
}

// Every step, oldest first.
const std::vector<UpgradeStep>& upgradeSteps() {
    static const std::vector<UpgradeStep> steps = {
        {1, hashOperatorPasswords},
        // A database written by a later build and stamped back may hold them.
        {2, addLargeBooksIndexes},
        // Nothing in the tables: a version 3 database's statistics were
        // gathered without the links stated (see FeeStatistics.h), and the
        // statistics an upgrade gathers after its last step state them.
        {3, [](Connection&) {}},
        {4, indexRecordsWithTheirAmounts},
        {5, compareNumbersByteForByte},
        {6, [](Connection& cn) { declareDatesAsText(cn, createdNames("table")); }},
        // A server database's workstations stop using its owner's login:
        // every operator a role of his own, history append-only, students
        // within the operator's categories (PgServerRoles). Only the owner
        // can run it. Nothing on the embedded engine.
        // (Today's arrangement, which grants the tables and columns of the later steps.)
        {7, [](Connection& cn) {
             if (isPostgresLink(cn.connectionString()) && !tableExists(cn, "fo_server_roles")) {
                 retireInsteadOfDeleting(cn);
                 countPendingSignIns(cn);
                 arrangePgServerRoles(cn);
             }
         }},
        // On a server the arrangement is brought up to today's
        // (PgServerRoles); every statement of it may run twice.
        {8, retireInsteadOfDeleting},
        {9, [](Connection& cn) {
             countPendingSignIns(cn);
             if (isPostgresLink(cn.connectionString())) upgradePgServerRoles(cn);
         }},
        {10, keepReplacedChargeDates},
        // Version 12: the cash journal by day (ix_INandOutML_czrq).
        {11, addLargeBooksIndexes},
        {12, indexJournalSpansWhole},
        // Version 14: the cash journal's totals, kept by triggers.
        {13, keepCashTotals},
    };
    return steps;
}

void upgrade(Connection& cn, const std::string& name) {
    Transaction tx(cn);
    // Read again under the write lock: another session may have done it.
    int version = versionOf(cn, name);
    if (version >= kFeeSchemaVersion) return;
    if (version == 0) {
        // The rebuild keeps only the columns of today's tables: the clear
        // passwords are hashed before it.
        hashOperatorPasswords(cn);
        rebuildUnstamped(cn);
        keepCashTotals(cn);
    } else {
        for (const UpgradeStep& step : upgradeSteps())
            if (step.from >= version && step.from < kFeeSchemaVersion) step.apply(cn);
        cn.execute("update fo_schema set version=" + std::to_string(kFeeSchemaVersion));
    }
    cn.writeEngineStamp(kFeeApplicationId, kFeeSchemaVersion);
    tx.commit();
    // The planner weighs the indexes an upgrade added from the first query on.
    gatherFeeStatistics(cn);
}

}  // namespace

std::string feeDatabaseName(const std::string& connectionString) {
    if (isPostgresLink(connectionString)) return shownWithoutPassword(connectionString);
    const ConnectionStringParts parts = ConnectionStringParts::parse(connectionString);
    return parts.dataSource.empty() ? connectionString : parts.dataSource;
}

int feeSchemaVersionOf(Connection& cn) { return versionOf(cn, feeDatabaseName(cn.connectionString())); }

ConnectionPtr createFeeDatabase(const std::string& connectionString) {
    ConnectionPtr cn = createDatabase(connectionString);
    createFeeSchema(*cn);
    // The host settings a school with term, year and one-off items needs:
    // each item shows the period it is owed under, and a reduction is booked
    // in the open month, whose dues it is counted against. (A copy brings
    // the settings of its source instead.)
    cn->execute("insert into sys_setting(name,value) values('chkAutoInputTerm','1')");
    cn->execute("insert into sys_setting(name,value) values('chkNotLimitJZ','0')");
    return cn;
}

ConnectionPtr openFeeDatabase(const std::string& connectionString) {
    const std::string name = feeDatabaseName(connectionString);
    auto cn = std::make_shared<Connection>();
    try {
        cn->open(connectionString);
    } catch (const DbError& e) {
        if (e.kind() == DbErrorKind::NotFeeDatabase) throw notFee(name, kNotADatabase);
        throw;
    }
    const int version = versionOf(*cn, name);
    if (version > kFeeSchemaVersion)
        throw DbError(DbErrorKind::NewerSchema, dberr::NewerSchema,
                      "“" + name + "”是较新版本的程序建立的费用数据库（结构版本 " + std::to_string(version) +
                          "，本程序只认识到版本 " + std::to_string(kFeeSchemaVersion) +
                          "）。本程序没有改动它；请用新版本的程序打开。",
                      "fee schema version " + std::to_string(version) + " is newer than " +
                          std::to_string(kFeeSchemaVersion) + ": " + name);
    if (version < kFeeSchemaVersion) upgrade(*cn, name);
    return cn;
}

}  // namespace fo
