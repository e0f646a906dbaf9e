// The PostgreSQL engine on the test cluster, on fee databases of its own:
// what it reads, how the module's statements of both dialects run on it,
// its transactions and the books' write lock, and its errors.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "db/DbError.h"
#include "db/pg/PgErrors.h"
#include "support/ErrorOf.h"
#include "support/Query.h"
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
TEST_F(PgEngine, ReadsMoneyExactlyAndDatesAsTheEmbeddedEngineDoesAndBothDialectsRunAsWritten) {
    cn->execute("insert into kdw_sfjl(id,djbh,sfrq,je,jmje,InOrOut) values(1,'SF1','2026-03-07 08:00:00',0.1,12.345,1),"
                "(2,'SF2','2026-03-08',0.2,0,0)");
    RecordsetPtr rs = cn->execute("select id,je,sfrq,djbh,jmje,rq,je>0.15 as big from kdw_sfjl order by id");
    EXPECT_EQ(rs->fieldInfo(0).type, DataType::Integer);
    EXPECT_EQ(rs->fieldInfo(3).type, DataType::VarChar);
    EXPECT_EQ(rs->field("je").kind(), Kind::Currency);
    EXPECT_EQ(rs->field("sfrq").toText(), "2026-03-07 08:00:00");
    EXPECT_EQ(rs->field("jmje").toText(), "12.345");
    EXPECT_TRUE(rs->field("rq").isNull());
    EXPECT_EQ(rs->field("big").toInt(), 0);  // a boolean reads as 0 or 1
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
                   "format('2026-12-01','yyyy-mm-dd') "),
              "2");
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
    long changed = 0;
    copy.bindAll({Value(6), Value(5), Value(7)}).execute(&changed);
    EXPECT_EQ(changed, 1);
    Statement kind = cn->prepare("update qfmxb set sflxid=? where qfkid=?");
    kind.bindAll({Value(), Value(6)}).execute(&changed);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(text("select count(*) from qfmxb where qfkid=6 and sflxid is null"), "1");
    kind.bindAll({Value(9), Value(6)}).execute();
    EXPECT_EQ(text("select qfje||'|'||jmje||'|'||sflxid from qfmxb where qfkid=6"), "70.0000|0.0000|9");

    const DbError twice = errorOf([&] { insert.bind(1, Value(2)).execute(); });
    EXPECT_EQ(twice.kind(), DbErrorKind::Constraint);
    EXPECT_EQ(twice.description(), dbtext::Constraint);  // the clerk's words; the server's stay beside them
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
    EXPECT_EQ(missing.kind(), DbErrorKind::Other);
    EXPECT_EQ(missing.description(), dbtext::Other);
}

// A series goes to the server in one pipeline: each statement keeps its own
// values (one statement twice, the second time with money where it had a
// whole number, so it is prepared again while the series is made), each
// answers with its rows, and one that fails halfway throws its error after
// every answer is in: the transaction then ends whole, and the session
// reads on outside the pipeline.
TEST_F(PgEngine, ASeriesOfStatementsRunsInOneGoAndFailsWhole) {
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
    EXPECT_EQ(pgSqlState(duplicate.code()), "23505");
    EXPECT_EQ(duplicate.description(), dbtext::Constraint);
    EXPECT_EQ(text("select string_agg(qfkid||':'||sfxmid||':'||jmje, ',' order by sfxmid) from qfmxb"),
              "5:1:10.0000,5:2:10.0000");
}

TEST_F(PgEngine, APostingHoldsTheBooksWriteLockUntilItEnds) {
    auto other = db.open();
    other->setCommandTimeout(1);
    cn->beginTrans();
    cn->execute("insert into kdw_bj(id,mc) values(1,'大一班')");
    // A second posting waits for the first, then gives up without a
    // transaction left open.
    const auto started = std::chrono::steady_clock::now();
    const DbError busy = errorOf([&] { other->beginTrans(); });
    EXPECT_EQ(busy.kind(), DbErrorKind::Busy) << busy.engineText();
    EXPECT_EQ(busy.description(), dbtext::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
    EXPECT_FALSE(other->inTransaction());
    // Reads outside a posting never wait, and see only what is committed.
    EXPECT_EQ(scalar(*other, "select count(*) from kdw_bj").toInt(), 0);
    cn->commitTrans();
    other->beginTrans();
    EXPECT_EQ(scalar(*other, "select count(*) from kdw_bj").toInt(), 1);
    other->rollbackTrans();
}

TEST_F(PgEngine, ConnectionStringsNameTheServerNotThePassword) {
    EXPECT_THROW(openConnection(db.connectionString() + ";Password=secret"), DbError);
    // A server that is not there: nothing listens on that port.
    auto nowhere = db.connectionString();
    nowhere.replace(nowhere.find("Port=") + 5, 4, "1");
    const DbError unreachable = errorOf([&] { openConnection(nowhere); });
    EXPECT_EQ(unreachable.kind(), DbErrorKind::Connection) << unreachable.engineText();
    EXPECT_NE(unreachable.description().find("无法连接数据库服务器"), std::string::npos) << unreachable.description();
}

// A read-only session (a script's probe) writes nothing, whatever the text:
// not a change, not several statements with a commit between, not a SET that
// would make its transaction or its next ones read-write.
TEST_F(PgEngine, AReadOnlySessionCanNeverWrite) {
    cn->execute("insert into kdw_bj(id,mc) values(1,'大一班')");
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

}  // namespace
}  // namespace fo::test
