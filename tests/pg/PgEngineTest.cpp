// The PostgreSQL engine on the test cluster, on fee databases of its own:
// what it reads, how the module's statements of both dialects run on it,
// its transactions and the books' write lock, and its errors. Fee databases
// on the server: a creation makes one with its stamp, opening recognises it,
// and anything else is refused as it is. An operator signed in on a test's
// database is that database's own role: the behaviour tests' server runs
// meet his grants, not the owner's. Whole fee databases are copied between
// the embedded file and the server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "data/CashTotals.h"
#include "data/FeeDatabase.h"
#include "data/FeeSchema.h"
#include "data/PgServerRoles.h"
#include "data/checks/BooksCheck.h"
#include "db/Catalog.h"
#include "db/DbError.h"
#include "db/pg/PgErrors.h"
#include "db/pg/PgLink.h"
#include "db/values/TextCase.h"
#include "host/counters/CounterService.h"
#include "host/database/FeeDatabaseCopy.h"
#include "host/operators/Operators.h"
#include "support/DemoDatabase.h"
#include "support/ErrorOf.h"
#include "support/PgTestServer.h"
#include "support/ScratchPgDatabases.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "support/TempFeeDb.h"

namespace fo::test {
namespace {

using Kind = Value::Kind;

class PgEngine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only"; }
    std::string text(const std::string& sql) { return scalar(*cn, sql).toText(); }

    TempFeeDb db;
    ConnectionPtr cn = db.open();
};

// Money is read exactly and dates as dates, as the embedded engine reads
// them; the statements of both dialects run as written.
TEST_F(PgEngine, ReadsMoneyExactlyAndDatesAsTheEmbeddedEngineDoesBothDialectsRunAsWrittenAndASeriesRunsInOneGo) {
    cn->execute("insert into kdw_sfjl(id,djbh,sfrq,je,jmje,InOrOut) values(1,'SF1','2026-03-07 08:00:00',0.1,12.345,1),"
                "(2,'SF2','2026-03-08',0.2,0,0)");
    RecordsetPtr rs = cn->execute("select id,je,sfrq,djbh,jmje,rq,je>0.15 as big from kdw_sfjl order by id");
    EXPECT_TRUE(rs->fieldInfo(0).type == DataType::Integer && rs->fieldInfo(3).type == DataType::VarChar &&
                rs->field("je").kind() == Kind::Currency);
    EXPECT_EQ(rs->field("sfrq").toText() + "|" + rs->field("jmje").toText(), "2026-03-07 08:00:00|12.345");
    EXPECT_TRUE(rs->field("rq").isNull() && rs->field("big").toInt() == 0);  // a boolean reads as 0 or 1
    rs->moveNext();
    EXPECT_EQ(rs->field("sfrq").kind(), Kind::Date);
    EXPECT_EQ(rs->field("sfrq").toText(), "2026-03-08");
    // Sums are exact: a remainder of 0.00 is no debt.
    EXPECT_EQ(firstColumn(*cn, "select xsid from kdw_sfjl group by xsid Having Sum(je - 0.1 - 0.2) > 0").size(), 0u);
    // The work table's own DDL names money and datetime: exact numbers and
    // dates, not the server's locale-dependent money.
    cn->execute("create table tmpJM1 ( xsid int,sfyf varchar(20),sfxmid int,ysje money,termfrom datetime,termto "
                "datetime,ye money,jmje money,qfkid int,feetermname varchar(200))");
    cn->execute("insert into tmpJM1(xsid,ysje,termfrom) values(1,'1234567.8912','2026-09-01')");
    rs = cn->execute("select ysje,termfrom from tmpJM1");
    EXPECT_EQ(rs->field("ysje").toCurrency(), Currency::fromRaw(12345678912));
    EXPECT_EQ(rs->field("termfrom").kind(), Kind::Date);
    // Result columns keep the case and names they are written with.
    rs = cn->execute("select xsid as XsID, ysje as 预收, termFrom from tmpJM1");
    EXPECT_EQ(rs->fieldInfo(0).name + rs->fieldInfo(1).name + rs->fieldInfo(2).name, "XsID预收termFrom");

    cn->execute("insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,jmje) values(1,'202612',7,'2026-12-01',100,30),"
                "(2,'202611',7,'2026-11-01',50,80),(3,'202610',8,'2026-10-31 23:00:00',0,0)");
    cn->execute("insert into kdw_xs(id,xh,xm) values(7,'A01','Zhang San'),(8,'a02','李四')");
    // Null to zero, smaller of two, a sum that may be null.
    EXPECT_EQ(text("select sum(isnull(qfje,0)) from qfhzb where isnull(fkje,0)=0"), "150");
    EXPECT_EQ(text("select sum(iif(isnull(fkrq),0,qfje)) from qfhzb"), "0");
    EXPECT_EQ(text("select sum(iif(jmje>qfje,qfje,jmje)) from qfhzb"), "80");
    EXPECT_EQ(text("select iif(sum(qfje) is null,0,sum(qfje)) from qfhzb where xsid=99"), "0");
    // Dates: SQL Server compares with the quoted text, Access with format().
    EXPECT_EQ(text("select count(*) from qfhzb where qfrq between '2026-11-01' and '2026-12-01'"), "2");
    EXPECT_EQ(text("select count(*) from qfhzb where qfrq between  format('2026-11-01','yyyy-mm-dd') and "
                   "format('2026-12-01','yyyy-mm-dd') "), "2");
    // A date-time stored through format, a balance rounded to cents, now.
    cn->execute("update qfhzb set fkrq=format('2026-12-06 10:11:12','yyyy-mm-dd HH:mm:ss') where qfkid=1");
    EXPECT_EQ(text("select fkrq from qfhzb where qfkid=1"), "2026-12-06 10:11:12");
    cn->execute("update kdw_xs set ysk=format(ysk+(10.005),'0.00') where id=7");
    EXPECT_EQ(text("select ysk from kdw_xs where id=7"), "10.01");
    cn->execute("update qfhzb set fkrq=getdate() where qfkid=2");
    EXPECT_EQ(scalar(*cn, "select fkrq from qfhzb where qfkid=2").kind(), Kind::Date);
    // select top N, left, a number written against "and", mixed-case names.
    EXPECT_EQ(firstColumn(*cn, "select top 2 qfkid from QFHZB order by qfkid desc"),
              (std::vector<std::string>{"3", "2"}));
    EXPECT_EQ(text("select count(*) from Kdw_Xs where 1=1and left(xh,1)='a'"), "2");
    // Text compares ignoring case, LIKE included.
    EXPECT_EQ(text("select id from kdw_xs where xh='A01'"), "7");
    EXPECT_EQ(firstColumn(*cn, "select id from kdw_xs where xh like 'A%' or xm like '%SAN' order by id"),
              (std::vector<std::string>{"7", "8"}));

    // A series goes to the server in one pipeline: each statement keeps its own
    // values (one statement twice, the second time with money where it had a
    // whole number, so it is prepared again while the series is made), each
    // answers with its rows, and one that fails halfway throws its error after
    // every answer is in: the transaction then ends whole, and the session
    // reads on outside the pipeline.
    Statement insert = cn->prepare("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje) values(?,7,1,?,?,0,0)");
    Statement reduce = cn->prepare("update qfmxb set jmje=? where qfkid=? and xsid=7");
    Statement sum = cn->prepare("select sum(qfje-jmje) from qfmxb where qfkid=?");
    std::vector<long> changed;
    {
        Transaction tx(*cn);
        const std::vector<RecordsetPtr> sets = Statement::executeSeries(
            {{&insert, {Value(5), Value(1), Value(800)}},
             {&insert, {Value(5), Value(2), Value(*Currency::parse("341.5"))}},
             {&reduce, {Value(10), Value(5)}},
             {&sum, {Value(5)}}},
            changed);
        EXPECT_EQ(changed, (std::vector<long>{1, 1, 2, -1}));
        ASSERT_TRUE(sets[3] && !sets[3]->eof());
        EXPECT_EQ(sets[3]->field(std::size_t{0}).toCurrency(), *Currency::parse("1121.5"));
        EXPECT_FALSE(sets[0]);
        tx.commit();
    }
    cn->execute("create unique index ux_test_qfmxb on qfmxb(qfkid,sfxmid)");
    const DbError duplicate = errorOf([&] {
        Transaction tx(*cn);
        Statement::executeSeries({{&reduce, {Value(20), Value(5)}},
                                  {&insert, {Value(5), Value(1), Value(1)}},
                                  {&insert, {Value(6), Value(3), Value(1)}}},
                                 changed);
    });
    EXPECT_EQ(pgSqlState(duplicate.code()) + "|" + duplicate.description(), std::string("23505|") + dbtext::Constraint);
    EXPECT_EQ(text("select string_agg(qfkid||':'||sfxmid||':'||jmje, ',' order by sfxmid) from qfmxb"),
              "5:1:10.0000,5:2:10.0000");
}

// Prepared statements store what the same rows written out store: quotes
// as typed, money exactly, dates; a value bound in the select list of an
// insert takes the type of what is bound there, and a parameter bound null
// first and then a number is prepared again for it. Errors are the
// connection's; a failed statement ends its transaction whole, and a
// statement runs again after it rolled back.
TEST_F(PgEngine, PreparedStatementsStoreWhatTheirTextsStore) {
    Statement insert = cn->prepare("insert into kdw_sfjl(id,djbh,sfrq,bjmc,jmje,rq) values(?,?,?,?,?,?)");
    insert.bindAll({Value(1), Value("JM'1"), Value("2026-12-01"), Value("O'Neil班"), Value(*Currency::parse("12.3456")),
                    Value(DateTime{2026, 12, 6, 10, 5, 9})})
        .execute();
    cn->execute("insert into kdw_sfjl(id,djbh,sfrq,bjmc,jmje,rq) values(2,'JM''1','2026-12-01','O''Neil班',12.3456,"
                "'2026-12-06 10:05:09')");
    const std::string row = "select djbh||'|'||sfrq||'|'||bjmc||'|'||jmje||'|'||rq from kdw_sfjl where id=";
    EXPECT_EQ(text(row + "1"), text(row + "2"));
    EXPECT_EQ(text(row + "1"), "JM'1|2026-12-01 00:00:00|O'Neil班|12.3456|2026-12-06 10:05:09");

    cn->execute("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje) values(5,7,1,3,100,0,30)");
    Statement copy = cn->prepare("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje)select ?,xsid,sflxid,"
                                 "sfxmid,qfje-jmje,0,0 from qfmxb where qfkid=? and xsid=? and fkje<qfje");
    long copied = 0, changed = 0;
    copy.bindAll({Value(6), Value(5), Value(7)}).execute(&copied);
    Statement kind = cn->prepare("update qfmxb set sflxid=? where qfkid=?");
    kind.bindAll({Value(), Value(6)}).execute(&changed);
    EXPECT_EQ(std::vector<long>({copied, changed}), std::vector<long>({1, 1}));
    EXPECT_EQ(text("select count(*) from qfmxb where qfkid=6 and sflxid is null"), "1");
    kind.bindAll({Value(9), Value(6)}).execute();
    EXPECT_EQ(text("select qfje||'|'||jmje||'|'||sflxid from qfmxb where qfkid=6"), "70.0000|0.0000|9");

    const DbError twice = errorOf([&] { insert.bind(1, Value(2)).execute(); });
    // The clerk's words; the server's stay beside them.
    EXPECT_TRUE(twice.kind() == DbErrorKind::Constraint && twice.description() == dbtext::Constraint);
    EXPECT_NE(twice.engineText().find("duplicate"), std::string::npos) << twice.engineText();
    cn->beginTrans();
    insert.bind(1, Value(3)).execute();
    EXPECT_THROW(insert.execute(), DbError);  // aborts the transaction on the server, and its commit says so
    EXPECT_THROW(cn->commitTrans(), DbError);
    cn->rollbackTrans();
    insert.bind(1, Value(4)).execute();
    EXPECT_EQ(text("select string_agg(id::text, ',' order by id) from kdw_sfjl"), "1,2,4");
    // A table that is not there is Other: the fee-database check reads it as
    // "no such table", not as a lost server.
    const DbError missing = errorOf([&] { cn->execute("select * from fo_nosuch_table"); });
    EXPECT_TRUE(missing.kind() == DbErrorKind::Other && missing.description() == dbtext::Other);
}

TEST_F(PgEngine, APostingHoldsTheBooksWriteLockUntilItEndsAndNoStringOrReadOnlySessionGetsPastTheServer) {
    auto other = db.open();
    other->setCommandTimeout(1);
    cn->beginTrans();
    cn->execute("insert into kdw_bj(id,mc) values(1,'大一班')");
    // A second posting waits for the first, then gives up without a
    // transaction left open.
    const auto started = std::chrono::steady_clock::now();
    const DbError busy = errorOf([&] { other->beginTrans(); });
    EXPECT_TRUE(busy.kind() == DbErrorKind::Busy && busy.description() == dbtext::Busy) << busy.engineText();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
    EXPECT_FALSE(other->inTransaction());
    // Reads outside a posting never wait, and see only what is committed.
    EXPECT_EQ(scalar(*other, "select count(*) from kdw_bj").toInt(), 0);
    cn->commitTrans();
    other->beginTrans();
    EXPECT_EQ(scalar(*other, "select count(*) from kdw_bj").toInt(), 1);
    other->rollbackTrans();

    // Connection strings name the server, never the password.
    EXPECT_THROW(openConnection(db.connectionString() + ";Password=secret"), DbError);
    // A server that is not there: nothing listens on that port.
    auto nowhere = db.connectionString();
    nowhere.replace(nowhere.find("Port=") + 5, 4, "1");
    const DbError unreachable = errorOf([&] { openConnection(nowhere); });
    EXPECT_EQ(unreachable.kind(), DbErrorKind::Connection) << unreachable.engineText();
    EXPECT_NE(unreachable.description().find("无法连接数据库服务器"), std::string::npos) << unreachable.description();

    // A read-only session (a script's probe) writes nothing, whatever the
    // text: not a change, not several statements with a commit between, not
    // a SET that would make its transaction or its next ones read-write.
    Connection probe;
    probe.open(db.connectionString(), OpenMode::ReadOnly);
    EXPECT_EQ(scalar(probe, "select count(*) from kdw_bj").toInt(), 1);
    for (const char* sql : {"update kdw_bj set mc='x'", "delete from kdw_bj", "commit; delete from kdw_bj",
                            "set transaction read write; delete from kdw_bj",
                            "set session characteristics as transaction read write; delete from kdw_bj",
                            "select nextval('no_such_sequence')"})
        EXPECT_THROW(probe.execute(sql), DbError) << sql;
    probe.execute("set default_transaction_read_only=off");
    EXPECT_THROW(probe.execute("delete from kdw_bj"), DbError);
    EXPECT_EQ(text("select mc from kdw_bj where id=1"), "大一班");
}

class PgFeeDatabase : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only"; }
    DbError refusal(const std::string& link) {
        return errorOf([&] { openFeeDatabase(link); });
    }
    TempDir dir;
    ScratchPgDatabases scratch;
};

// A second creation refuses the database, which keeps its rows; an empty
// database an administrator made is filled; anything else, or a newer
// schema, is refused untouched.
TEST_F(PgFeeDatabase, ANewOneIsMadeOnTheServerNeverOverAnotherAndAnythingElseIsRefusedUntouched) {
    const std::string link = scratch.fresh("fo_fdb_new");
    createFeeDatabase(link)->execute("insert into kdw_bj(id,mc) values(1,'大一班')");
    EXPECT_EQ(errorOf([&] { createFeeDatabase(link); }).code(), dberr::AlreadyExists);
    EXPECT_EQ(scalar(*openFeeDatabase(link), "select count(*) from kdw_bj").toInt(), 1);
    const std::string empty = scratch.fresh("fo_fdb_empty");
    openConnection(pgLinkToDatabase(empty, "postgres"))->execute("create database " + pgLinkParts(empty).database);
    createFeeDatabase(empty)->close();
    EXPECT_EQ(feeSchemaVersionOf(*openFeeDatabase(empty)), kFeeSchemaVersion);

    const std::string other = scratch.fresh("fo_fdb_other");
    openConnection(pgLinkToDatabase(other, "postgres"))->execute("create database " + pgLinkParts(other).database);
    openConnection(other)->execute("create table public.invoices(id int); insert into public.invoices values(7)");
    DbError e = refusal(other);
    EXPECT_EQ(e.kind(), DbErrorKind::NotFeeDatabase) << e.engineText();
    EXPECT_EQ(scalar(*openConnection(other), "select count(*) from public.invoices").toInt(), 1);
    const std::string newer = scratch.fresh("fo_fdb_newer");
    createFeeDatabase(newer)->execute("update fo_schema set version=version+1");
    e = refusal(newer);
    EXPECT_EQ(e.kind(), DbErrorKind::NewerSchema) << e.engineText();
    EXPECT_EQ(scalar(*openConnection(newer), "select version from fo_schema").toInt(), kFeeSchemaVersion + 1);
    const DbError gone = refusal(scratch.fresh("fo_fdb_missing"));
    EXPECT_TRUE(gone.kind() == DbErrorKind::Missing && pgSqlState(gone.code()) == "3D000") << gone.engineText();
    EXPECT_NE(gone.description().find("fo_fdb_missing"), std::string::npos) << gone.description();
}

// Version 8 deleted what is now retired, had no table of students' moves
// (the administrators' to keep and the clerks' to read, as the rest of the
// school is), counted no pending sign-ins and kept the rights in rows only:
// the upgrade adds the count and makes every operator's rights memberships.
TEST_F(PgFeeDatabase, AVersionEightDatabaseRetiresGrantsItsMovesAndMakesItsOperatorsRightsMemberships) {
    const std::string link = scratch.fresh("fo_fdb_v8");
    {
        ConnectionPtr cn = createFeeDatabase(link);
        Operators operators(*cn);
        operators.ensureBuiltIns();
        operators.add(Operator{2, "收费员甲", false});
        for (const char* table : {"sys_log", "kdw_sfjl"})
            cn->execute(std::string("drop trigger fo_") + table + "_rights on " + table);
        cn->execute("drop table fo_right_roles");
        cn->execute("alter table sys_user drop column pending");
        cn->execute("insert into sys_user_right(userid,rightcode,level) values(2,'PJCX',2)");
        cn->execute("drop table kdw_xsbd");
        for (const char* table : {"kdw_bj", "kdw_xslx", "kdw_sfxm", "kdw_sflx"})
            cn->execute(std::string("alter table ") + table + " drop column del");
        cn->execute("update fo_schema set version=8");
        cn->execute("insert into kdw_xs(id,xh,xm,bjid,sflxid,rxsj) values(11,'A001','王小展',3,2,'2025-09-01')");
    }
    ConnectionPtr cn = openFeeDatabase(link);
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    for (const char* table : {"kdw_bj", "kdw_xslx", "kdw_sfxm", "kdw_sflx"})
        EXPECT_NO_THROW(cn->execute(std::string("select del from ") + table)) << table;
    EXPECT_EQ(firstColumn(*cn, "select xsid||'|'||bjid||'|'||sflxid||'|'||to_char(bdrq,'YYYY-MM-DD') from kdw_xsbd"),
              std::vector<std::string>{"11|3|2|2025-09-01"});
    EXPECT_EQ(firstColumn(*cn, "select v.k||' '||v.p||' '||has_table_privilege(r.rolename, 'kdw_xsbd', v.p) from "
                               "fo_server_roles r, (values ('clerks','select'),('clerks','insert'),"
                               "('admins','insert')) v(k,p) where r.kind=v.k order by 1"),
              (std::vector<std::string>{"admins insert true", "clerks insert false", "clerks select true"}));
    EXPECT_EQ(scalar(*cn, "select (select pending from sys_user where id=2)||'/'||(select count(*) from "
                          "fo_operator_roles o, fo_right_roles r where o.userid=2 and r.rightcode='PJCX' and "
                          "r.level=2 and pg_has_role(o.rolename, r.rolename, 'member'))").toText(),
              "0/1");
    EXPECT_EQ(pgRightMembershipFaults(*cn), std::vector<std::string>{});
}

// Version 4 had no fee records index that carries the register's amounts;
// version 5 kept document numbers case-insensitive, and the office reads
// them in a view of its own.
TEST_F(PgFeeDatabase, AVersionFourDatabaseGetsTheRegistersIndexAndComparesDocumentNumbersByteForByte) {
    const std::string link = scratch.fresh("fo_fdb_v4");
    const std::string registerRows =
        "select a.id||'|'||a.djbh||'|'||b.ysk from PJML as a,kdw_sfjl as b,kdw_xs as c "
        "where a.djbh=b.djbh and a.xsid=c.id order by a.id desc";
    std::vector<std::string> before;
    {
        ConnectionPtr cn = createFeeDatabase(link);
        dropCashTotalsTriggers(*cn);  // version 14's, which name djbh
        cn->execute("drop index ix_kdw_sfjl_djbh_ysk_hkje");
        cn->execute("create index ix_kdw_sfjl_djbh on kdw_sfjl(djbh)");
        for (const char* table : {"PJML", "kdw_sfjl", "INandOutML"})
            cn->execute(std::string("alter table ") + table + " alter column djbh type citext");
        cn->execute("update fo_schema set version=4");
        cn->execute("insert into kdw_xs(id,xh,xm) values(11,'A001','王小展'),(12,'A002','李二')");
        cn->execute("insert into kdw_sfjl(id,djbh,xsid,ysk,hkje) values(1,'SF1',11,20,0),(2,'SF2',12,0,35.5)");
        cn->execute("insert into PJML(id,djbh,xsid,hjje) values(10,'SF1',11,300),(20,'SF2',12,120.5)");
        cn->execute("insert into INandOutML(djbh,id,je) values('SF1',1,300)");
        cn->execute("create view v_office_numbers as select a.djbh, a.hjje from PJML as a where left(a.djbh,2)='SF'");
        before = firstColumn(*cn, registerRows);
        ASSERT_EQ(before.size(), 2u);
        ASSERT_EQ(scalar(*cn, "select count(*) from PJML where djbh='sf1'").toInt(), 1);
    }
    ConnectionPtr cn = openFeeDatabase(link);
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    EXPECT_EQ(firstColumn(*cn, registerRows), before);
    EXPECT_EQ(scalar(*cn, "select string_agg(indexname, ',' order by indexname) from pg_indexes "
                          "where tablename='kdw_sfjl' and indexname like 'ix_kdw_sfjl_djbh%'").toText(),
              "ix_kdw_sfjl_djbh_ysk_hkje");
    EXPECT_EQ(firstColumn(*cn, "select djbh||'|'||hjje from v_office_numbers order by djbh"),
              (std::vector<std::string>{"SF1|300.0000", "SF2|120.5000"}));
    for (const auto& [table, found] : {std::pair{"PJML", "0/1/2"}, {"kdw_sfjl", "0/1/2"}, {"INandOutML", "0/1/1"}})
        EXPECT_EQ(scalar(*cn, std::string("select count(*) filter(where djbh='sf1')||'/'||count(*) filter(where "
                                          "djbh='SF1')||'/'||count(*) filter(where left(djbh,2)='SF') from ") +
                                  table).toText(),
                  found) << table;
    // A new database has them so too, and the counters' range of numbers is
    // read from the index.
    cn->execute("set enable_seqscan = off");
    std::string plan;
    for (const std::string& line :
         firstColumn(*cn, "explain select max(djbh) from INandOutML where djbh>'SF0000' and djbh<='SF9999'"))
        plan += line + "\n";
    EXPECT_NE(plan.find("ix_inandoutml_djbh"), std::string::npos) << plan;
    const std::string fresher = scratch.fresh("fo_fdb_v6");
    EXPECT_EQ(scalar(*createFeeDatabase(fresher), "select count(*) from information_schema.columns where "
                                                  "column_name='djbh' and data_type='character varying'").toInt(), 3);
}

// The behaviour tests post as the signed-in operator's role, the roles the
// demo's template made shared by no other test's clone, and arrange and read
// as the owner.
TEST_F(PgFeeDatabase, TheHostsSessionsOfASignedInOperatorAreHisOwnRoleAndTheTestsStayTheOwners) {
    const DemoOptions demo{120, 1, "2026-12-06"};
    DemoDatabase first(dir, demo), second(dir, demo);
    PgSignedInOperator clerk(first.location(), 3);
    const std::string role = scalar(*openConnection(first.location()), "select session_user").toText();
    EXPECT_EQ(role, pgLinkParts(first.location()).database + "_op3");
    EXPECT_THROW(openConnection(first.location())->execute("delete from sys_log"), DbError);
    EXPECT_EQ(scalar(*openAsOwner(first.location()), "select session_user").toText(), "feeoffice");
    EXPECT_NE(scalar(*openAsOwner(second.location()), "select rolename from fo_operator_roles where userid=3").toText(),
              role);
}

// Every row of every table, as sorted texts, by lower-case table name: two
// databases with the same books give the same. The operators' passwords are
// left out: a server keeps its own, so a copy carries none either way.
std::map<std::string, std::vector<std::string>> everything(const std::string& database) {
    auto cn = openConnection(linkStringFor(database));
    std::map<std::string, std::vector<std::string>> out;
    for (const std::string& table : tableNames(*cn)) {
        const std::string name = lowerAscii(table);
        if (name == "fo_schema" || name == "fo_counters" || name == "fo_server_roles" || name == "fo_operator_roles" ||
            name == "fo_right_roles")
            continue;
        std::vector<std::string> columns = columnNames(*cn, table);
        if (name == "sys_user")
            std::erase_if(columns, [](const std::string& c) { return lowerAscii(c) == "pwhash" || lowerAscii(c) == "mustsetpw"; });
        std::sort(columns.begin(), columns.end(),
                  [](const std::string& a, const std::string& b) { return lowerAscii(a) < lowerAscii(b); });
        std::string list;
        for (const std::string& c : columns) list += (list.empty() ? "" : ",") + c;
        auto& rows = out[name] = joinedRows(*cn, "select " + list + " from " + table);
        std::sort(rows.begin(), rows.end());
    }
    return out;
}

using FeeDatabaseCopyTest = PgFeeDatabase;

// The books go to the server and back row for row, with the counters:
// numbers handed out and rolled back at the source stay handed out. Books an
// older build wrote with empty date texts: the copy carries them so that
// every read, the books check included, answers on the server as it did on
// the file, and back on a file they are the empty texts they were. A target
// that holds anything is refused, and a failed copy leaves nothing behind.
TEST_F(FeeDatabaseCopyTest, TheBooksGoToTheServerAndBackRowForRowWithTheCountersAndTheirEmptyDateTexts) {
    const std::string file = dir.file("school.db");
    writeDemoSchool(file, DemoOptions{8, 2, "2026-12-06"});
    CounterService(file).nextId("qfhzb", 5000);
    {
        auto source = openConnection(sqliteConnectionString(file));
        source->execute("update kdw_sfjl set sfrq='' where id=(select min(id) from kdw_sfjl where djbh like 'JM%')");
        source->execute("update qfhzb set fkrq='' where qfkid=(select min(qfkid) from qfhzb where fkrq is null)");
        source->execute("update ajzrq set todate='' where yf=(select max(yf) from ajzrq)");
        // Longer than its declared 200 characters: kept whole on both engines.
        std::string address(70, 'x');
        for (int i = 0; i < 150; ++i) address += "路";
        source->execute("update kdw_xs set jtzz='" + address + "' where id=1");
    }
    const std::string server = scratch.fresh("fo_copy_empty");
    const CopyReport there = copyFeeDatabase(file, server);
    EXPECT_TRUE(there.rowsMatch());
    std::vector<std::string> carried;
    for (const EmptyDates& e : there.emptyDates)
        carried.push_back(lowerAscii(e.table) + "." + lowerAscii(e.column) + "=" + std::to_string(e.rows));
    std::sort(carried.begin(), carried.end());
    EXPECT_EQ(carried, (std::vector<std::string>{"ajzrq.todate=1", "kdw_sfjl.sfrq=1", "qfhzb.fkrq=1"}));
    const auto books = everything(file);
    EXPECT_EQ(everything(server), books);
    EXPECT_GT(CounterService(server).nextId("qfhzb"), 5000);
    // Every operator has a role of his own there, and sets a password anew.
    EXPECT_EQ(firstColumn(*openConnection(server), "select u.pwhash||'|'||u.mustsetpw||'|'||(r.rolename is not null) "
                                                   "from sys_user u left join fo_operator_roles r on r.userid=u.id "
                                                   "group by 1 order by 1"),
              std::vector<std::string>{"|1|true"});

    const auto answers = [](const std::string& database) {
        auto cn = openConnection(linkStringFor(database));
        std::vector<std::string> out;
        for (const char* sql : {
                 "select count(*) from qfhzb where fkrq is null",
                 "select count(*) from kdw_sfjl where sfrq<'2000-01-01' or sfrq is null",
                 "select count(*) from kdw_sfjl where sfrq between '2000-01-01' and '2099-12-31'",
                 "select count(*) from ajzrq where fromdate is not null and todate is not null",
                 "select '['||left(sfrq,10)||']' from kdw_sfjl where sfrq<'2000-01-01'",
                 "select '['||isnull(format(todate,'yyyy-mm-dd'),'null')||']' from ajzrq where todate<'2000-01-01'",
                 "select min(sfrq) from kdw_sfjl where djbh like 'JM%'",
             })
            for (const std::string& answer : firstColumn(*cn, sql)) out.push_back(std::string(sql) + " -> " + answer);
        return out;
    };
    EXPECT_EQ(answers(server), answers(file));
    const auto texts = [](const std::vector<BooksFault>& faults) {
        std::vector<std::string> out;
        for (const BooksFault& f : faults) out.push_back(f.text);
        return out;
    };
    EXPECT_EQ(texts(there.faults), texts(checkBooks(*openConnection(sqliteConnectionString(file)))));
    EXPECT_THROW(copyFeeDatabase(file, server), std::runtime_error);
    EXPECT_EQ(everything(server), books);

    const std::string back = dir.file("back.db");
    const CopyReport home = copyFeeDatabase(server, back);
    EXPECT_TRUE(home.emptyDates.empty());
    EXPECT_EQ(everything(back), books);
    EXPECT_THROW(copyFeeDatabase(server, file), std::runtime_error);  // an existing file
    EXPECT_GT(CounterService(back).nextId("qfhzb"), 5000);
    // The identity columns number on above the copied rows (a duplicate key
    // otherwise).
    EXPECT_NO_THROW(openConnection(server)->execute("insert into PJMLmx(PjMLid,xmmc,je) values(1,'新项目',1)"));
    EXPECT_EQ(scalar(*openConnection(sqliteConnectionString(back)), "select count(*) from qfhzb where fkrq=''").toInt(), 1);

    // Rows the server cannot take (a date that is no date, a day the month
    // does not have, a document number longer than its column) are named,
    // every one, before anything is copied: the database it made is gone
    // again.
    auto source = openConnection(sqliteConnectionString(file));
    source->execute("update kdw_xs set csrq='someday' where id=(select min(id) from kdw_xs)");
    source->execute("update kdw_sfjl set sfrq='2026-02-30' where id=(select min(id) from kdw_sfjl)");
    source->execute("update PJML set djbh='SF" + std::string(60, '9') + "' where id=(select max(id) from PJML)");
    source->execute("update kdw_sfjl set rq='' where id=(select max(id) from kdw_sfjl)");  // carried, not refused
    const auto rowid = [&](const std::string& sql) { return scalar(*source, sql).toText(); };
    const std::string target = scratch.fresh("fo_copy_failed");
    try {
        copyFeeDatabase(file, target);
        ADD_FAILURE() << "copied books the server refuses";
    } catch (const std::runtime_error& e) {
        const std::string why = e.what();
        EXPECT_NE(why.find("有 3 处内容数据库服务器不接受，没有复制任何数据"), std::string::npos) << why;
        EXPECT_NE(why.find("kdw_xs.csrq（rowid " + rowid("select rowid from kdw_xs where csrq='someday'") +
                           "）：“someday”不是日期"),
                  std::string::npos) << why;
        EXPECT_NE(why.find("kdw_sfjl.sfrq（rowid " + rowid("select rowid from kdw_sfjl where sfrq='2026-02-30'") +
                           "）：“2026-02-30”不是日期"),
                  std::string::npos) << why;
        EXPECT_NE(why.find("PJML.djbh（rowid " + rowid("select max(id) from PJML") + "）：“SF9999"), std::string::npos)
            << why;
        EXPECT_NE(why.find("有 62 个字，该列最多 50 个字"), std::string::npos) << why;
    }
    EXPECT_EQ(scalar(*openConnection(pgTestLink("postgres")),
                     "select count(*) from pg_database where datname='" + pgLinkParts(target).database + "'").toInt(),
              0);
}

}  // namespace
}  // namespace fo::test
