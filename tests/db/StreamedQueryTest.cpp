// A query read in chunks on the embedded engine: the same rows as when read
// at once, the statement let go of when the set is dropped or read to its
// end, and a set cut off by its session's close failing loudly.
#include <gtest/gtest.h>

#include "TempDatabase.h"
#include "db/DbError.h"
#include "support/ErrorOf.h"

using fo::ConnectionPtr;
using fo::RecordsetPtr;
using fo::dbtest::DialectDbTest;

namespace {

class StreamedQuery : public DialectDbTest {
protected:
    void SetUp() override {
        cn_->execute("create table pj(id integer primary key, djbh varchar(20), je money, kprq datetime, bz varchar(50))");
        cn_->beginTrans();
        for (int i = 1; i <= kRows; ++i)
            cn_->execute("insert into pj values(" + std::to_string(i) + ",'SF" + std::to_string(100000 + i) + "'," +
                         std::to_string(i % 7) + "." + std::to_string(i % 10) + "5,'2026-1" + std::to_string(i % 3) +
                         "-0" + std::to_string(1 + i % 9) + " 08:30:00'," + (i % 5 ? "'备注" + std::to_string(i) + "'" : "NULL") +
                         ")");
        cn_->commitTrans();
    }
    // Whether a checkpoint takes the whole log back into the file: not while
    // any session still reads an older state.
    bool checkpointCompletes(fo::Connection& cn) {
        RecordsetPtr rs = cn.execute("PRAGMA wal_checkpoint(PASSIVE)");
        return rs->field(std::size_t{0}).toInt() == 0 && rs->field(1).toInt() == rs->field(2).toInt();
    }
    static constexpr int kRows = 1000;
    const std::string query = "select id, djbh, je, kprq, bz from pj where id>3 order by id desc";
};

TEST_P(StreamedQuery, ReadInChunksGivesTheRowsTheWholeReadGives) {
    RecordsetPtr whole = cn_->execute(query);
    RecordsetPtr part = cn_->executeStreamed(query, 50);
    ASSERT_FALSE(part->complete());
    EXPECT_GE(part->rowsRead(), 50u);
    EXPECT_LT(part->rowsRead(), static_cast<std::size_t>(kRows - 3));
    ASSERT_EQ(part->fieldCount(), whole->fieldCount());
    EXPECT_EQ(part->fieldInfo(2).type, whole->fieldInfo(2).type);
    // The cursor walks past the rows read so far as if they had all been there.
    long n = 0;
    for (whole->moveFirst(); !whole->eof(); whole->moveNext(), part->moveNext(), ++n) {
        ASSERT_FALSE(part->eof()) << n;
        for (std::size_t f = 0; f < whole->fieldCount(); ++f)
            ASSERT_EQ(part->field(f), whole->field(f)) << "row " << n << " field " << f;
    }
    EXPECT_TRUE(part->eof());
    EXPECT_TRUE(part->complete());
    EXPECT_EQ(n, kRows - 3);

    // A copy reads the rest first.
    RecordsetPtr copied = cn_->executeStreamed(query, 10);
    const fo::Recordset copy = *copied;
    EXPECT_TRUE(copied->complete());
    EXPECT_EQ(copy.totalRows(), static_cast<std::size_t>(kRows - 3));
    EXPECT_EQ(copy.row(kRows - 4)[1].toText(), "SF100004");
}

TEST_P(StreamedQuery, ASetDroppedOrReadToItsEndLetsGoOfItsStatement) {
    ConnectionPtr writer = db_.connect();
    RecordsetPtr part = cn_->executeStreamed(query, 20);
    ASSERT_FALSE(part->complete());
    // A posting on another session goes ahead while the set is read...
    writer->beginTrans();
    writer->execute("insert into pj(id, djbh) values(5000, 'TF1')");
    writer->commitTrans();
    // ...but the log cannot be taken back while the read holds its state.
    EXPECT_FALSE(checkpointCompletes(*writer));
    part.reset();
    EXPECT_TRUE(checkpointCompletes(*writer));

    // Read to its end: nothing is held either, and the set saw the books as
    // they stood when it began.
    part = cn_->executeStreamed(query, 20);
    writer->execute("insert into pj(id, djbh) values(5001, 'TF2')");
    part->readAll();
    EXPECT_TRUE(checkpointCompletes(*writer));
    EXPECT_EQ(part->recordCount(), kRows - 3 + 1);
    part->moveFirst();
    EXPECT_EQ(part->field(std::size_t{0}).toInt(), 5000);
}

TEST_P(StreamedQuery, ASetCutOffByItsSessionsCloseFailsInsteadOfEndingEarly) {
    RecordsetPtr part = cn_->executeStreamed(query, 20);
    ASSERT_FALSE(part->complete());
    cn_->close();
    EXPECT_EQ(fo::test::errorOf([&] { part->recordCount(); }).description().find("程序内部错误"), 0u)
        << "a set cut off counted as complete";
    // A small result and a statement that is no query come back whole.
    ConnectionPtr cn = db_.connect();
    RecordsetPtr small = cn->executeStreamed("select id from pj where id<=3", 20);
    EXPECT_TRUE(small->complete());
    EXPECT_EQ(small->recordCount(), 3);
    EXPECT_EQ(cn->executeStreamed("update pj set bz='x' where id=1", 20), nullptr);
    EXPECT_EQ(cn->execute("select bz from pj where id=1")->field(std::size_t{0}).toText(), "x");
}

FO_INSTANTIATE_DIALECTS(StreamedQuery);

}  // namespace
