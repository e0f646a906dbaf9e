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

TEST_P(SqliteEngine, ChineseAliasesAndIdentifiers) {
    cn_->execute("create table 学生(编号 int, 姓名 varchar(20), 预收款 money)");
    cn_->execute("insert into 学生(编号, 姓名, 预收款) values(1, '张三', 10.5)");
    auto rs = cn_->execute(
        "select a.编号 as 学号, a.姓名, a.预收款 as [预收款], left(a.姓名,1) 姓 from 学生 a where a.姓名 like '张%'");
    ASSERT_EQ(rs->fieldCount(), 4u);
    EXPECT_EQ(rs->fieldInfo(0).name, "学号");
    EXPECT_EQ(rs->fieldInfo(1).name, "姓名");
    EXPECT_EQ(rs->fieldInfo(2).name, "预收款");
    EXPECT_EQ(fieldsOf(*rs), "int 1|text 张三|money 10.5|text 张");
}

TEST_P(SqliteEngine, ScriptsRunEveryStatementAndReturnTheLastSetAndTopLimitsIt) {
    auto rs = cn_->execute(
        "insert into r(id, mc) values(1, 'a;b');\r\n"
        "select id from r;\r\n"
        "insert into r(id, mc) values(2, '-- not a comment');\r\n"
        "select mc from r order by id;\r\n");
    ASSERT_NE(rs, nullptr);
    ASSERT_EQ(rs->fieldCount(), 1u);
    EXPECT_EQ(rs->fieldInfo(0).name, "mc");
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(rs->field(0).toText(), "a;b");
    rs->moveNext();
    EXPECT_EQ(rs->field(0).toText(), "-- not a comment");
    // A failing statement stops the script; the statement is named in the error.
    EXPECT_EQ(errorOf([&] {
                  cn_->execute("insert into r(id) values(3); insert into nowhere values(1); insert into r(id) values(4)");
              }).statement(),
              "insert into nowhere values(1)");
    EXPECT_EQ(cn_->execute("select count(*) from r")->field(0).toInt(), 3);
    // A leading select top limits the rows.
    rs = cn_->execute("select top 2 id from r order by id desc");
    ASSERT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(rs->field(0).toInt(), 3);
    EXPECT_EQ(cn_->execute("\r\nSELECT TOP 100 * from r")->recordCount(), 3);
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
    // One that failed runs again once the cause is gone.
    cn_->execute("create unique index ux on r(id)");
    const std::string add = "insert into r values(2, 'c')";
    cn_->execute(add);
    EXPECT_THROW(cn_->execute(add), fo::DbError);
    cn_->execute("delete from r where id=2");
    EXPECT_NO_THROW(cn_->execute(add));
    // The session really closes: the last one out removes the WAL file.
    cn_->close();
    EXPECT_FALSE(std::filesystem::exists(db_.path() + "-wal"));
}

TEST_P(SqliteEngine, ThePlannersStatisticsAreGatheredOnAskingAndAtClose) {
    auto count = [](fo::Connection& cn, const std::string& where) {
        auto rs = cn.execute("select count(*) from sqlite_master where name='sqlite_stat1'");
        if (rs->field(0).toInt() == 0) return std::int64_t{-1};
        return cn.execute("select count(*) from sqlite_stat1 where " + where)->field(0).toInt();
    };
    cn_->execute("create index ix_r_id on r(id)");
    for (int i = 0; i < 200; ++i) cn_->execute("insert into r(id, mc) values(" + std::to_string(i % 7) + ", 'x')");
    cn_->refreshStatistics();
    EXPECT_EQ(count(*cn_, "idx='ix_r_id'"), 1);
    // A table no one analysed, queried by its index: the session's close
    // gathers its statistics.
    cn_->execute("create table s(k int, v varchar(5)); create index ix_s_k on s(k)");
    for (int i = 0; i < 200; ++i) cn_->execute("insert into s(k) values(" + std::to_string(i % 11) + ")");
    cn_->execute("select v from s where k=3");
    cn_->close();
    auto again = db_.connect();
    EXPECT_EQ(count(*again, "idx='ix_s_k'"), 1);
}

TEST_P(SqliteEngine, RowChangesOfOneShapeKeepEachTheirOwnValues) {
    for (int id = 1; id <= 3; ++id)
        cn_->execute("insert into r(id, mc, je) values(" + std::to_string(id) + ", 'n''" + std::to_string(id) +
                     "', " + std::to_string(id) + ".25)");
    long changed = 0;
    cn_->execute("update r set mc='x' where id=2", &changed);
    EXPECT_EQ(changed, 1);
    // A quoted name where only a name may stand runs as written.
    cn_->execute("insert into r('id', 'mc') values(4, 'y')");
    EXPECT_EQ(fo::test::joinedRows(*cn_, "select id, mc, je from r order by id"),
              (std::vector<std::string>{"1|n'1|1.25", "2|x|2.25", "3|n'3|3.25", "4|y|"}));
    // So do queries, and their columns keep the names they are written with.
    EXPECT_EQ(cn_->execute("select mc from r where id=1")->field(0).toText(), "n'1");
    EXPECT_EQ(cn_->execute("select mc from r where id=3")->field(0).toText(), "n'3");
    EXPECT_EQ(cn_->execute("select 5, 'a' from r where id=3")->fieldInfo(1).name, "'a'");
    // Errors name the statement as it was written.
    const fo::DbError e = errorOf([&] { cn_->execute("insert into nowhere values(5, 'z')"); });
    EXPECT_EQ(e.statement(), "insert into nowhere values(5, 'z')");
    EXPECT_NE(e.engineText().find("nowhere"), std::string::npos) << e.engineText();
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
