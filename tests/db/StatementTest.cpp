// Statements on the embedded engine: prepared once and run with bound
// values; a query read in chunks, giving the rows read at once give, its
// statement let go of when the set is dropped or read to its end, and a set
// cut off by its session's close failing loudly. The planner is told what
// share of a table a constant range keeps: ten years of receipts are walked
// in the order asked for, one month through its date index; the rows are
// the same either way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDatabase.h"
#include "db/DbError.h"
#include "db/PreparedStatements.h"
#include "support/ErrorOf.h"
#include "support/Query.h"

namespace fo {
namespace {

using dbtest::DialectDbTest;
using test::errorOf;

class Statement : public DialectDbTest {
protected:
    void SetUp() override { cn_->execute("create table t(id int primary key, mc varchar(20), je money, rq datetime, bz text)"); }
    // A row as stored: each column's storage class and value.
    std::string stored(int id) {
        return fo::test::joinedRows(*cn_, "select typeof(mc)||coalesce(mc,''),typeof(je)||coalesce(je,''),typeof(rq)||"
                                          "coalesce(rq,''),typeof(bz) from t where id=" + std::to_string(id)).at(0);
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
    EXPECT_EQ(stored(3), "textO'Neil's 班|integer800|text2026-12-06 10:05:09|null");

    insert.clearBindings();
    insert.bind(1, Value(5)).execute();
    EXPECT_EQ(stored(5), "null|null|null|null");

    // A query runs again with other values, through the engine's rewrites.
    fo::Statement query = cn_->prepare("select isnull(bz,mc) as 名称, je from t where id=? and je>?");
    auto rs = query.bindAll({Value(1), Value(*Currency::parse("12.3455"))}).execute();
    EXPECT_EQ(fo::test::columnTexts(*rs, "名称"), std::vector<std::string>{"O'Neil's 班"});
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
        EXPECT_EQ(e.code(), dberr::BadParameter);
        EXPECT_EQ(e.description().find("程序内部错误"), 0u) << e.description();
    }
    EXPECT_EQ(errorOf([&] { insert.bindAll({Value(1)}); }).code(), dberr::BadParameter);
    EXPECT_EQ(errorOf([&] { cn_->prepare("select 1; select 2"); }).code(), dberr::BadParameter);
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
    EXPECT_EQ(errorOf([&] { insert.bind(1, Value(4)).execute(); }).code(), dberr::NotOpen);
}

// The statements of a run of many rows: one per shape on the connection,
// every run with its own values; on another connection, and on this one
// closed and opened again, they are prepared again.
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

    const ConnectionPtr other = db_.connect();
    long changed = 0;
    kept.run(*other, fo::SqlText("delete from t where id=").number("2"), &changed);
    cn_->close();
    cn_->open();
    kept.run(*cn_, fo::SqlText("delete from t where id=").number("3"), &changed);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(fo::test::firstColumn(*cn_, "select id from t"), std::vector<std::string>{"1"});
}

FO_INSTANTIATE_DIALECTS(Statement);

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

TEST_P(StreamedQuery, ReadInChunksGivesTheWholeReadsRowsAndLetsGoOfItsStatementOrFailsWhenCutOff) {
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
    EXPECT_TRUE(part->eof() && part->complete());
    EXPECT_EQ(n, kRows - 3);

    // A copy reads the rest first.
    RecordsetPtr copied = cn_->executeStreamed(query, 10);
    const fo::Recordset copy = *copied;
    EXPECT_TRUE(copied->complete());
    EXPECT_EQ(copy.totalRows(), static_cast<std::size_t>(kRows - 3));
    EXPECT_EQ(copy.row(kRows - 4)[1].toText(), "SF100004");

    ConnectionPtr writer = db_.connect();
    part = cn_->executeStreamed(query, 20);
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

    // A set cut off by its session's close fails instead of ending early.
    part = cn_->executeStreamed(query, 20);
    ASSERT_FALSE(part->complete());
    cn_->close();
    EXPECT_EQ(errorOf([&] { part->recordCount(); }).description().find("程序内部错误"), 0u)
        << "a set cut off counted as complete";
    // A small result and a statement that is no query come back whole.
    ConnectionPtr cn = db_.connect();
    RecordsetPtr small = cn->executeStreamed("select id from pj where id<=3", 20);
    EXPECT_TRUE(small->complete() && small->recordCount() == 3);
    EXPECT_EQ(cn->executeStreamed("update pj set bz='x' where id=1", 20), nullptr);
    EXPECT_EQ(cn->execute("select bz from pj where id=1")->field(std::size_t{0}).toText(), "x");
}

FO_INSTANTIATE_DIALECTS(StreamedQuery);

class RangeEstimate : public DialectDbTest {
protected:
    void SetUp() override {
        // Ten receipts a day over ten years, keyed by their row id as the
        // fee database keys them, and a table without a date index.
        cn_->execute(
            "create table PJML(id integer not null primary key, djbh varchar(20), kprq datetime, hjje money);"
            "create index ix_PJML_kprq on PJML(kprq);"
            "insert into PJML select i, 'SF' || i, date('2016-09-01', '+' || (i/10) || ' days') || ' 08:00:00', i % 97 "
            "from (with recursive n(i) as (select 1 union all select i+1 from n where i<36500) select i from n);"
            "create table plain(id int not null primary key, kprq datetime);"
            "insert into plain select id, kprq from PJML;"
            "analyze");
    }

    std::string between(const char* from, const char* to) const {
        return sqlServer() ? std::string(" kprq between '") + from + "' and '" + to + "' "
                           : std::string(" kprq between  format('") + from + "','yyyy-mm-dd') and format('" + to +
                                 "','yyyy-mm-dd') ";
    }
    std::string registerQuery(const char* from, const char* to) const {
        return "select id, djbh, hjje from PJML where" + between(from, to) + "order by id desc";
    }
    std::string plan(const std::string& query) {
        std::string lines;
        for (RecordsetPtr rs = cn_->execute("explain query plan " + query); !rs->eof(); rs->moveNext())
            lines += rs->field(std::size_t{3}).toText() + "\n";
        return lines;
    }
    // The ids a query returns, in order; `streamed` reads it as the register does.
    std::vector<long long> ids(const std::string& query, bool streamed) {
        std::vector<long long> out;
        RecordsetPtr rs = streamed ? cn_->executeStreamed(query, 30) : cn_->execute(query);
        for (; !rs->eof(); rs->moveNext()) out.push_back(rs->field(std::size_t{0}).toInt());
        return out;
    }
};

TEST_P(RangeEstimate, AllDatesWalkTheKeyOneMonthItsDateIndexAndARangeWithoutEstimateRunsAsWritten) {
    const std::string allDates = registerQuery("2016-01-01", "2027-01-01");
    const std::string allPlan = plan(allDates);
    EXPECT_EQ(allPlan.find("TEMP B-TREE"), std::string::npos) << allPlan;
    EXPECT_NE(allPlan.find("SCAN PJML"), std::string::npos) << allPlan;
    EXPECT_EQ(allPlan.find("ix_PJML_kprq"), std::string::npos) << allPlan;

    const std::string oneMonth = registerQuery("2025-08-01", "2025-09-01");
    const std::string monthPlan = plan(oneMonth);
    EXPECT_NE(monthPlan.find("ix_PJML_kprq"), std::string::npos) << monthPlan;

    // The same rows, newest first, whichever way they were found and read.
    const std::string noIndex = "select id, djbh, hjje from PJML where +" + between("2025-08-01", "2025-09-01") +
                                "order by id desc";
    const std::vector<long long> expected = ids(noIndex, false);
    ASSERT_EQ(expected.size(), 310u);
    EXPECT_EQ(ids(oneMonth, false), expected);
    EXPECT_EQ(ids(oneMonth, true), expected);
    const std::vector<long long> all = ids(allDates, true);
    ASSERT_EQ(all.size(), 36500u);
    EXPECT_EQ(all.front(), 36500);
    EXPECT_EQ(all.back(), 1);
    EXPECT_EQ(ids(allDates, false), all);

    // Bounds that are no dates, a column no index leads, a range outside the
    // books, a reversed one: the rows are what the condition says.
    for (const auto& [where, count] : std::vector<std::pair<std::string, int>>{
             {"PJML where djbh between 'SF1' and 'SF2'", 11112}, {"plain where" + between("2016-01-01", "2016-09-02"), 9},
             {"PJML where" + between("2030-01-01", "2031-01-01"), 0}, {"PJML where" + between("2026-09-01", "2026-08-01"), 0}})
        EXPECT_EQ(cn_->execute("select count(*) from " + where)->field(std::size_t{0}).toInt(), count) << where;
    // A bound the engine cannot work out fails as the statement would.
    EXPECT_ANY_THROW(cn_->execute("select id from PJML where kprq between nosuchfunction('x') and '2027-01-01'"));
}

FO_INSTANTIATE_DIALECTS(RangeEstimate);

}  // namespace
}  // namespace fo
