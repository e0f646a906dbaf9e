#include <gtest/gtest.h>

#include "TempDatabase.h"

using fo::dbtest::TempDatabase;

namespace {

class Concurrency : public ::testing::Test {
protected:
    void SetUp() override {
        writer_->execute("create table t(a int)");
        writer_->execute("insert into t values(1)");
        // Short timeouts: a session that had to wait would fail instead.
        writer_->setCommandTimeout(1);
        reader_->setCommandTimeout(1);
    }
    long count(fo::Connection& cn) { return static_cast<long>(cn.execute("select count(*) from t")->field(0).toInt()); }

    TempDatabase db_;
    fo::ConnectionPtr writer_ = db_.connect();
    fo::ConnectionPtr reader_ = db_.connect();
};

TEST_F(Concurrency, SessionsRunInWalMode) {
    EXPECT_EQ(reader_->execute("pragma journal_mode")->field(0).toText(), "wal");
    EXPECT_EQ(reader_->execute("pragma foreign_keys")->field(0).toInt(), 0);
}

TEST_F(Concurrency, ReaderSeesTheCommittedSnapshotDuringAWriteTransaction) {
    writer_->beginTrans();
    writer_->execute("insert into t values(2)");
    writer_->execute("update t set a=10 where a=1");
    EXPECT_EQ(count(*reader_), 1);
    EXPECT_EQ(reader_->execute("select a from t")->field(0).toInt(), 1);
    writer_->commitTrans();
    EXPECT_EQ(count(*reader_), 2);
}

}  // namespace
