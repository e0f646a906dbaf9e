// The embedded engine: how it reads values, runs scripts and sessions, the
// dialects' functions it adds, and its NOCASE collation, which must order
// every pair of texts as SQLite's own does (an index written by one is
// searched and checked by the other).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TempDatabase.h"
#include "db/DbError.h"
#include "db/sqlite/SqliteNocase.h"
#include "support/ErrorOf.h"
#include "support/Query.h"

namespace fo {
namespace {

using test::errorOf;

// Each field of the current row as "kind text".
std::string fieldsOf(fo::Recordset& rs) {
    static const char* const kinds[] = {"null", "int", "money", "double", "text", "date"};
    std::string out;
    for (std::size_t i = 0; i < rs.fieldCount(); ++i)
        out += std::string(i ? "|" : "") + kinds[static_cast<int>(rs.field(i).kind())] + " " + rs.field(i).toText();
    return out;
}

class SqliteEngine : public dbtest::DialectDbTest {
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
    EXPECT_EQ(std::vector<DataType>({rs->fieldInfo(0).type, rs->fieldInfo(1).type, rs->fieldInfo(2).type,
                                     rs->fieldInfo(3).type, rs->fieldInfo(4).type, rs->fieldInfo(7).type}),
              std::vector<DataType>({DataType::Integer, DataType::Currency, DataType::Double, DataType::Date,
                                     DataType::VarChar, DataType::Empty}));

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
    EXPECT_EQ(fo::test::columnTexts(*rs, "mc"), (std::vector<std::string>{"a;b", "-- not a comment"}));
    // A failing statement stops the script; the statement is named in the
    // error as written.
    EXPECT_EQ(errorOf([&] {
                  cn_->execute("insert into r(id) values(3); insert into nowhere values(1, 'z'); insert into r(id) values(4)");
              }).statement(),
              "insert into nowhere values(1, 'z')");
    EXPECT_EQ(cn_->execute("select count(*) from r")->field(0).toInt(), 3);
    // A quoted name where only a name may stand runs as written.
    cn_->execute("insert into r('id', 'mc') values(4, 'y')");
    EXPECT_EQ(fo::test::firstColumn(*cn_, "select top 2 id from r order by id desc"),
              (std::vector<std::string>{"4", "3"}));
    EXPECT_EQ(cn_->execute("\r\nSELECT TOP 100 * from r")->recordCount(), 4);
}

// A read-only session (a script's probe) writes nothing, whatever the text:
// not a change, not a script of several statements, not a pragma that would
// let it write again, not another file attached.
TEST_P(SqliteEngine, AReadOnlySessionCanNeverWriteAndAStatementRunAgainFollowsTheSchemaAndHoldsNothing) {
    cn_->execute("insert into r(id) values(1)");
    fo::Connection probe;
    probe.open(db_.connectionString(), fo::OpenMode::ReadOnly);
    EXPECT_EQ(probe.execute("select count(*) from r")->field(std::size_t{0}).toInt(), 1);
    for (const char* sql : {"update r set id=2", "delete from r", "select 1; delete from r",
                            "PRAGMA query_only=0; delete from r", "create table s(x)",
                            "attach database 'other.db' as o"})
        EXPECT_THROW(probe.execute(sql), fo::DbError) << sql;
    probe.close();
    EXPECT_EQ(cn_->execute("select count(*) from r where id=1")->field(std::size_t{0}).toInt(), 1);

    const std::string read = "select * from r where id=1";
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

FO_INSTANTIATE_DIALECTS(SqliteEngine);

class SqliteFunctions : public dbtest::DialectDbTest {
protected:
    void SetUp() override {
        cn_->execute(
            "create table qf(xsid int, ysje money, jfje money, jmje money, qfje money, d datetime, mc varchar(20));"
            "insert into qf values(1, 0.1, 0, 0, 5, '2026-03-07 08:09:10', '张小明');"
            "insert into qf values(1, 0.2, 0, 0, null, '2026-03-08', 'abc');"
            "insert into qf values(1, -0.3, 0, 0, 0, null, null);"
            "insert into qf values(2, 0.3, 0.1, 0.2, 2.5, '2026-04-01', 'x')");
    }
    Value scalar(const std::string& sql) {
        auto rs = cn_->execute(sql);
        EXPECT_EQ(rs->recordCount(), 1) << sql;
        return rs->eof() ? Value() : rs->field(0);
    }
    std::string text(const std::string& sql) { return scalar(sql).toText(); }
};

// isnull with one argument and with two, iif by truth (a text's is that of
// the number it reads as), left by characters, not bytes, and format.
TEST_P(SqliteFunctions, IsnullIifLeftFormatSumAndGetdateAsTheirDialectsDefineThem) {
    using Case = std::pair<const char*, const char*>;
    for (const auto& [expression, shown] :
         {Case{"isnull(null)", "1"}, Case{"isnull(0)", "0"}, Case{"isnull(null, 7)", "7"}, Case{"isnull('a', 7)", "a"},
          Case{"iif(1,'y','n')", "y"}, Case{"iif(0,'y','n')", "n"}, Case{"iif(null,'y','n')", "n"},
          Case{"iif(0.5,'y','n')", "y"}, Case{"iif('2','y','n')", "y"}, Case{"iif('0.0','y','n')", "n"},
          Case{"iif('abc','y','n')", "n"}, Case{"left('JM00012',2)", "JM"}, Case{"left('ab',5)", "ab"},
          Case{"left('ab',0)", ""}, Case{"left('张小明',2)", "张小"}})
        EXPECT_EQ(text(std::string("select ") + expression), shown) << expression;
    EXPECT_TRUE(scalar("select left(null,2)").isNull());
    // On the table's columns, in either dialect's form.
    EXPECT_EQ(text(std::string("select count(*) from qf where ") +
                   (sqlServer() ? "isnull(qfje,0)>0" : "iif(isnull(qfje),0,qfje)>0")),
              "2");
    EXPECT_EQ(text("select iif(qfje>3, qfje, 0) from qf where mc='张小明'"), "5");
    EXPECT_EQ(text("select left(mc,2) from qf where xsid=1 and ysje<0.15 and ysje>0"), "张小");
    EXPECT_EQ(text("select count(*) from qf a left join qf b on a.xsid=b.xsid where left(a.mc,1)='张'"), "3");

    // format: dates to the format asked; money rounded once, half away from
    // zero, from every digit of the value, to a text.
    for (const auto& [value, shown] :
         {Case{"'2026-03-07 08:09:10','yyyy-mm-dd'", "2026-03-07"}, Case{"'2026/3/7','yyyy-mm-dd'", "2026-03-07"},
          Case{"'2026-03-07','yyyy-mm-dd HH:mm:ss'", "2026-03-07 00:00:00"},
          Case{"'2026-03-07 8:09:10','yyyy-mm-dd hh:mm:ss'", "2026-03-07 08:09:10"},
          Case{"'not a date','yyyy-mm-dd'", "not a date"}, Case{"2.345,'0.00'", "2.35"}, Case{"-0.005,'0.00'", "-0.01"},
          Case{"0.1+0.2,'0.00'", "0.30"}, Case{"12,'0.00'", "12.00"}, Case{"'3.1','0.00'", "3.10"},
          Case{"0.00499,'0.00'", "0.00"}, Case{"'0.00499','0.00'", "0.00"}, Case{"0.0049999,'0.00'", "0.00"},
          Case{"0.005,'0.00'", "0.01"}, Case{"1.005,'0.00'", "1.01"}, Case{"9.995,'0.00'", "10.00"},
          Case{"-0.004,'0.00'", "0.00"}, Case{"'-12.34567','0.00'", "-12.35"}, Case{"-7,'0.00'", "-7.00"}})
        EXPECT_EQ(text(std::string("select format(") + value + ")"), shown) << value;
    EXPECT_EQ(scalar("select typeof(format(12,'0.00'))"), Value("text"));
    EXPECT_TRUE(scalar("select format(null,'0.00')").isNull() && scalar("select format(null,'yyyy-mm-dd')").isNull());

    // sum is exact, drops binary residues, keeps kinds and nulls and runs as a window.
    // ysje-(jfje+jmje) over xsid 1 is 0.1 + 0.2 - 0.3: zero on a money scale.
    const std::string owing =
        "select xsid,sum(ysje-(jfje+jmje)) from qf group by xsid having Sum(ysje - (jfje + jmje)) > 0";
    EXPECT_EQ(cn_->execute(owing)->recordCount(), 0);
    // Plain binary addition, as the engine's own total() does, would keep the row.
    const std::string binary =
        "select xsid from qf where xsid=1 group by xsid having total(ysje - (jfje + jmje)) > 0";
    EXPECT_EQ(cn_->execute(binary)->recordCount(), 1);
    EXPECT_EQ(cn_->execute("select count(*) from qf where xsid=1 having sum(ysje)=0")->recordCount(), 1);
    EXPECT_EQ(cn_->execute("select count(*) from qf where xsid=1 having total(ysje)=0")->recordCount(), 0);
    // The null is skipped; a sum of nothing, or of nulls only, is null.
    EXPECT_EQ(text("select typeof(sum(xsid))||'|'||sum(xsid)||'|'||typeof(sum(ysje))||'|'||sum(qfje)||'|'||"
                   "typeof((select sum(qfje) from qf where qfje is null))||'|'||typeof((select sum(ysje) from qf where 0))"
                   " from qf"),
              "integer|5|real|7.5|null|null");
    EXPECT_EQ(text("select sum(v) from (select '1.25' v union all select 'x' union all select 2)"), "3.25");
    EXPECT_EQ(text(sqlServer() ? "select isnull(sum(qfje),0) from qf where 0"
                               : "select iif(sum(qfje) is null,0,sum(qfje)) from qf where 0"),
              "0");
    EXPECT_THROW(cn_->execute("select sum(v) from (select 9223372036854775807 v union all select 1)"), fo::DbError);
    using Texts = std::vector<std::string>;
    EXPECT_EQ(fo::test::firstColumn(*cn_, "select sum(ysje) over (order by rowid) from qf where xsid=1"),
              (Texts{"0.1", "0.3", "0"}));
    EXPECT_EQ(fo::test::firstColumn(
                  *cn_, "select sum(ysje) over (order by rowid rows between 1 preceding and current row) from qf"),
              (Texts{"0.1", "0.3", "-0.1", "0"}));

    // getdate() is the local date and time, and today is now at midnight.
    const fo::DateTime before = fo::DateTime::now();
    const std::string now = text("select getdate()");
    const fo::DateTime today = fo::DateTime::today();
    const fo::DateTime after = fo::DateTime::now();
    const auto parsed = fo::DateTime::parse(now);
    ASSERT_TRUE(parsed.has_value()) << now;
    EXPECT_EQ(now.size(), 19u);
    EXPECT_TRUE(before <= *parsed && *parsed <= after) << now;
    EXPECT_FALSE(today.hasTime());
    EXPECT_TRUE(today.dateText() == before.dateText() || today.dateText() == after.dateText());
}


FO_INSTANTIATE_DIALECTS(SqliteFunctions);

using Session = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Session open(const std::string& path, bool ours) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    if (ours) {
        EXPECT_EQ(fo::registerNocaseCollation(db), SQLITE_OK);
    }
    return Session(db, sqlite3_close);
}

// The first column of the first row `sql` gives with `texts` bound in turn
// ("" when it gives none).
std::string firstOf(sqlite3* db, const char* sql, std::initializer_list<std::string> texts) {
    sqlite3_stmt* q = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &q, nullptr), SQLITE_OK) << sql;
    int n = 0;
    for (const std::string& t : texts) sqlite3_bind_text(q, ++n, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    const int step = sqlite3_step(q);
    EXPECT_TRUE(step == SQLITE_ROW || step == SQLITE_DONE) << sqlite3_errmsg(db);
    const unsigned char* text = step == SQLITE_ROW ? sqlite3_column_text(q, 0) : nullptr;
    std::string r = text ? reinterpret_cast<const char*>(text) : "";
    sqlite3_finalize(q);
    return r;
}

// -1, 0 or 1: how the session's NOCASE orders `a` against `b`.
std::string order(sqlite3* db, const std::string& a, const std::string& b) {
    return firstOf(db, "select case when ?1=?2 collate nocase then 0 when ?1<?2 collate nocase then -1 else 1 end",
                   {a, b});
}

// Texts that reach every way a comparison can end: letters of both cases
// and the bytes just outside them, digits, a NUL, UTF-8 bytes, long shared
// prefixes (bill numbers), and lengths on both sides of an eight-byte word.
std::vector<std::pair<std::string, std::string>> testPairs() {
    const std::string alphabet("aAzZ@[`{_09SF\0\x80\xC3\xA9", 18);
    std::mt19937 random(20261207);
    auto text = [&](std::size_t length) {
        std::string s;
        for (std::size_t i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
        return s;
    };
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int i = 0; i < 4000; ++i) {
        std::string a = text(random() % 20);
        if (random() % 2) a = "SF2026120" + a;
        std::string flipped = a, changed = a;
        for (char& c : flipped)
            if (std::isalpha(static_cast<unsigned char>(c)) && random() % 2) c ^= 0x20;
        if (!changed.empty()) changed[random() % changed.size()] = alphabet[random() % alphabet.size()];
        pairs.push_back({a, text(random() % 20)});
        pairs.push_back({a, flipped});
        pairs.push_back({flipped, a});
        pairs.push_back({a, changed});
        pairs.push_back({a, a.substr(0, random() % (a.size() + 1))});
        pairs.push_back({flipped.substr(0, random() % (a.size() + 1)), a});
    }
    return pairs;
}

TEST(SqliteNocase, OrdersEveryPairAsSqlitesOwn) {
    Session own = open(":memory:", false), ours = open(":memory:", true);
    int differing = 0;
    for (const auto& [a, b] : testPairs()) {
        const std::string expected = order(own.get(), a, b);
        if (order(ours.get(), a, b) != expected && ++differing <= 5)
            ADD_FAILURE() << "'" << a << "' against '" << b << "': SQLite's own says " << expected;
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace fo
