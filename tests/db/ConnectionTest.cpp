#include <gtest/gtest.h>

#include <sqlite3.h>

#include "TempDatabase.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/EngineRegistry.h"
#include "support/ErrorOf.h"

using fo::Connection;
using fo::ConnectionStringParts;
using fo::DbError;
using fo::Value;
using fo::dbtest::TempDatabase;
using fo::test::errorOf;
namespace dberr = fo::dberr;

namespace {

long countRows(Connection& cn, const std::string& table) {
    return static_cast<long>(cn.execute("select count(*) from " + table)->field(0).toInt());
}

TEST(ConnectionString, KeysAreCaseInsensitiveAndValuesMayHoldEqualsAndSemicolons) {
    const auto parts = ConnectionStringParts::parse("provider=SQLite; DATA SOURCE=/x/a=b.db ;Extra=1");
    EXPECT_EQ(parts.provider, "SQLite");
    EXPECT_EQ(parts.dataSource, "/x/a=b.db");
    EXPECT_EQ(parts.get("extra"), "1");
    EXPECT_EQ(parts.get("missing"), "");
    // Paths with semicolons, quotes and spaces survive the round trip.
    EXPECT_EQ(fo::sqliteConnectionString("/x/y.db"), "Provider=SQLite;Data Source=/x/y.db");
    for (const std::string path : {"/tmp/a;b.db", "/tmp/q\"uote.db", "/tmp/收费 1.db"})
        EXPECT_EQ(ConnectionStringParts::parse(fo::sqliteConnectionString(path)).dataSource, path);
}

// A host's own engine opens every connection naming its provider, whatever
// the case, and only those; once forgotten, the provider is unknown again,
// as one no engine was ever registered for.
TEST(ConnectionString, AHostsEngineOpensItsProviderOnlyAndAnUnknownOneIsRefused) {
    Connection refused;
    refused.setConnectionString("Provider=SQLOLEDB.1;Data Source=server");
    EXPECT_EQ(errorOf([&] { refused.open(); }).code(), dberr::BadProvider);
    EXPECT_EQ(refused.state(), Connection::Closed);
    EXPECT_EQ(errorOf([] { fo::openEngine("Data Source=/tmp/x.db", 1); }).code(), dberr::BadProvider);

    std::string seenSource;
    fo::OpenMode seenMode = fo::OpenMode::Existing;
    fo::registerEngine("HostOdbc", [&](const ConnectionStringParts& parts, int timeout, fo::OpenMode mode) {
        seenSource = parts.dataSource;
        seenMode = mode;
        return fo::openEngine("Provider=SQLite;Data Source=:memory:", timeout, mode);
    });
    Connection cn;
    cn.open("provider=hostodbc;Data Source=office", fo::OpenMode::CreateNew);
    EXPECT_EQ(cn.execute("select 40+2")->field(0).toInt(), 42);
    EXPECT_EQ(seenSource, "office");
    EXPECT_EQ(seenMode, fo::OpenMode::CreateNew);
    seenSource.clear();
    EXPECT_NE(fo::openEngine("Provider=sqlite;Data Source=:memory:", 1), nullptr);
    EXPECT_EQ(seenSource, "");

    EXPECT_TRUE(fo::unregisterEngine("HOSTODBC"));
    EXPECT_FALSE(fo::unregisterEngine("HostOdbc"));
    EXPECT_EQ(errorOf([] { fo::openEngine("Provider=HostOdbc;Data Source=office", 1); }).code(), dberr::BadProvider);
}

TEST(Connection, OpensOnceKeepsItsStringWhileOpenAndReturnsASetOnlyForColumns) {
    TempDatabase db;
    Connection cn;
    EXPECT_EQ(cn.state(), Connection::Closed);
    EXPECT_EQ(errorOf([&] { cn.execute("select 1"); }).code(), dberr::NotOpen);
    cn.open(db.connectionString());
    EXPECT_EQ(cn.state(), Connection::Open);
    EXPECT_EQ(errorOf([&] { cn.open(); }).code(), dberr::AlreadyOpen);
    EXPECT_EQ(errorOf([&] { cn.setConnectionString("Provider=SQLite;Data Source=/tmp/other.db"); }).code(),
              dberr::AlreadyOpen);
    EXPECT_EQ(cn.connectionString(), db.connectionString());
    cn.execute("create table t(a int)");
    cn.close();
    cn.close();  // closing a closed connection is harmless
    EXPECT_EQ(cn.state(), Connection::Closed);
    cn.open();  // and it can be opened again on the same string
    EXPECT_EQ(countRows(cn, "t"), 0);

    // A statement returns a set only when it has columns, and says how many
    // rows it changed.
    long affected = 99;
    EXPECT_EQ(cn.execute("create table u(id int, mc varchar(20))", &affected), nullptr);
    EXPECT_EQ(affected, 0);
    cn.execute("insert into u values(1,'a')");
    cn.execute("insert into u values(2,'b')");
    EXPECT_EQ(cn.execute("update u set mc='c'", &affected), nullptr);
    EXPECT_EQ(affected, 2);
    cn.execute("delete from u where id=1", &affected);
    EXPECT_EQ(affected, 1);
    auto empty = cn.execute("select id, mc from u where id<0");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->fieldCount(), 2u);
    EXPECT_TRUE(empty->eof());
}

TEST(Connection, ErrorsTellTheClerkInChineseAndKeepTheEngineWordsAndStatement) {
    TempDatabase db;
    auto cn = db.connect();
    const DbError e = errorOf([&] { cn->execute("select * from x"); });
    EXPECT_EQ(e.description(), "数据库操作失败，本次操作没有保存。");
    EXPECT_EQ(std::string(e.what()), e.description());
    EXPECT_EQ(e.engineText(), "no such table: x");
    EXPECT_EQ(e.kind(), fo::DbErrorKind::Other);
    EXPECT_EQ(e.statement(), "select * from x");
    EXPECT_EQ(e.code() & 0xff, SQLITE_ERROR);
    EXPECT_THROW(cn->execute("selec 1"), DbError);
    EXPECT_EQ(cn->state(), Connection::Open);  // a failed statement leaves the session usable
    // A text without any statement is as wrong as a misspelt one.
    for (const std::string blank : {"", " ", "\r\n\t"}) {
        EXPECT_EQ(errorOf([&] { cn->execute(blank); }).code(), dberr::EmptyStatement) << "[" << blank << "]";
    }
    // Text no engine would store as typed (a NUL, bytes that are not UTF-8,
    // an encoded surrogate) is refused before it runs, written or bound.
    cn->execute("create table t(mc text)");
    for (const std::string& bad : {std::string("a\0b", 3), std::string("\xff"), std::string("\xed\xa0\x80"),
                                  std::string("\xc0\xaf"), std::string("\xe5\xbc")}) {
        EXPECT_EQ(errorOf([&] { cn->execute("insert into t values('" + bad + "')"); }).code(), dberr::BadText);
        EXPECT_EQ(errorOf([&] { cn->prepare("insert into t values(?)").bind(1, Value(bad)); }).code(), dberr::BadText);
    }
    cn->execute("insert into t values('张三 😀 O''Neil')");
    EXPECT_EQ(cn->execute("select count(*) from t")->field(std::size_t{0}).toInt(), 1);
}

class ConnectionTransactions : public ::testing::Test {
protected:
    void SetUp() override { cn_->execute("create table t(a int)"); }
    TempDatabase db_;
    fo::ConnectionPtr cn_ = db_.connect();
    fo::ConnectionPtr other_ = db_.connect();
};

// Another session reads the committed state, without waiting, while a
// transaction writes (sessions run in WAL mode, foreign keys off as the
// books were written, a commit on disk before it returns unless the string
// says otherwise); a commit or rollback outside a transaction and a second
// begin are refused.
TEST_F(ConnectionTransactions, CommitKeepsRollbackDiscardsAndOthersSeeOnlyWhatIsCommitted) {
    EXPECT_EQ(other_->execute("pragma journal_mode")->field(0).toText(), "wal");
    EXPECT_EQ(other_->execute("pragma foreign_keys")->field(0).toInt(), 0);
    // 2 = FULL: the WAL is synced at every commit, not only at checkpoints.
    EXPECT_EQ(other_->execute("pragma synchronous")->field(0).toInt(), 2);
    EXPECT_EQ(fo::openConnection(db_.connectionString() + ";Synchronous=Normal")
                  ->execute("pragma synchronous")->field(0).toInt(), 1);
    other_->setCommandTimeout(1);
    EXPECT_EQ(errorOf([&] { cn_->commitTrans(); }).code(), dberr::BadTransaction);
    EXPECT_EQ(errorOf([&] { cn_->rollbackTrans(); }).code(), dberr::BadTransaction);
    cn_->beginTrans();
    EXPECT_EQ(errorOf([&] { cn_->beginTrans(); }).code(), dberr::BadTransaction);
    EXPECT_TRUE(cn_->inTransaction());
    cn_->execute("insert into t values(1)");
    EXPECT_EQ(countRows(*other_, "t"), 0);
    cn_->commitTrans();
    EXPECT_FALSE(cn_->inTransaction());
    EXPECT_EQ(countRows(*other_, "t"), 1);
    cn_->beginTrans();
    cn_->execute("insert into t values(2)");
    cn_->writeEngineStamp(0x12345678, 7);  // the stamp is part of the transaction
    EXPECT_EQ(countRows(*cn_, "t"), 2);
    EXPECT_EQ(countRows(*other_, "t"), 1);
    cn_->rollbackTrans();
    EXPECT_EQ(countRows(*cn_, "t"), 1);
    EXPECT_EQ(cn_->readEngineStamp().applicationId, 0);
}

// A guard rolls back unless committed (every posting commits through one);
// a close rolls back what is open.
TEST_F(ConnectionTransactions, GuardAndCloseRollBackUnlessCommitted) {
    try {
        fo::Transaction tx(*cn_);
        cn_->execute("insert into t values(1)");
        cn_->execute("insert into nowhere values(1)");
        tx.commit();
    } catch (const DbError&) {
    }
    EXPECT_FALSE(cn_->inTransaction());
    EXPECT_EQ(countRows(*cn_, "t"), 0);
    {
        fo::Transaction tx(*cn_);
        cn_->execute("insert into t values(3)");
        cn_->close();  // the guard must not throw from its destructor
    }
    EXPECT_EQ(countRows(*other_, "t"), 0);
    cn_->open();
    EXPECT_FALSE(cn_->inTransaction());
    EXPECT_EQ(countRows(*cn_, "t"), 0);
}

}  // namespace
