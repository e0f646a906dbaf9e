// Statements prepared once and run with bound values, on the embedded engine.
#include <gtest/gtest.h>

#include "TempDatabase.h"
#include "db/DbError.h"
#include "db/PreparedStatements.h"
#include "support/ErrorOf.h"
#include "support/Query.h"

namespace {

using fo::Currency;
using fo::DateTime;
using fo::DbError;
using fo::Value;
using fo::test::errorOf;

class Statement : public fo::dbtest::DialectDbTest {
protected:
    void SetUp() override { cn_->execute("create table t(id int primary key, mc varchar(20), je money, rq datetime, bz text)"); }
    // A row as stored: each column's storage class and value.
    std::string stored(int id) {
        auto rs = cn_->execute("select typeof(mc)||coalesce(mc,''),typeof(je)||coalesce(je,''),typeof(rq)||coalesce(rq,''),typeof(bz) from t where id=" +
                               std::to_string(id));
        std::string out;
        for (std::size_t i = 0; i < rs->fieldCount(); ++i) out += rs->field(i).toText() + "|";
        return out;
    }
};

// Bound values are stored exactly as the same row written out as text is:
// quotes as typed, money to the last decimal (whole amounts as integers),
// dates as their text, null as null. A run keeps its values for the next,
// which binds only what changes.
TEST_P(Statement, BoundRowsAreStoredAsTheSameRowsWrittenOut) {
    fo::Statement insert = cn_->prepare("insert into t(id,mc,je,rq,bz) values(?,?,?,?,?)");
    ASSERT_EQ(insert.parameterCount(), 5);
    long changed = 0;
    insert.bindAll({Value(1), Value("O'Neil's 班"), Value(*Currency::parse("12.3456")), Value(DateTime{2026, 12, 6}),
                    Value()})
        .execute(&changed);
    EXPECT_EQ(changed, 1);
    cn_->execute("insert into t(id,mc,je,rq,bz) values(2,'O''Neil''s 班',12.3456,'2026-12-06',null)");
    EXPECT_EQ(stored(1), stored(2));
    EXPECT_EQ(cn_->execute("select je from t where id=1")->field(0).toCurrency(), *Currency::parse("12.3456"));

    insert.bind(1, Value(3)).bind(3, Value(Currency::fromInt(800))).bind(4, Value(DateTime{2026, 12, 6, 10, 5, 9}));
    insert.execute();
    cn_->execute("insert into t(id,mc,je,rq) values(4,'O''Neil''s 班',800.00,'2026-12-06 10:05:09')");
    EXPECT_EQ(stored(3), stored(4));
    EXPECT_EQ(stored(3), "textO'Neil's 班|integer800|text2026-12-06 10:05:09|null|");

    insert.clearBindings();
    insert.bind(1, Value(5)).execute();
    EXPECT_EQ(stored(5), "null|null|null|null|");

    // A query runs again with other values, through the engine's rewrites.
    fo::Statement query = cn_->prepare("select isnull(bz,mc) as 名称, je from t where id=? and je>?");
    auto rs = query.bindAll({Value(1), Value(*Currency::parse("12.3455"))}).execute();
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->fieldInfo(0).name, "名称");
    EXPECT_EQ(rs->field(0).toText(), "O'Neil's 班");
    EXPECT_TRUE(query.bindAll({Value(1), Value(*Currency::parse("12.3456"))}).execute()->eof());
    EXPECT_EQ(query.bindAll({Value(3), Value(0)}).execute()->field(1).toCurrency(), Currency::fromInt(800));
}

// Errors are the connection's: the clerk's Chinese words, the engine's in
// engineText, the statement named; a misused statement says so too.
TEST_P(Statement, ErrorsReadAsTheConnectionsDo) {
    fo::Statement insert = cn_->prepare("insert into t(id,mc) values(?,?)");
    insert.bindAll({Value(1), Value("a")}).execute();
    DbError twice = errorOf([&] { insert.execute(); });
    EXPECT_EQ(twice.kind(), fo::DbErrorKind::Constraint);
    EXPECT_EQ(twice.description(), fo::dbtext::Constraint);
    EXPECT_EQ(twice.statement(), "insert into t(id,mc) values(?,?)");
    // The failed run left the statement ready for the next one.
    insert.bind(1, Value(2)).execute();
    EXPECT_EQ(cn_->execute("select count(*) from t")->field(0).toInt(), 2);

    for (int bad : {0, 3}) {
        DbError e = errorOf([&] { insert.bind(bad, Value(1)); });
        EXPECT_EQ(e.code(), fo::dberr::BadParameter);
        EXPECT_EQ(e.description().find("程序内部错误"), 0u) << e.description();
    }
    EXPECT_EQ(errorOf([&] { insert.bindAll({Value(1)}); }).code(), fo::dberr::BadParameter);
    EXPECT_EQ(errorOf([&] { cn_->prepare("select 1; select 2"); }).code(), fo::dberr::BadParameter);
    DbError missing = errorOf([&] { cn_->prepare("select * from nowhere where id=?"); });
    EXPECT_NE(missing.engineText().find("nowhere"), std::string::npos) << missing.engineText();

    // Rolled back with its transaction; closed with its connection.
    {
        fo::Transaction tx(*cn_);
        insert.bind(1, Value(3)).execute();
    }
    EXPECT_EQ(cn_->execute("select count(*) from t")->field(0).toInt(), 2);
    cn_->close();
    EXPECT_FALSE(insert.usable());
    EXPECT_EQ(errorOf([&] { insert.bind(1, Value(4)).execute(); }).code(), fo::dberr::NotOpen);
}

// The statements of a run of many rows: one per shape on the connection,
// every run with its own values; on a new connection they are prepared again.
TEST_P(Statement, ARunsStatementsAreKeptByShapeAndBoundAnewEachTime) {
    fo::PreparedStatements kept;
    for (int id = 1; id <= 3; ++id) {
        fo::SqlText sql("insert into t(id,mc,je) values(");
        sql.number(std::to_string(id)).add(",").value("'n" + std::to_string(id) + "'", Value("n" + std::to_string(id)));
        sql.add(",").number(id == 2 ? "2.50" : "7").add(")");
        EXPECT_EQ(sql.shape(), "insert into t(id,mc,je) values(?,?,?)");
        kept.run(*cn_, sql);
    }
    kept.run(*cn_, fo::SqlText("update t set bz='x' where id=3"));
    EXPECT_EQ(fo::test::firstColumn(*cn_, "select id||mc||je||typeof(je)||isnull(bz,'') from t order by id"),
              (std::vector<std::string>{"1n17integer", "2n22.5real", "3n37integerx"}));

    cn_->close();
    cn_ = db_.connect();
    fo::SqlText one("delete from t where id=");
    long changed = 0;
    kept.run(*cn_, one.number("2"), &changed);
    EXPECT_EQ(changed, 1);
}

FO_INSTANTIATE_DIALECTS(Statement);

}  // namespace
