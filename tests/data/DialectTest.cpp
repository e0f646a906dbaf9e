// The dialects' forms on the same data, and myDB: the module's session on a
// fee database, its errors and its connections.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "data/myDB.h"
#include "db/DbError.h"
#include "db/values/Currency.h"
#include "db/values/DateTime.h"
#include "host/api/ModuleGlobals.h"
#include "support/Dialects.h"
#include "support/FakeHostSystem.h"
#include "support/Query.h"
#include "support/RecordingMessages.h"
#include "support/TempFeeDb.h"

namespace fo::test {
namespace {

using Texts = std::vector<std::string>;

// Both forms of each pair, run on the same data, select the same rows; the
// inserts the module leaves amounts out of, and the mirrors built from them.
class DialectOnData : public DialectTest {
protected:
    void SetUp() override { cn = db.open(); }
    Texts ids(const std::string& sql) { return firstColumn(*cn, sql); }
    // The day of the date `sql` reads, or what it reads when that is no date.
    std::string dayOf(const std::string& sql) {
        const Value v = scalar(*cn, sql);
        return v.toDate() ? v.toDate()->dateText() : "no date: " + v.toText();
    }

    TempFeeDb db;
    ConnectionPtr cn;
};

TEST_P(DialectOnData, AmountFormsSumCapAndKeepBalancesExactlyAndAStoredNowLandsOnToday) {
    EXPECT_EQ(scalar(*cn, "select " + sumOrZero(sqlServer(), "ysk") + " as yskJe from kdw_sfjlmx where sfjlid=99"),
              Value(0));

    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,ysk) values(1,1,0.1),(1,1,0.2),(1,2,5)");
    EXPECT_EQ(joinedRows(*cn, "select sfxmid," + sumOrZero(sqlServer(), "ysk") +
                                  " as yskJe from kdw_sfjlmx where sfjlid=1 group by sfxmid order by sfxmid"),
              (Texts{"1|0.3", "2|5"}));  // 0.3 exactly

    // The smaller of two caps a reduction at the amount owed.
    cn->execute("insert into qfmxb(qfkid,xsid,sfxmid,qfje,jmje) values(1,1,1,100,30),(1,1,2,50,80),(1,1,3,20,20)");
    EXPECT_EQ(joinedRows(*cn, "select sum(" + smallerOf(sqlServer(), "jmje", "qfje") +
                                  "),sum(qfje) from qfmxb  where qfkid=1 and xsid=1"),
              Texts{"100|170"});  // 30 + 50 + 20
    // A null amount or link counts as zero in either form: nothing owed, an
    // ordinary record.
    cn->execute("create table legacy(id int, qfje money, ysfjlid int)");
    cn->execute("insert into legacy values(1,null,null),(2,0,0),(3,25.5,2),(4,-3,0)");
    EXPECT_EQ(ids("select id from legacy where " + nullToZero(sqlServer(), "qfje") + ">0"), Texts{"3"});
    EXPECT_EQ(ids("select id from legacy where " + nullToZero(sqlServer(), "qfje") + "=0 order by id"),
              (Texts{"1", "2"}));
    EXPECT_EQ(ids("select a.id from legacy as a where " + nullToZeroIsNullForm(sqlServer(), "a.ysfjlid") +
                  "=0 order by a.id"),
              (Texts{"1", "2", "4"}));

    cn->execute("insert into kdw_xs(id,xh,xm,ysk) values(1,'1','甲',100.1)");
    cn->execute("update kdw_xs set " + roundedBalance(sqlServer(), "ysk", "0.2") + " where id=1");
    cn->execute("update kdw_xs set " + roundedBalance(sqlServer(), "ysk", "50.05", '-') + " where id=1");
    EXPECT_EQ(scalar(*cn, "select ysk from kdw_xs where id=1").toCurrency(),
              Currency::fromRaw(502500));  // 100.1 + 0.2 - 50.05

    // A stored now lands on today and settles the row.
    cn->execute("insert into qfhzb(qfkid,qfyf,xsid,qfje) values(1,'202403',1,10)");
    const DateTime now = DateTime::now();
    cn->execute("update qfhzb set jmje=10,jmjlid=5,fkrq=" + storedNowFormatted(sqlServer(), now) +
                " where qfkid=1 and xsid=1");
    EXPECT_EQ(dayOf("select fkrq from qfhzb where qfkid=1"), now.dateText());
    EXPECT_TRUE(ids("select qfkid from qfhzb where fkrq is null").empty());

    cn->execute("insert into PJML(id,djbh) values(1,'SF1')");
    cn->execute("update PJML set zfrq=" + storedNow(sqlServer(), now) + " where id=1");
    EXPECT_EQ(dayOf("select zfrq from PJML where id=1"), now.dateText());
}


// A reduction names only its own amounts: the others are zero, so a mirror
// that negates every column negates them too (0-null would be null). The
// cancellation link a host's charge insert may leave out is zero too, so the
// record stays live; it is never null. Arrears rows omitting their
// settlement columns stay open and unlinked.
TEST_P(DialectOnData, AmountsLinksAndSettlementsARowLeavesOutAreZeroOrOpenAndTextComparesIgnoringCase) {
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,jmje) values(10,'JM0001',1,35.55)");
    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,jmje) values(10,1,35.55)");
    EXPECT_ANY_THROW(cn->execute("insert into kdw_sfjl(id,djbh,ysfjlid) values(3,'X',null)"));
    EXPECT_EQ(joinedRows(*cn, "select a.je,a.tzje,a.zhekou,a.scjy,a.hkje,a.ssje,a.ysk,a.ysfjlid,b.je,b.ysje,b.ye,"
                              "b.ysk from kdw_sfjl as a,kdw_sfjlmx as b"),
              Texts{"0|0|0|0|0|0|0|0|0|0|0|0"});
    cn->execute(
        "insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,yqfkid,userid,cqts,qjts,jmje)"
        "values(5,'202403',1,'2024-03-01',150.5,0,0,0,1,0,0,0)");
    cn->execute("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje) values(5,1,1,1,150.5)");
    EXPECT_EQ(joinedRows(*cn, "select fkrq,jmjlid,sfjlid from qfhzb where qfkid=5 and " +
                                  nullToZero(sqlServer(), "jmjlid") + "=0 and fkrq is null"),
              Texts{"|0|0"});
    // The remainder copy selects items "where fkje<qfje": an omitted fkje must count as 0.
    EXPECT_EQ(firstColumn(*cn, "select qfkid from qfmxb where qfkid=5 and fkje<qfje"), std::vector<std::string>{"5"});
    EXPECT_TRUE(scalar(*cn, "select jmje from qfmxb where qfkid=5").toCurrency().isZero());

    // Text compares case-insensitively, as on the server, and only live
    // records are live. (Document numbers compare byte for byte: the
    // upgrades' tests read them so on the tables the upgrade made anew.)
    cn->execute("insert into kdw_bj(id,mc) values(3,'Class A')");
    cn->execute("insert into kdw_xs(id,xh,xm,jm,bjid) values(11,'A2024001','Wang Xz','XZ',3)");
    // 1 live with its link omitted, 2 cancelled by its mirror 3.
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,je) values(1,'JM202612060001',11,0)");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,ysfjlid) values(2,'JM2',11,0),(3,'JM3',11,2)");
    const std::string search = "select a.id from kdw_xs as a where ";
    for (const std::string condition :
         {"a.jm='xz'", "a.jm in('xz','yy')", "a.jm like 'x%'", "a.xh='a2024001'", "a.xm like '%XZ'"})
        EXPECT_EQ(firstColumn(*cn, search + condition), std::vector<std::string>{"11"}) << condition;
    EXPECT_EQ(firstColumn(*cn, "select id from vxsxx where 简码='xz' and 班级='class a'"),
              std::vector<std::string>{"11"});
    EXPECT_EQ(firstColumn(*cn, "select a.id from kdw_sfjl as a where a.djbh like 'jm%' and " +
                                   liveRecordCondition(sqlServer()) + " order by a.id"),
              (std::vector<std::string>{"1", "10"}));  // 10 above, its link left out
}


FO_INSTANTIATE_DIALECTS(DialectOnData);

// A fee database handed to the module through a host that reports `code`.
struct Session {
    explicit Session(Value code)
        : host(std::make_shared<FakeHostSystem>(db.connectionString(), std::move(code))),
          scoped(host, db.connectionString()) {}

    TempFeeDb db;
    std::shared_ptr<FakeHostSystem> host;
    ScopedHost scoped;
    RecordingMessages messages;
};

TEST(myDBConstruction, ClientCursorAndSixtySecondsOnlyOnSqlServerAndAFailureToConnectReachesTheCreator) {
    for (const auto& [code, timeout] : {std::pair{Value(1), 60}, {Value("1"), 60}, {Value(0), 0}, {Value(), 0},
                                        {Value(2), 0}, {Value(""), 0}}) {
        Session s{code};
        myDB db;
        EXPECT_EQ(db.cn()->commandTimeout(), timeout) << code.toText();
        EXPECT_TRUE(db.cn()->cursorLocation() == CursorLocation::Client && db.cn()->state() == Connection::Open);
    }
    // A failure to connect reaches the creator.
    Session s{Value(0)};
    s.host->setLinkString("Provider=Nowhere;Data Source=x");
    EXPECT_THROW(myDB{}, DbError);
    EXPECT_EQ(s.messages.count(), 0u);
}

class myDBSession : public DialectTest {
protected:
    Session s{Value(dialectCode())};
};

TEST_P(myDBSession, ExeSqlLeavesErrorsToTheCallerGetRecShowsOneMessageKeepingTheLastSetAndReleasingRollsBack) {
    myDB db;
    db.exeSql("insert into kdw_bj(id,mc) values(1,'大一班'),(2,'中二班')");
    RecordsetPtr rs = db.getRec("select id,mc from kdw_bj order by id");
    ASSERT_TRUE(rs);
    EXPECT_EQ(columnTexts(*rs, "mc"), (std::vector<std::string>{"大一班", "中二班"}));
    // A second walk works on the same set.
    EXPECT_EQ(columnTexts(*rs, "id"), (std::vector<std::string>{"1", "2"}));
    // A statement without rows is no failure of getRec.
    EXPECT_NE(db.getRec("update kdw_xs set del=0 where id=-1"), nullptr);
    // exeSql leaves errors to the caller; nothing to run is as wrong as a
    // misspelt statement.
    EXPECT_THROW(db.exeSql("insert into no_such_table values(1)"), DbError);
    EXPECT_THROW(db.exeSql(), DbError);
    EXPECT_THROW(db.exeSql("  "), DbError);
    EXPECT_EQ(s.messages.count(), 0u);

    // A failing getRec shows one message and keeps the previous result.
    RecordsetPtr first = db.getRec("select mc from kdw_bj");
    ASSERT_TRUE(first);
    RecordsetPtr failed = db.getRec("select mc from kdw_bj_missing");
    EXPECT_EQ(failed, nullptr);
    ASSERT_EQ(s.messages.count(), 1u);
    EXPECT_EQ(s.messages.last().title + "|" + s.messages.last().text, std::string("提示|") + dbtext::Other)
        << "the clerk reads Chinese, not the engine's words";
    EXPECT_TRUE(s.messages.last().icon == MsgIcon::Information && s.messages.last().buttons == MsgButtons::OK);
    // The earlier set is untouched and still readable.
    ASSERT_EQ(first->state(), Recordset::Open);
    first->moveFirst();
    EXPECT_EQ(first->field("mc").toText(), "大一班");

    // Releasing closes both connections and rolls back an open transaction.
    ConnectionPtr cn, tr;
    {
        myDB db;
        cn = db.cn();
        db.createTrcn();
        tr = db.trCn();
        tr->beginTrans();
        tr->execute("insert into kdw_bj(id,mc) values(5,'未提交')");
    }
    EXPECT_TRUE(cn->state() == Connection::Closed && tr->state() == Connection::Closed);
    EXPECT_EQ(firstColumn(*s.db.open(), "select id from kdw_bj"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(s.messages.count(), 1u);
}

TEST_P(myDBSession, EachSessionHasItsOwnPostingWorkTableAndItsTrCnOnceCreated) {
    // Two clerks posting from the batch list at once fill tmpYSMxb each.
    myDB first, second;
    first.exeSql("delete from tmpYSMxb");
    first.exeSql("insert into tmpYSMxb(xsid,sfyf,sfxmid,ysje,jmje) values(11,'202612',1,300,30)");
    second.exeSql("delete from tmpYSMxb");
    EXPECT_EQ(scalar(*first.cn(), "select count(*) from tmpYSMxb").toText() + "/" +
                  scalar(*second.cn(), "select count(*) from tmpYSMxb").toText(),
              "1/0");
    // And none of it is in the fee database.
    EXPECT_EQ(scalar(*s.db.open(), "select count(*) from sqlite_master where name like 'tmp%'").toInt(), 0);

    // trCn is a closed connection until created, and a failed creation leaves it as it was.
    myDB db;
    ConnectionPtr tr = db.trCn();
    ASSERT_NE(tr, nullptr);
    EXPECT_EQ(tr->state(), Connection::Closed);
    EXPECT_EQ(db.trCn(), tr) << "the same connection object is handed out each time";
    EXPECT_THROW(tr->beginTrans(), DbError);

    db.createTrcn();
    EXPECT_EQ(s.messages.count(), 0u);
    EXPECT_TRUE(tr->state() == Connection::Open && tr->commandTimeout() == (sqlServer() ? 60 : 0));
    EXPECT_EQ(tr->connectionString(), s.db.connectionString());
    // Failures show the message and leave it as it was: a second time on
    // the open connection, or a link that connects nowhere.
    db.createTrcn();
    ASSERT_EQ(s.messages.count(), 1u);
    EXPECT_TRUE(s.messages.last().title == "提示" && s.messages.last().icon == MsgIcon::Information);
    EXPECT_EQ(tr->state(), Connection::Open);
    globals().transLinkString = "Provider=Nowhere;Data Source=x";  // ScopedHost restores it
    myDB other;
    other.createTrcn();
    ASSERT_EQ(s.messages.count(), 2u);
    EXPECT_EQ(other.trCn()->state(), Connection::Closed);
}


FO_INSTANTIATE_DIALECTS(myDBSession);

}  // namespace
}  // namespace fo::test
