#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "data/myDB.h"
#include "db/DbError.h"
#include "host/api/ModuleGlobals.h"
#include "support/Dialects.h"
#include "support/FakeHostSystem.h"
#include "support/Query.h"
#include "support/RecordingMessages.h"
#include "support/TempFeeDb.h"

namespace fo {
namespace {

using test::FakeHostSystem;
using test::RecordingMessages;
using test::ScopedHost;
using test::TempFeeDb;

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
        EXPECT_EQ(db.cn()->cursorLocation(), CursorLocation::Client);
        EXPECT_EQ(db.cn()->state(), Connection::Open);
    }
    // A failure to connect reaches the creator.
    Session s{Value(0)};
    s.host->setLinkString("Provider=Nowhere;Data Source=x");
    EXPECT_THROW(myDB{}, DbError);
    EXPECT_EQ(s.messages.count(), 0u);
}

class myDBSession : public test::DialectTest {
protected:
    Session s{Value(dialectCode())};
};

TEST_P(myDBSession, ExeSqlLeavesErrorsToTheCallerAndGetRecReadsAClientSideSetOrShowsOneMessageKeepingTheLast) {
    myDB db;
    db.exeSql("insert into kdw_bj(id,mc) values(1,'大一班')");
    db.exeSql("insert into kdw_bj(id,mc) values(2,'中二班')");
    RecordsetPtr rs = db.getRec("select id,mc from kdw_bj order by id");
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(test::columnTexts(*rs, "mc"), (std::vector<std::string>{"大一班", "中二班"}));
    // A second walk works on the same set.
    EXPECT_EQ(test::columnTexts(*rs, "id"), (std::vector<std::string>{"1", "2"}));
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
    EXPECT_EQ(s.messages.last().icon, MsgIcon::Information);
    EXPECT_EQ(s.messages.last().buttons, MsgButtons::OK);
    // The earlier set is untouched and still readable.
    ASSERT_EQ(first->state(), Recordset::Open);
    first->moveFirst();
    EXPECT_EQ(first->field("mc").toText(), "大一班");
}

TEST_P(myDBSession, EachSessionHasItsOwnPostingWorkTable) {
    // Two clerks posting from the batch list at once fill tmpYSMxb each.
    myDB first, second;
    first.exeSql("delete from tmpYSMxb");
    first.exeSql("insert into tmpYSMxb(xsid,sfyf,sfxmid,ysje,jmje) values(11,'202612',1,300,30)");
    second.exeSql("delete from tmpYSMxb");
    EXPECT_EQ(test::scalar(*first.cn(), "select count(*) from tmpYSMxb").toInt(), 1);
    EXPECT_EQ(test::scalar(*second.cn(), "select count(*) from tmpYSMxb").toInt(), 0);
    // And none of it is in the fee database.
    EXPECT_EQ(test::scalar(*s.db.open(), "select count(*) from sqlite_master where name like 'tmp%'").toInt(), 0);
}

TEST_P(myDBSession, TrCnIsAClosedConnectionUntilCreatedAndAFailedCreationLeavesItAsItWas) {
    myDB db;
    ConnectionPtr tr = db.trCn();
    ASSERT_NE(tr, nullptr);
    EXPECT_EQ(tr->state(), Connection::Closed);
    EXPECT_EQ(db.trCn(), tr) << "the same connection object is handed out each time";
    EXPECT_THROW(tr->beginTrans(), DbError);

    db.createTrcn();
    EXPECT_EQ(s.messages.count(), 0u);
    EXPECT_EQ(tr->state(), Connection::Open);
    EXPECT_EQ(tr->commandTimeout(), sqlServer() ? 60 : 0);
    EXPECT_EQ(tr->connectionString(), s.db.connectionString());
    // Failures show the message and leave it as it was: a second time on
    // the open connection, or a link that connects nowhere.
    db.createTrcn();
    ASSERT_EQ(s.messages.count(), 1u);
    EXPECT_EQ(s.messages.last().title, "提示");
    EXPECT_EQ(s.messages.last().icon, MsgIcon::Information);
    EXPECT_EQ(tr->state(), Connection::Open);
    globals().transLinkString = "Provider=Nowhere;Data Source=x";  // ScopedHost restores it
    myDB other;
    other.createTrcn();
    ASSERT_EQ(s.messages.count(), 2u);
    EXPECT_EQ(other.trCn()->state(), Connection::Closed);
}

TEST_P(myDBSession, ReleasingClosesBothConnectionsAndRollsBackAnOpenTransaction) {
    ConnectionPtr cn, tr;
    {
        myDB db;
        cn = db.cn();
        db.createTrcn();
        tr = db.trCn();
        tr->beginTrans();
        tr->execute("insert into kdw_bj(id,mc) values(5,'未提交')");
    }
    EXPECT_EQ(cn->state(), Connection::Closed);
    EXPECT_EQ(tr->state(), Connection::Closed);
    EXPECT_TRUE(test::firstColumn(*s.db.open(), "select id from kdw_bj").empty());
    EXPECT_EQ(s.messages.count(), 0u);
}

FO_INSTANTIATE_DIALECTS(myDBSession);

}  // namespace
}  // namespace fo
