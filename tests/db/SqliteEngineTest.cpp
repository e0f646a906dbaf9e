#include <gtest/gtest.h>

#include <filesystem>

#include "TempDatabase.h"
#include "db/DbError.h"
#include "support/ErrorOf.h"
#include "support/Query.h"

using fo::DataType;
using fo::Value;
using fo::dbtest::DialectDbTest;
using fo::test::errorOf;

namespace {

// Each field of the current row as "kind text".
std::string fieldsOf(fo::Recordset& rs) {
    static const char* const kinds[] = {"null", "int", "money", "double", "text", "date"};
    std::string out;
    for (std::size_t i = 0; i < rs.fieldCount(); ++i)
        out += std::string(i ? "|" : "") + kinds[static_cast<int>(rs.field(i).kind())] + " " + rs.field(i).toText();
    return out;
}

class SqliteEngine : public DialectDbTest {
protected:
    void SetUp() override {
        cn_->execute(
            "create table r(id int, je money, rate float, kprq datetime, mc varchar(20), n numeric(10,2), raw blob,"
            " x)");
    }
};

TEST_P(SqliteEngine, ReadsValuesByTheDeclaredColumnType) {
    cn_->execute("insert into r values(1, 12.5, 0.1, '2026-03-07 08:00:00', 'O''Neil', 3, x'414243', 0.1+0.2)");
    cn_->execute("insert into r values(2, 7, 2, '2026-03-08', '2026-03-08', 1.005, null, 4)");
    cn_->execute("insert into r values(3, null, null, 'someday', null, null, null, 'txt')");
    auto rs = cn_->execute("select id, je, rate, kprq, mc, n, raw, x from r order by id");
    EXPECT_EQ(rs->fieldInfo(0).type, DataType::Integer);
    EXPECT_EQ(rs->fieldInfo(1).type, DataType::Currency);
    EXPECT_EQ(rs->fieldInfo(2).type, DataType::Double);
    EXPECT_EQ(rs->fieldInfo(3).type, DataType::Date);
    EXPECT_EQ(rs->fieldInfo(4).type, DataType::VarChar);
    EXPECT_EQ(rs->fieldInfo(7).type, DataType::Empty);

    // Money from a money or numeric column, from an integer in a money column
    // and from an untyped real (on four decimals); a doubled quote as typed; a
    // date-like text in a text column stays text, and a date column's text
    // that is no date is read as it is.
    EXPECT_EQ(fieldsOf(*rs), "int 1|money 12.5|double 0.1|date 2026-03-07 08:00:00|text O'Neil|money 3|text ABC|money 0.3");
    rs->moveNext();
    EXPECT_EQ(fieldsOf(*rs), "int 2|money 7|double 2|date 2026-03-08|text 2026-03-08|money 1.005|null |int 4");
    rs->moveNext();
    EXPECT_EQ(fieldsOf(*rs), "int 3|null |null |text someday|null |null |null |text txt");
}

TEST_P(SqliteEngine, ScriptsRunEveryStatementAndReturnTheLastSetAndTopLimitsIt) {
    auto rs = cn_->execute(
        "insert into r(id, mc) values(1, 'a;b');\r\n"
        "select id from r; -- c;d\n"
        "insert into r(id, mc) values(2, '-- not a comment');\r\n"
        "select mc from r order by id;\r\n");
    ASSERT_NE(rs, nullptr);
    ASSERT_EQ(rs->fieldCount(), 1u);
    EXPECT_EQ(rs->fieldInfo(0).name, "mc");
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(rs->field(0).toText(), "a;b");
    rs->moveNext();
    EXPECT_EQ(rs->field(0).toText(), "-- not a comment");
    // A failing statement stops the script; the statement is named in the
    // error as written.
    EXPECT_EQ(errorOf([&] {
                  cn_->execute("insert into r(id) values(3); insert into nowhere values(1, 'z'); insert into r(id) values(4)");
              }).statement(),
              "insert into nowhere values(1, 'z')");
    EXPECT_EQ(cn_->execute("select count(*) from r")->field(0).toInt(), 3);
    // A quoted name where only a name may stand runs as written.
    cn_->execute("insert into r('id', 'mc') values(4, 'y')");
    // A leading select top limits the rows.
    rs = cn_->execute("select top 2 id from r order by id desc");
    ASSERT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(rs->field(0).toInt(), 4);
    EXPECT_EQ(cn_->execute("\r\nSELECT TOP 100 * from r")->recordCount(), 4);
}

TEST_P(SqliteEngine, AStatementRunAgainFollowsTheSchemaAndHoldsNothing) {
    const std::string read = "select * from r where id=1";
    cn_->execute("insert into r(id, mc) values(1, 'a')");
    EXPECT_EQ(cn_->execute(read)->fieldCount(), 8u);
    // Its table can go and come back with other columns.
    cn_->execute("drop table r");
    EXPECT_THROW(cn_->execute(read), fo::DbError);
    cn_->execute("create table r(id int, other varchar(5))");
    cn_->execute("insert into r values(1, 'b')");
    auto rs = cn_->execute(read);
    ASSERT_EQ(rs->fieldCount(), 2u);
    EXPECT_EQ(rs->field("other").toText(), "b");
    // A table no one analysed, queried by its index: the session's close
    // gathers its statistics, and really closes: the last one out removes
    // the WAL file.
    cn_->execute("create table s(k int, v varchar(5)); create index ix_s_k on s(k)");
    for (int i = 0; i < 200; ++i) cn_->execute("insert into s(k) values(" + std::to_string(i % 11) + ")");
    cn_->execute("select v from s where k=3");
    cn_->close();
    EXPECT_FALSE(std::filesystem::exists(db_.path() + "-wal"));
    EXPECT_EQ(fo::test::scalar(*db_.connect(), "select count(*) from sqlite_stat1 where idx='ix_s_k'").toInt(), 1);
}

// A read-only session (a script's probe) writes nothing, whatever the text:
// not a change, not a script of several statements, not a pragma that would
// let it write again, not another file attached.
TEST_P(SqliteEngine, AReadOnlySessionCanNeverWrite) {
    cn_->execute("insert into r(id) values(1)");
    fo::Connection probe;
    probe.open(db_.connectionString(), fo::OpenMode::ReadOnly);
    EXPECT_EQ(probe.execute("select count(*) from r")->field(std::size_t{0}).toInt(), 1);
    for (const char* sql : {"update r set id=2", "delete from r", "select 1; delete from r",
                            "PRAGMA query_only=0; delete from r", "create table s(x)",
                            "attach database 'other.db' as o"})
        EXPECT_THROW(probe.execute(sql), fo::DbError) << sql;
    EXPECT_EQ(cn_->execute("select count(*) from r where id=1")->field(std::size_t{0}).toInt(), 1);
}

FO_INSTANTIATE_DIALECTS(SqliteEngine);

}  // namespace
