// What the engine does to the files it is pointed at, and what it says when
// the file, the disk or another program stands in the way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempDatabase.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/LockWait.h"
#include "support/ErrorOf.h"
#include "support/FileText.h"
#include "support/ReadOnlyFile.h"

namespace fo {
namespace {

using dbtest::TempDatabase;
using test::errorOf;
namespace fs = std::filesystem;

// A path in the test's folder that nothing has made yet.
std::string freshPath(const TempDatabase& db, const std::string& name) {
    const std::string path = (fs::path(db.path()).parent_path() / (fs::path(db.path()).stem().string() + name)).string();
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path + suffix, ignored);
    return path;
}

TEST(DatabaseFile, AFileThatCannotBeWrittenIsReadAsItStandsWithNothingBesideItAndRefusesWrites) {
    TempDatabase db;
    {
        auto cn = db.connect();
        cn->execute("create table t(a int)");
        cn->execute("insert into t values(7)");
    }
    ASSERT_FALSE(fs::exists(db.path() + "-wal"));
    test::ReadOnlyFile readOnly(db.path());
    ASSERT_TRUE(readOnly.holds());
    auto cn = db.connect();
    EXPECT_EQ(cn->execute("select a from t")->field(std::size_t{0}).toInt(), 7);
    DbError refused = errorOf([&] { cn->execute("insert into t values(8)"); });
    EXPECT_EQ(refused.kind(), DbErrorKind::ReadOnly);
    EXPECT_EQ(refused.description(), dbtext::ReadOnly);
    cn->close();
    EXPECT_FALSE(fs::exists(db.path() + "-wal"));
    EXPECT_FALSE(fs::exists(db.path() + "-shm"));
}

TEST(DatabaseFile, OpeningNeverCreatesAFileNorReplacesOneMovedAway) {
    TempDatabase db;
    const std::string missing = freshPath(db, "-missing.db");
    DbError e = errorOf([&] { openConnection(sqliteConnectionString(missing)); });
    EXPECT_EQ(e.kind(), DbErrorKind::Missing);
    EXPECT_NE(e.description().find(missing), std::string::npos) << e.description();
    EXPECT_FALSE(fs::exists(missing));

    // Moved away during a session: the session's writes are refused and
    // a new session on the old name finds nothing; nothing appears there.
    auto first = db.connect();
    first->execute("create table t(a int)");
    const std::string moved = freshPath(db, "-moved.db");
    fs::rename(db.path(), moved);
    DbError gone = errorOf([&] { first->execute("insert into t values(1)"); });
    EXPECT_EQ(gone.kind(), DbErrorKind::Missing);
    EXPECT_NE(gone.description().find("移动"), std::string::npos) << gone.description();
    EXPECT_EQ(errorOf([&] { db.connect(); }).kind(), DbErrorKind::Missing);
    first->close();
    EXPECT_FALSE(fs::exists(db.path()));

    // Moved back and away again inside a transaction: its commit is refused
    // and nothing of it reaches the file.
    fs::rename(moved, db.path());
    auto second = db.connect();
    second->execute("create table u(a int)");
    second->beginTrans();
    second->execute("insert into u values(2)");
    fs::rename(db.path(), moved);
    EXPECT_EQ(errorOf([&] { second->commitTrans(); }).kind(), DbErrorKind::Missing);
    second->rollbackTrans();
    fs::rename(moved, db.path());
    second->close();
    EXPECT_EQ(db.connect()->execute("select count(*) from u")->field(std::size_t{0}).toInt(), 0);
}

TEST(DatabaseFile, CreationTakesOnlyAnEmptyPlaceAndLeavesContentAlone) {
    TempDatabase db;
    const std::string notes = freshPath(db, "-notes.txt");
    std::ofstream(notes) << "somebody's notes";
    DbError e = errorOf([&] { createDatabase(sqliteConnectionString(notes)); });
    EXPECT_EQ(e.code(), dberr::AlreadyExists);
    EXPECT_NE(e.description().find(notes), std::string::npos);
    EXPECT_EQ(test::readWholeFile(notes), "somebody's notes");

    db.connect()->execute("create table t(a int)");
    const std::string before = test::readWholeFile(db.path());
    EXPECT_EQ(errorOf([&] { createDatabase(db.connectionString()); }).code(), dberr::AlreadyExists);
    EXPECT_EQ(test::readWholeFile(db.path()), before);

    // An empty file is an empty place: it becomes a database in WAL mode.
    const std::string empty = freshPath(db, "-empty.db");
    std::ofstream(empty).close();
    auto cn = createDatabase(sqliteConnectionString(empty));
    EXPECT_EQ(cn->execute("PRAGMA journal_mode")->field(std::size_t{0}).toText(), "wal");
}

class LockWaitRecorder {
public:
    LockWaitRecorder() {
        setLockWaitObserver([this](bool waiting) { heard.push_back(waiting); });
    }
    ~LockWaitRecorder() { setLockWaitObserver({}); }
    std::vector<bool> heard;
};

TEST(DatabaseFile, EachObstacleHasItsKindAndAChineseMessageThatSaysWhatToDo) {
    TempDatabase db;
    auto holder = db.connect();
    holder->execute("create table t(id int primary key, text varchar(2000))");
    holder->execute("insert into t values(1,'a')");

    // Another program holds the write lock longer than this session waits.
    auto clerk = db.connect();
    clerk->setCommandTimeout(1);
    holder->beginTrans();
    {
        LockWaitRecorder waits;
        DbError busy = errorOf([&] { clerk->beginTrans(); });
        EXPECT_EQ(busy.kind(), DbErrorKind::Busy);
        EXPECT_EQ(busy.description(), dbtext::Busy);
        EXPECT_EQ(busy.engineText(), "database is locked");
        // The front end was told of the wait and of its end.
        EXPECT_EQ(waits.heard, (std::vector<bool>{true, false}));
    }
    holder->rollbackTrans();
    EXPECT_FALSE(clerk->inTransaction());

    // (A broken key's and a refused write's kinds: the statements' and the read-only file's cases.)
    // No room left: the file may not grow past its present pages.
    const auto pages = clerk->execute("PRAGMA page_count")->field(std::size_t{0}).toInt();
    clerk->execute("PRAGMA max_page_count=" + std::to_string(pages));
    clerk->beginTrans();
    DbError full = errorOf([&] {
        for (int i = 10; i < 200; ++i)
            clerk->execute("insert into t values(" + std::to_string(i) + ",'" + std::string(1500, 'x') + "')");
    });
    EXPECT_EQ(full.kind(), DbErrorKind::DiskFull);
    EXPECT_EQ(full.description(), dbtext::DiskFull);
    clerk->rollbackTrans();
    EXPECT_EQ(holder->execute("select count(*) from t")->field(std::size_t{0}).toInt(), 1);
}

}  // namespace
}  // namespace fo
