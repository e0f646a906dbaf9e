#include "data/PgServerRoles.h"

#include <cctype>
#include <stdexcept>
#include <vector>

#include "db/pg/PgCredentials.h"
#include "db/pg/PgEngine.h"
#include "db/sql/SqlQuoting.h"

namespace fo {
namespace {

// The history a posting only adds to. Of these, the postings change just
// the columns and rows the triggers below let through.
const char* const kHistoryTables[] = {"kdw_sfjl", "kdw_sfjlmx", "PJML", "PJMLmx", "INandOutML", "INandOut", "sys_log"};
// What else postings write: the arrears they settle and reopen, the
// balances, the month-end's marks, the counters.
const char* const kPostedTables[] = {"qfhzb", "qfmxb", "XS_SFXM_YSK", "hisxsinfo", "sys_yflock", "fo_counters"};
// The office's master data and the operators, the administrators' to keep.
const char* const kAdministeredTables[] = {"kdw_xs", "kdw_xsbd", "kdw_bj", "kdw_xslx", "kdw_sfxm", "kdw_sflx", "ajzrq",
                                           "termdate", "kdw_year", "sys_setting", "sys_billtype", "xszhekou",
                                           "sys_user", "sys_user_right", "sys_user_xslb", "fo_operator_roles"};
// Shown to an operator's role only within his categories.
const char* const kStudentRows[] = {"kdw_sfjl", "PJML", "qfhzb"};

std::string scalarText(Connection& cn, const std::string& sql) {
    RecordsetPtr rs = cn.execute(sql);
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toText() : std::string();
}

// A role name of this database's own: its name, in letters, digits and '_'.
std::string rolePrefix(Connection& cn) {
    std::string prefix;
    for (char c : scalarText(cn, "select current_database()")) {
        const unsigned char u = static_cast<unsigned char>(c);
        prefix += std::isalnum(u) ? static_cast<char>(std::tolower(u)) : '_';
    }
    if (prefix.size() > 40) prefix.resize(40);
    return prefix;
}

std::string groupRole(Connection& cn, const std::string& kind) {
    const std::string role = scalarText(cn, "select rolename from fo_server_roles where kind=" + quotedLiteral(kind));
    if (role.empty()) throw std::logic_error("the fee database has no " + kind + " role");
    return role;
}

// Creates `role` unless the cluster has it already.
void ensureRole(Connection& cn, const std::string& role, const std::string& options) {
    if (scalarText(cn, "select count(*) from pg_roles where rolname=" + quotedLiteral(role)) == "0")
        cn.execute("create role " + quotedIdentifier(role) + " " + options);
    else
        cn.execute("alter role " + quotedIdentifier(role) + " " + options);
}

// Refusals in the office's words: SQLSTATE class "FO" is the program's own.
const char* const kGuards[][2] = {
    // A record, an item of one, a receipt's item, the cash journal and the
    // audit log are never changed once written.
    {"fo_refuse_change", R"(begin
  if session_user = (select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'feeoffice') then
    return coalesce(new, old);
  end if;
  raise exception using errcode = 'FO001', message = '不能' || case tg_op when 'DELETE' then '删除' else '修改' end ||
    '已入账的' || tg_argv[0] || '（' || tg_table_name || '）：历史记录只能追加，冲销须另记一笔。';
end)"},
    // Only a charge's transfer records (hkid set) go, with their items,
    // when the charge is cancelled.
    {"fo_guard_record_delete", R"(begin
  if session_user = (select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'feeoffice') then
    return old;
  end if;
  if coalesce(old.hkid, 0) <> 0 then return old; end if;
  raise exception using errcode = 'FO001', message = '不能删除已入账的收费记录（kdw_sfjl.' || old.id || '）：只有冲销收费时删除它的划扣记录。';
end)"},
    {"fo_guard_record_item_delete", R"(begin
  if session_user = (select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'feeoffice') then
    return old;
  end if;
  if exists(select 1 from kdw_sfjl r where r.id = old.sfjlid and coalesce(r.hkid, 0) <> 0) then return old; end if;
  raise exception using errcode = 'FO001', message = '不能删除已入账的收费记录明细（kdw_sfjlmx.' || old.sfjlid || '）：只有冲销收费时删除划扣记录的明细。';
end)"},
    // A receipt changes only by being voided or counted as reprinted
    // (rptbz), and a voided one never again.
    {"fo_guard_receipt", R"(begin
  if session_user = (select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'feeoffice') then
    return new;
  end if;
  if old.pjState is not distinct from '作废' then
    raise exception using errcode = 'FO001', message = '不能修改已作废的收据（PJML.' || old.djbh || '）：作废的收据不能恢复。';
  end if;
  if (new.id, new.djbh, new.bjmc, new.xsid, new.xh, new.xm, new.kprq, new.bz, new.hjje, new.jeDx, new.kpr, new.skr)
     is distinct from (old.id, old.djbh, old.bjmc, old.xsid, old.xh, old.xm, old.kprq, old.bz, old.hjje, old.jeDx, old.kpr, old.skr)
     or (new.pjState is distinct from old.pjState and new.pjState is distinct from '作废')
     or (new.pjState is not distinct from old.pjState
         and (new.zfrq, new.zfr, new.useridZfr, new.zfyy) is distinct from (old.zfrq, old.zfr, old.useridZfr, old.zfyy)) then
    raise exception using errcode = 'FO001', message = '不能修改收据（PJML）：收据只能作废或记下补打，作废只改作废日期、作废人和作废原因。';
  end if;
  if new.pjState is not distinct from '作废' and not fo_has_right('PJCX', 2) then
    raise exception using errcode = 'FO001', message = '不能作废收据（PJML.' || old.djbh || '）：作废收据需要“票据管理”的作废权限。';
  end if;
  return new;
end)"},
    // An arrears row changes only in its settlement columns; only a
    // remainder row (yqfkid set) is deleted, when what made it is cancelled.
    {"fo_guard_arrears", R"(begin
  if session_user = (select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'feeoffice') then
    return coalesce(new, old);
  end if;
  if tg_op = 'DELETE' then
    if coalesce(old.yqfkid, 0) <> 0 then return old; end if;
    raise exception using errcode = 'FO001', message = '不能删除欠费（qfhzb.' || old.qfkid || '）：只有冲销时删除它留下的余欠。';
  end if;
  if (new.qfkid, new.qfyf, new.xsid, new.qfrq, new.qfje, new.sjqfje, new.yqfkid, new.userid, new.cqts, new.qjts)
     is distinct from (old.qfkid, old.qfyf, old.xsid, old.qfrq, old.qfje, old.sjqfje, old.yqfkid, old.userid, old.cqts, old.qjts) then
    raise exception using errcode = 'FO001', message = '不能修改欠费金额（qfhzb.' || old.qfkid || '）：欠费只改结清的列（付款、减免及其日期和记录）。';
  end if;
  return new;
end)"},
    {"fo_guard_arrears_items", R"(begin
  if session_user = (select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'feeoffice') then
    return coalesce(new, old);
  end if;
  if tg_op = 'DELETE' then
    if exists(select 1 from qfhzb h where h.qfkid = old.qfkid and coalesce(h.yqfkid, 0) <> 0) then return old; end if;
    raise exception using errcode = 'FO001', message = '不能删除欠费明细（qfmxb.' || old.listid || '）：只有冲销时删除余欠的明细。';
  end if;
  if (new.listid, new.qfkid, new.xsid, new.sflxid, new.sfxmid, new.qfje)
     is distinct from (old.listid, old.qfkid, old.xsid, old.sflxid, old.sfxmid, old.qfje) then
    raise exception using errcode = 'FO001', message = '不能修改欠费明细金额（qfmxb.' || old.listid || '）：明细只改付款和减免。';
  end if;
  return new;
end)"},
    // Of the rights, the server enforces those a row shows were used: the
    // batch posting's audit row, written in its transaction, needs the
    // batch right; a reduction's record needs the reductions' or the batch
    // right, its cancellation the reductions'.
    {"fo_guard_rights", R"(begin
  if session_user = (select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'feeoffice') then
    return new;
  end if;
  if tg_table_name = 'sys_log' then
    if new.operation = '批量减免' and new.outcome = '完成' and not fo_has_right('PLJM', 2) then
      raise exception using errcode = 'FO001', message = '不能批量减免（' || coalesce(new.djbh, '') || '）：批量减免需要“批量减免”的减免权限。';
    end if;
  elsif left(new.djbh, 4) = 'QXJM' then
    if not fo_has_right('JMJL', 2) then
      raise exception using errcode = 'FO001', message = '不能取消减免（kdw_sfjl.' || new.djbh || '）：取消减免需要“减免管理”的减免权限。';
    end if;
  elsif left(new.djbh, 2) = 'JM' and not (fo_has_right('JMJL', 2) or fo_has_right('PLJM', 2)) then
    raise exception using errcode = 'FO001', message = '不能减免（kdw_sfjl.' || new.djbh || '）：减免需要“减免管理”或“批量减免”的减免权限。';
  end if;
  return new;
end)"},
    // A student's own data is the administrators'; a posting changes only his balances.
    {"fo_guard_student", R"(begin
  if session_user = (select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'feeoffice') or fo_is_administrator() then
    return new;
  end if;
  if (to_jsonb(new) - 'ysk' - 'bcsfrq' - 'scsfrq') is distinct from (to_jsonb(old) - 'ysk' - 'bcsfrq' - 'scsfrq') then
    raise exception using errcode = 'FO001', message = '不能修改学生资料（kdw_xs.' || old.id || '）：收费只改预收款和收费日期。';
  end if;
  return new;
end)"},
};

// Which operator a session is: its login role, through fo_operator_roles.
const char* const kWhoFunctions[] = {
    "create or replace function fo_operator_id() returns int language sql stable security definer set search_path = feeoffice, "
    "pg_catalog as $$ select userid from fo_operator_roles where rolename = session_user $$",
    "create or replace function fo_sees_every_student() returns boolean language sql stable security definer set search_path = "
    "feeoffice, pg_catalog as $$ select coalesce((select userid = 1 from fo_operator_roles where rolename = "
    "session_user), false) $$",
    "create or replace function fo_is_administrator() returns boolean language sql stable security definer set search_path = "
    "feeoffice, pg_catalog as $$ select coalesce((select u.admin <> 0 from fo_operator_roles r join sys_user u on "
    "u.id = r.userid where r.rolename = session_user), false) $$",
    "create or replace function fo_my_categories() returns setof int language sql stable security definer set search_path = "
    "feeoffice, pg_catalog as $$ select x.xslbid from sys_user_xslb x join fo_operator_roles r on r.userid = x.userid "
    "where r.rolename = session_user $$",
    // A right at `least` or above: an administrator has every right in
    // full; anyone else is a member of the right's role for his level.
    "create or replace function fo_has_right(right_code text, least_level int) returns boolean language sql stable security "
    "definer set search_path = feeoffice, pg_catalog as $$ select fo_is_administrator() or exists(select 1 from "
    "fo_right_roles r join pg_roles g on g.rolname = r.rolename where r.rightcode = right_code and r.level >= least_level and "
    "pg_has_role(session_user, r.rolename, 'member')) $$",
};

void run(Connection& cn, const std::string& sql) { cn.execute(sql); }

// The functions the guards and policies call, made anew as today's.
void createGuardFunctions(Connection& cn) {
    for (const char* statement : kWhoFunctions) run(cn, statement);
    for (const auto& [name, body] : kGuards)
        run(cn, std::string("create or replace function ") + name + "() returns trigger language plpgsql as " +
                    pgBodyLiteral(body));
}

void createGuards(Connection& cn) {
    const auto trigger = [&cn](const std::string& table, const std::string& when, const std::string& function,
                               const std::string& argument) {
        run(cn, "create trigger fo_" + table + "_" + function.substr(3) + "_" + std::to_string(when.size()) +
                    " before " + when + " on " + table + " for each row execute function " + function + "(" +
                    argument + ")");
    };
    trigger("kdw_sfjl", "update", "fo_refuse_change", "'收费记录'");
    trigger("kdw_sfjl", "delete", "fo_guard_record_delete", "");
    trigger("kdw_sfjlmx", "update", "fo_refuse_change", "'收费记录明细'");
    trigger("kdw_sfjlmx", "delete", "fo_guard_record_item_delete", "");
    trigger("PJMLmx", "update or delete", "fo_refuse_change", "'收据明细'");
    trigger("INandOutML", "update or delete", "fo_refuse_change", "'日记账'");
    trigger("INandOut", "update or delete", "fo_refuse_change", "'日记账明细'");
    trigger("sys_log", "update or delete", "fo_refuse_change", "'操作日志'");
    trigger("PJML", "update", "fo_guard_receipt", "");
    trigger("PJML", "delete", "fo_refuse_change", "'收据'");
    trigger("qfhzb", "update or delete", "fo_guard_arrears", "");
    trigger("qfmxb", "update or delete", "fo_guard_arrears_items", "");
    trigger("kdw_xs", "update", "fo_guard_student", "");
}

void createPolicies(Connection& cn) {
    run(cn, "alter table kdw_xs enable row level security");
    run(cn, "create policy fo_categories on kdw_xs using ((select fo_sees_every_student()) or lb1 in (select "
            "fo_my_categories()))");
    for (const char* table : kStudentRows) {
        run(cn, std::string("alter table ") + table + " enable row level security");
        run(cn, std::string("create policy fo_categories on ") + table +
                    " using ((select fo_sees_every_student()) or xsid = 0 or xsid in (select id from kdw_xs))");
    }
}

void grantAll(Connection& cn, const std::string& clerks, const std::string& admins, const std::string& signIn) {
    const std::string c = quotedIdentifier(clerks), a = quotedIdentifier(admins), s = quotedIdentifier(signIn);
    const std::string database = quotedIdentifier(scalarText(cn, "select current_database()"));
    run(cn, "revoke all on database " + database + " from public");
    run(cn, "grant connect, temporary on database " + database + " to " + c + ", " + s);
    run(cn, "revoke all on schema feeoffice from public");
    run(cn, "grant usage on schema feeoffice to " + c + ", " + s);
    run(cn, std::string("create schema if not exists ") + PgWorkSchema);
    run(cn, std::string("revoke all on schema ") + PgWorkSchema + " from public");
    run(cn, std::string("grant usage, create on schema ") + PgWorkSchema + " to " + c);
    run(cn, "grant select on all tables in schema feeoffice to " + c);
    run(cn, "grant usage on all sequences in schema feeoffice to " + c + ", " + s);
    for (const char* table : kHistoryTables) run(cn, std::string("grant insert on ") + table + " to " + c);
    run(cn, "grant update on PJML to " + c);    // voiding; the trigger keeps the rest
    run(cn, "grant update on kdw_xs to " + c);  // the balances; the trigger keeps the rest
    run(cn, "grant delete on kdw_sfjl, kdw_sfjlmx to " + c);  // a cancelled charge's transfer records
    for (const char* table : kPostedTables) run(cn, std::string("grant insert, update, delete on ") + table + " to " + c);
    run(cn, "grant update (failures, lastfailure, pending, mustsetpw) on sys_user to " + c);
    run(cn, "grant " + c + " to " + a);
    for (const char* table : kAdministeredTables)
        run(cn, std::string("grant insert, update, delete on ") + table + " to " + a);
    run(cn, "grant select (id, name, admin, disabled, pwhash, mustsetpw, failures, lastfailure, pending) on sys_user to " + s);
    run(cn, "grant update (failures, lastfailure, pending) on sys_user to " + s);
    run(cn, "grant select on fo_schema, fo_operator_roles to " + s);
    run(cn, "grant insert on sys_log to " + s);
}

}  // namespace

std::string pgBodyLiteral(const std::string& body) {
    std::string out = "E'";
    for (char c : body) {
        if (c == ';') out += "\\073";
        else if (c == '\'') out += "''";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out + "'";
}

void arrangePgServerRoles(Connection& cn) {
    const std::string prefix = rolePrefix(cn);
    run(cn, "create table fo_server_roles(kind citext primary key, rolename text not null)");
    run(cn, "create table fo_operator_roles(userid int primary key, rolename text not null unique)");
    const std::string clerks = prefix + "_clerks", admins = prefix + "_admins", signIn = prefix + "_signin";
    ensureRole(cn, clerks, "nologin");
    ensureRole(cn, admins, "nologin");
    ensureRole(cn, signIn, "nologin");
    run(cn, "insert into fo_server_roles(kind, rolename) values('clerks', " + quotedLiteral(clerks) + "), ('admins', " +
                quotedLiteral(admins) + "), ('signin', " + quotedLiteral(signIn) + ")");
    grantAll(cn, clerks, admins, signIn);
    upgradePgServerRoles(cn);
    createGuards(cn);
    createPolicies(cn);
    givePgOperatorsRoles(cn);
}

void grantPgAdministeredTable(Connection& cn, const std::string& table) {
    if (scalarText(cn, "select count(*) from information_schema.tables where table_name = 'fo_server_roles' "
                       "and table_schema = current_schema()") == "0")
        return;
    run(cn, "grant select on " + table + " to " + quotedIdentifier(groupRole(cn, "clerks")));
    run(cn, "grant insert, update, delete on " + table + " to " + quotedIdentifier(groupRole(cn, "admins")));
}

void grantPgReadOnlyTable(Connection& cn, const std::string& table) {
    if (scalarText(cn, "select count(*) from information_schema.tables where table_name = 'fo_server_roles' "
                       "and table_schema = current_schema()") == "0")
        return;
    run(cn, "grant select on " + table + " to " + quotedIdentifier(groupRole(cn, "clerks")));
}

void upgradePgServerRoles(Connection& cn) {
    const std::string clerks = quotedIdentifier(groupRole(cn, "clerks")), signIn = quotedIdentifier(groupRole(cn, "signin"));
    run(cn, "grant update (pending) on sys_user to " + clerks);
    run(cn, "grant select (pending), update (pending) on sys_user to " + signIn);
    // Rights as memberships: one role per right code and level.
    run(cn, "create table if not exists fo_right_roles(rightcode citext not null, level int not null, rolename text "
            "not null unique, primary key(rightcode, level))");
    run(cn, "grant select on fo_right_roles to " + clerks);
    run(cn, "grant insert on fo_right_roles to " + quotedIdentifier(groupRole(cn, "admins")));
    createGuardFunctions(cn);
    for (const char* table : {"sys_log", "kdw_sfjl"}) {
        const std::string trigger = std::string("fo_") + table + "_rights";
        run(cn, "drop trigger if exists " + trigger + " on " + table);
        run(cn, "create trigger " + trigger + " before insert on " + table +
                    " for each row execute function fo_guard_rights()");
    }
    // The rights operators have already become memberships too.
    std::vector<int> operators;
    for (RecordsetPtr rs = cn.execute("select userid from fo_operator_roles order by userid"); rs && !rs->eof();
         rs->moveNext())
        operators.push_back(static_cast<int>(rs->field(std::size_t{0}).toInt()));
    for (int id : operators) grantPgOperatorRights(cn, id);
}

void givePgOperatorsRoles(Connection& cn) {
    std::vector<std::pair<int, bool>> operators;
    for (RecordsetPtr rs = cn.execute("select id, admin from sys_user where id not in (select userid from "
                                      "fo_operator_roles) order by id");
         rs && !rs->eof(); rs->moveNext())
        operators.emplace_back(static_cast<int>(rs->field(std::size_t{0}).toInt()), rs->field(1).toInt() != 0);
    for (const auto& [id, admin] : operators) createPgOperatorRole(cn, id, admin);
    // A hash of the program's own (an upgraded or copied database) cannot
    // become the server's: he is given a password anew.
    run(cn, "update sys_user set pwhash='', mustsetpw=1 where pwhash<>'*'");
}

std::string pgOperatorRole(Connection& cn, int userId) {
    return scalarText(cn, "select rolename from fo_operator_roles where userid=" + std::to_string(userId));
}

std::string createPgOperatorRole(Connection& cn, int userId, bool admin) {
    const std::string role = rolePrefix(cn) + "_op" + std::to_string(userId);
    // No password yet; an administrator may manage the others' roles.
    ensureRole(cn, role, std::string("login password null ") + (admin ? "createrole" : "nocreaterole"));
    run(cn, "delete from fo_operator_roles where userid=" + std::to_string(userId));
    run(cn, "insert into fo_operator_roles(userid, rolename) values(" + std::to_string(userId) + ", " +
                quotedLiteral(role) + ")");
    setPgOperatorAdmin(cn, userId, admin);
    run(cn, "grant " + quotedIdentifier(groupRole(cn, "signin")) + " to " + quotedIdentifier(role));
    grantPgOperatorRights(cn, userId);
    return role;
}

void setPgOperatorRight(Connection& cn, int userId, const std::string& rightCode, int level) {
    const std::string role = pgOperatorRole(cn, userId);
    if (role.empty()) return;
    std::vector<std::string> held;
    for (RecordsetPtr rs = cn.execute("select r.rolename from fo_right_roles r join pg_roles g on g.rolname = "
                                      "r.rolename where r.rightcode = " + quotedLiteral(rightCode) +
                                      " and pg_has_role(" + quotedLiteral(role) + ", r.rolename, 'member')");
         rs && !rs->eof(); rs->moveNext())
        held.push_back(rs->field(std::size_t{0}).toText());
    for (const std::string& right : held) run(cn, "revoke " + quotedIdentifier(right) + " from " + quotedIdentifier(role));
    if (level <= 0) return;
    const std::string where = " where rightcode=" + quotedLiteral(rightCode) + " and level=" + std::to_string(level);
    std::string right = scalarText(cn, "select rolename from fo_right_roles" + where);
    if (right.empty()) {
        // Named after the group roles, so a copy or a renamed database keeps its names.
        std::string code;
        for (char c : rightCode) {
            const unsigned char u = static_cast<unsigned char>(c);
            code += std::isalnum(u) ? static_cast<char>(std::tolower(u)) : '_';
        }
        std::string prefix = groupRole(cn, "clerks");
        prefix.resize(prefix.size() - std::string("_clerks").size());
        right = prefix + "_right_" + code + "_" + std::to_string(level);
        ensureRole(cn, right, "nologin");
        run(cn, "insert into fo_right_roles(rightcode, level, rolename) values(" + quotedLiteral(rightCode) + ", " +
                    std::to_string(level) + ", " + quotedLiteral(right) + ")");
    }
    run(cn, "grant " + quotedIdentifier(right) + " to " + quotedIdentifier(role));
}

void grantPgOperatorRights(Connection& cn, int userId) {
    std::vector<std::pair<std::string, int>> rights;
    for (RecordsetPtr rs = cn.execute("select rightcode, level from sys_user_right where userid=" +
                                      std::to_string(userId) + " order by rightcode");
         rs && !rs->eof(); rs->moveNext())
        rights.emplace_back(rs->field(std::size_t{0}).toText(), static_cast<int>(rs->field(1).toInt()));
    for (const auto& [code, level] : rights) setPgOperatorRight(cn, userId, code, level);
}

std::vector<std::string> pgRightMembershipFaults(Connection& cn) {
    std::vector<std::string> faults;
    if (scalarText(cn, "select count(*) from pg_tables where tablename = 'fo_right_roles'") == "0") return faults;
    const std::string member = "pg_has_role(o.rolename, r.rolename, 'member')";
    for (RecordsetPtr rs = cn.execute(
             "select u.name, s.rightcode, s.level, 1 from sys_user_right s join sys_user u on u.id = s.userid "
             "join fo_operator_roles o on o.userid = s.userid join pg_roles p on p.rolname = o.rolename "
             "where s.level > 0 and not exists(select 1 from fo_right_roles r join pg_roles g on g.rolname = "
             "r.rolename where r.rightcode = s.rightcode and r.level = s.level and " + member + ") "
             "union all "
             "select u.name, r.rightcode, r.level, 2 from fo_operator_roles o join sys_user u on u.id = o.userid "
             "join pg_roles p on p.rolname = o.rolename cross join fo_right_roles r join pg_roles g on g.rolname = "
             "r.rolename where " + member + " and not exists(select 1 from sys_user_right s where s.userid = "
             "o.userid and s.rightcode = r.rightcode and s.level = r.level) order by 1, 2, 3");
         rs && !rs->eof(); rs->moveNext()) {
        const std::string who = "操作员“" + rs->field(std::size_t{0}).toText() + "”";
        const std::string right = "权限 " + rs->field(1).toText() + " 第 " + rs->field(2).toText() + " 级";
        faults.push_back(rs->field(3).toInt() == 1 ? who + "有" + right + "，但服务器上他的角色不是这项权限的角色的成员。"
                                                   : who + "在服务器上是" + right + "的角色的成员，但权限表中他没有这项权限。");
    }
    return faults;
}

void setPgOperatorAdmin(Connection& cn, int userId, bool admin) {
    const std::string role = quotedIdentifier(pgOperatorRole(cn, userId));
    const std::string clerks = quotedIdentifier(groupRole(cn, "clerks")), admins = quotedIdentifier(groupRole(cn, "admins"));
    run(cn, "grant " + (admin ? admins : clerks) + " to " + role);
    run(cn, "revoke " + (admin ? clerks : admins) + " from " + role);
    run(cn, "alter role " + role + (admin ? " createrole" : " nocreaterole"));
}

void setPgOperatorDisabled(Connection& cn, int userId, bool disabled) {
    run(cn, "alter role " + quotedIdentifier(pgOperatorRole(cn, userId)) + (disabled ? " nologin" : " login"));
}

void dropPgOperatorRole(Connection& cn, int userId) {
    const std::string role = pgOperatorRole(cn, userId);
    if (role.empty()) return;
    run(cn, "delete from fo_operator_roles where userid=" + std::to_string(userId));
    run(cn, "drop role if exists " + quotedIdentifier(role));
}

void setPgOperatorPassword(Connection& cn, int userId, const std::string& clear) {
    const std::string role = pgOperatorRole(cn, userId);
    run(cn, "alter role " + quotedIdentifier(role) + " password " + quotedLiteral(pgPasswordVerifier(role, clear)));
}

bool isPgSchemaOwner(Connection& cn) {
    return scalarText(cn, "select count(*) from pg_namespace where nspname = 'feeoffice' and nspowner = (select oid "
                          "from pg_roles where rolname = session_user)") != "0";
}

}  // namespace fo
