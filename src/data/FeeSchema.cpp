#include "data/FeeSchema.h"

#include "data/CashTotals.h"
#include "data/PgFeeSchema.h"
#include "db/pg/PgLink.h"

namespace fo {
namespace {

// Column types are those of the SQL Server fee database. Amount columns that
// some insert of the module leaves out default to 0, so that sums and the
// "0-je" mirrors of a cancellation stay exact; `ysfjlid` is never null,
// since one null in "not in(select ysfjlid from kdw_sfjl)" would hide every
// record. Dates are declared "datetime text" (kDateColumnType): the engine
// reads a column whose declared type names a date or a time back as a date,
// and SQLite gives a declared type that says "text" (and not "int") text
// affinity, so a date column compares as the text it holds ('yyyy-mm-dd' or
// 'yyyy-mm-dd hh:mm:ss', which order as the dates do). Declared plain
// datetime it would have numeric affinity, and every comparison with a date
// literal would first try to read the stored date as a number, fail, and
// then compare the text (the register over all dates spent about a twelfth
// of its work on that). The server script declares them its own datetime
// (a timestamp).
//
// Text compares case-insensitively ("collate nocase", for = and in() as for LIKE),
// as the servers of both dialects do: jm='xz' finds "XZ". Document numbers
// (djbh of the receipts, the fee records and the cash journal) are the one
// exception: they are the system's own codes, written in upper case by the
// counters and never typed by a clerk, so they compare byte for byte. The
// register joins receipts to records by them, and SQLite compares keys of
// no declared collation on its fast path (a column declared "collate binary"
// compares the same but through the generic one): they are declared
// "character varying", which SQLite reads as text and the server script
// leaves a case-sensitive varchar. The three tables agree, since a join takes
// the collation of its left column and an index of another collation would
// be of no use to it. LIKE still ignores case on SQLite.
const char* const kFeeSchema = R"SQL(
-- Receipts: header and items. The receipt's id is the table's own key
-- (the row id), so the register, which walks the receipts by id, reads the
-- table itself rather than an index beside it.
create table PJML (
  id integer not null primary key,
  djbh character varying(50) not null default '',
  pjState varchar(20) collate nocase default '',
  bjmc varchar(100) collate nocase,
  xsid int not null default 0,
  xh varchar(50) collate nocase,
  xm varchar(50) collate nocase,
  kprq datetime text,
  bz varchar(255) collate nocase,
  hjje money not null default 0,
  jeDx varchar(100) collate nocase,
  kpr varchar(50) collate nocase,
  skr varchar(50) collate nocase,
  zfrq datetime text,
  zfr varchar(50) collate nocase,
  useridZfr int,
  zfyy varchar(255) collate nocase,
  rptbz varchar(20) collate nocase
);
create table PJMLmx (
  pjmlmxid integer primary key autoincrement,
  PjMLid int not null,
  xmmc varchar(100) collate nocase,
  term varchar(200) collate nocase,
  je money not null default 0,
  cqts int default 0,
  bz varchar(255) collate nocase
);

-- Fee records (charges, refunds, reductions, prepayments, their mirrors).
create table kdw_sfjl (
  id int not null primary key,
  djbh character varying(50) not null default '',
  sfrq datetime text,
  sflxid int default 0,
  xsid int not null default 0,
  bjmc varchar(100) collate nocase,
  je money not null default 0,
  tzje money not null default 0,
  zhekou money not null default 0,
  scjy money not null default 0,
  hkje money not null default 0,
  ssje money not null default 0,
  ysk money not null default 0,
  jmje money not null default 0,
  jmyy varchar(255) collate nocase,
  InOrOut int not null default 0,
  skzhid int default 0,
  skr varchar(50) collate nocase,
  bz varchar(255) collate nocase,
  rq datetime text,
  operid int default 0,
  sfyf varchar(20) collate nocase,
  ysfjlid int not null default 0,
  qfkid int default 0,
  hkid int default 0,
  yscsfrq datetime text,
  ybcsfrq datetime text
);
create table kdw_sfjlmx (
  sfjlid int not null,
  sfxmid int not null default 0,
  je money not null default 0,
  ysje money not null default 0,
  ye money not null default 0,
  jmje money not null default 0,
  ysk money not null default 0,
  feetermname varchar(200) collate nocase,
  cqts int default 0,
  termfrom datetime text,
  termto datetime text
);

-- Arrears: one row per student and period owed, items below it. A row is
-- open while fkrq is null.
create table qfhzb (
  qfkid int not null primary key,
  qfyf varchar(20) collate nocase,
  xsid int not null default 0,
  qfrq datetime text,
  qfje money not null default 0,
  sjqfje money not null default 0,
  fkje money not null default 0,
  fkrq datetime text,
  jmje money not null default 0,
  jmjlid int not null default 0,
  sfjlid int not null default 0,
  yqfkid int not null default 0,
  userid int default 0,
  cqts int default 0,
  qjts int default 0
);
create table qfmxb (
  listid integer primary key autoincrement,
  qfkid int not null,
  xsid int not null default 0,
  sflxid int default 0,
  sfxmid int not null default 0,
  qfje money not null default 0,
  fkje money not null default 0,
  jmje money not null default 0
);

-- Students, classes and the student-category tree. What a posting may
-- name is never deleted: a retired class, category, fee item or charge type
-- (del = 1) is only left out of the lists.
create table kdw_xs (
  id int not null primary key,
  xh varchar(50) collate nocase not null default '',
  xm varchar(50) collate nocase not null default '',
  jm varchar(50) collate nocase,
  sex varchar(10) collate nocase,
  csrq datetime text,
  bjid int default 0,
  sflxid int default 0,
  lb int default 0,
  lb1 int default 0,
  lb2 int default 0,
  rxsj datetime text,
  djsj datetime text,
  jtdh varchar(50) collate nocase,
  jtzz varchar(200) collate nocase,
  fqxm varchar(50) collate nocase,
  mqxm varchar(50) collate nocase,
  fqgzdw varchar(100) collate nocase,
  mqgzdw varchar(100) collate nocase,
  fqgzdw_dh varchar(50) collate nocase,
  mqgzdw_dh varchar(50) collate nocase,
  fqsj varchar(50) collate nocase,
  mqsj varchar(50) collate nocase,
  jsr1 varchar(50) collate nocase,
  jsr2 varchar(50) collate nocase,
  jsr3 varchar(50) collate nocase,
  jsdz varchar(200) collate nocase,
  jsr varchar(50) collate nocase,
  jsr_sex varchar(10) collate nocase,
  jsr_tel varchar(50) collate nocase,
  jsr_dz varchar(200) collate nocase,
  scsfrq datetime text,
  bcsfrq datetime text,
  ysk money not null default 0,
  sfzh varchar(30) collate nocase,
  del int not null default 0,
  intTx int not null default 0
);
create table kdw_bj (
  id int not null primary key,
  mc varchar(100) collate nocase not null default '',
  del int not null default 0
);
create table kdw_xslx (
  id int not null primary key,
  parentid int not null default 0,
  mc varchar(100) collate nocase not null default '',
  del int not null default 0
);
-- A student's class and charge type from a day on: one row per move, the
-- first one his entry. What he is now stays in kdw_xs (bjid, sflxid).
create table kdw_xsbd (
  xsid int not null,
  bdrq datetime text not null,
  bjid int not null default 0,
  sflxid int not null default 0,
  userid int not null default 0,
  czrq datetime text
);

-- Fee items, charge types (one row per type and item), discounts and
-- per-item prepayments.
create table kdw_sfxm (
  id int not null primary key,
  bh varchar(20) collate nocase,
  mc varchar(100) collate nocase not null default '',
  jflx int not null default 0,
  projectID_DF int default 0,
  cqts varchar(1) collate nocase,
  qftj varchar(1) collate nocase,
  del int not null default 0
);
create table kdw_sflx (
  id int not null,
  mc varchar(100) collate nocase,
  sfxmid int not null,
  je money not null default 0,
  mrcqts int default 0,
  del int not null default 0
);
create table xszhekou (
  xsid int not null,
  xmid int not null,
  zhekou money not null default 100
);
create table XS_SFXM_YSK (
  xsid int not null,
  sfxmid int not null,
  ysk money not null default 0
);

-- Calendar: accounting months, terms, school years and month-end history.
create table ajzrq (
  yf varchar(20) collate nocase not null primary key,
  fromdate datetime text,
  todate datetime text,
  jfmc varchar(50) collate nocase
);
create table termdate (
  yearname varchar(50) collate nocase,
  termName varchar(50) collate nocase,
  yffromDate datetime text,
  yftoDate datetime text,
  termTag varchar(20) collate nocase not null primary key
);
create table kdw_year (
  yearMc varchar(50) collate nocase,
  dateFrom datetime text,
  dateTo datetime text,
  yearTag varchar(20) collate nocase not null primary key
);
create table hisxsinfo (
  xsid int not null default 0,
  jzyf varchar(20) collate nocase not null
);

-- Cash journal: header per fee record (same id), lines below it.
create table INandOutML (
  djbh character varying(50),
  id int not null,
  cw_date datetime text,
  je money not null default 0,
  userID int default 0,
  jzyf varchar(20) collate nocase,
  czrq datetime text,
  jbr varchar(50) collate nocase,
  zy varchar(200) collate nocase,
  checked int not null default 0,
  yjlid int not null default 0
);
create table INandOut (
  num int not null,
  subid int default 0,
  addje money not null default 0,
  subje money not null default 0,
  jd int default 0,
  rootid int default 0
);

-- Students with Chinese column names. Every student is his own payer, so the
-- payer code is the student number. 性别 follows the listed columns for the
-- windows that read the whole row.
create view vxsxx as
select a.id as id,
       a.xh as 学号,
       a.xh as 付款人代码,
       a.xm as 姓名,
       b.mc as 班级,
       a.fqxm as 父亲姓名,
       a.mqxm as 母亲姓名,
       (select max(t.mc) from kdw_sflx as t where t.id = a.sflxid) as 收费类型,
       a.ysk as 预收款,
       a.jm as 简码,
       a.rxsj as 入学时间,
       a.sflxid as sflxid,
       a.bjid as bjid,
       a.lb1 as lb1,
       a.del as del,
       a.intTx as inttx,
       a.sex as 性别
from kdw_xs as a left join kdw_bj as b on b.id = a.bjid;

-- The reference host's operators, rights, settings, locked months and
-- receipt paper formats. An operator's password is kept only as a hash
-- (pwhash, empty until his first sign-in sets one); mustsetpw asks him for
-- a new one at his next sign-in; failures and lastfailure count his wrong
-- passwords in a row, which make the next attempt wait; pending counts his
-- attempts being verified, which count as wrong until they are.
create table sys_user(id int primary key, name varchar(50) collate nocase not null, pwhash varchar(255) not null default '',
  admin int not null default 0, disabled int not null default 0, mustsetpw int not null default 1,
  failures int not null default 0, lastfailure datetime text, pending int not null default 0);
create table sys_user_right(userid int not null, rightcode varchar(50) collate nocase not null, level int not null default 0, primary key(userid,rightcode));
create table sys_user_xslb(userid int not null, xslbid int not null, primary key(userid,xslbid));
create table sys_setting(name varchar(50) collate nocase primary key, value varchar(255) collate nocase);
create table sys_yflock(yf varchar(20) collate nocase primary key);
create table sys_billtype(kind int not null, number int not null, name varchar(100) collate nocase not null, primary key(kind,number));

-- Lookups the module makes.
create index ix_qfhzb_xsid_fkrq on qfhzb(xsid, fkrq);
create index ix_qfhzb_jmjlid on qfhzb(jmjlid);
create index ix_qfhzb_sfjlid on qfhzb(sfjlid);
create index ix_qfhzb_yqfkid on qfhzb(yqfkid);
create index ix_qfmxb_qfkid on qfmxb(qfkid);
-- The register joins every receipt to its fee record by djbh and reads the
-- record's ysk and hkje: the index holds them, so the join stops there.
create index ix_kdw_sfjl_djbh_ysk_hkje on kdw_sfjl(djbh, ysk, hkje);
create index ix_kdw_sfjl_ysfjlid on kdw_sfjl(ysfjlid);
create index ix_kdw_sfjl_xsid_sfyf on kdw_sfjl(xsid, sfyf);
create index ix_PJML_djbh on PJML(djbh);
create index ix_PJML_kprq on PJML(kprq);
create index ix_PJMLmx_PjMLid on PJMLmx(PjMLid);
create index ix_INandOutML_id on INandOutML(id);
create index ix_kdw_xs_xh on kdw_xs(xh);
create index ix_kdw_xs_bjid on kdw_xs(bjid);
create index ix_XS_SFXM_YSK_xsid_sfxmid on XS_SFXM_YSK(xsid, sfxmid);
create index ix_xszhekou_xsid on xszhekou(xsid);
create index ix_kdw_xsbd_xsid on kdw_xsbd(xsid, bdrq);
)SQL";

// What a large school's ten years need so that a void, a register query or
// a counter draw costs the same on any size of books: the transfer records
// a void removes (by hkid), the bill numbers of the cash journal (a
// counter reads the day's highest), and the register's issuer and class
// lists (read in order from the index instead of sorting the receipts).
// And what the collection summary and the day's report read of a span of
// days: the journal by day, and from indexes that hold all it reads of them,
// each journal row's account and each record's items with their amounts
// (which also serve every lookup of a record's items), so that ten years of
// the journal are summed without reading those two tables.
// Added by schema versions 3, 12 and 13; an older database gets them on
// opening.
const char* const kLargeBooksIndexes = R"SQL(
create index ix_kdw_sfjl_hkid on kdw_sfjl(hkid);
create index ix_INandOutML_djbh on INandOutML(djbh);
create index ix_INandOutML_czrq on INandOutML(czrq);
create index ix_INandOut_num_subid on INandOut(num, subid);
create index ix_kdw_sfjlmx_sfjlid_amounts on kdw_sfjlmx(sfjlid, sfxmid, je, ysk, jmje);
create index ix_PJML_kpr on PJML(kpr);
create index ix_PJML_bjmc on PJML(bjmc);
)SQL";

const char* const kStampTable = R"SQL(
-- What this database is: one row naming the program and its schema version.
create table fo_schema(app varchar(20) not null, version int not null);
)SQL";

// The office's audit log: every posting, void, cancellation, carry-over,
// failed posting and sign-in, one row each, never changed afterwards.
const char* const kAuditLogSchema = R"SQL(
create table sys_log(id integer primary key autoincrement, logtime datetime text not null, userid int not null default 0,
  username varchar(50) collate nocase, workstation varchar(100) collate nocase, operation varchar(50) collate nocase not null,
  djbh varchar(50) collate nocase, amount money, outcome varchar(255) collate nocase);
create index ix_sys_log_logtime on sys_log(logtime);
)SQL";

}  // namespace

const std::string& feeSchemaScript() {
    static const std::string script = std::string(kFeeSchema) + kLargeBooksIndexes + cashTotalsTableScript() +
                                      kStampTable + kAuditLogSchema +
                                      "insert into fo_schema(app,version) values('" + kFeeApp + "'," +
                                      std::to_string(kFeeSchemaVersion) + ");\n";
    return script;
}

const std::string& auditLogSchemaScript() {
    static const std::string script(kAuditLogSchema);
    return script;
}

const std::string& largeBooksIndexScript() {
    static const std::string script(kLargeBooksIndexes);
    return script;
}

const std::string& feeSessionScript() {
    // Each session has its own: two clerks posting at once never share rows.
    static const std::string script =
        "create temp table if not exists tmpYSMxb ( xsid int,sfyf varchar(20),sfxmid int,ysje money,"
        "termfrom datetime,termto datetime,ye money,jmje money,qfkid int,feetermname varchar(200))";
    return script;
}

// The connection runs a script statement by statement and stops at the
// first failure.
void createFeeSchema(Connection& cn) {
    auto run = [&cn] {
        if (isPostgresLink(cn.connectionString())) {
            createPgFeeSchema(cn, feeSchemaScript());
        } else {
            cn.execute(feeSchemaScript());
            cn.execute(sqliteCashTotalsTriggers());
        }
        cn.writeEngineStamp(kFeeApplicationId, kFeeSchemaVersion);
    };
    if (cn.inTransaction()) {
        run();
        return;
    }
    Transaction tx(cn);
    run();
    tx.commit();
}

}  // namespace fo
