#include <gtest/gtest.h>

#include "TempDatabase.h"
#include "db/DbError.h"
#include "support/Query.h"

using fo::Value;
using fo::dbtest::DialectDbTest;

namespace {

class SqliteFunctions : public DialectDbTest {
protected:
    void SetUp() override {
        cn_->execute(
            "create table qf(xsid int, ysje money, jfje money, jmje money, qfje money, d datetime, mc varchar(20));"
            "insert into qf values(1, 0.1, 0, 0, 5, '2026-03-07 08:09:10', '张小明');"
            "insert into qf values(1, 0.2, 0, 0, null, '2026-03-08', 'abc');"
            "insert into qf values(1, -0.3, 0, 0, 0, null, null);"
            "insert into qf values(2, 0.3, 0.1, 0.2, 2.5, '2026-04-01', 'x')");
    }
    // The single value of a one-row, one-column query.
    Value scalar(const std::string& sql) {
        auto rs = cn_->execute(sql);
        EXPECT_EQ(rs->recordCount(), 1) << sql;
        return rs->eof() ? Value() : rs->field(0);
    }
    std::string text(const std::string& sql) { return scalar(sql).toText(); }
};

// isnull with one argument and with two, iif by truth (a text's is that of
// the number it reads as), left by characters, not bytes.
TEST_P(SqliteFunctions, IsnullIifAndLeftAsTheirDialectsDefineThem) {
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
    EXPECT_EQ(text("select count(*) from qf where " + std::string(pick("isnull(qfje,0)>0", "iif(isnull(qfje),0,qfje)>0"))),
              "2");
    EXPECT_EQ(text("select iif(qfje>3, qfje, 0) from qf where mc='张小明'"), "5");
    EXPECT_EQ(text("select left(mc,2) from qf where xsid=1 and ysje<0.15 and ysje>0"), "张小");
    EXPECT_EQ(text("select count(*) from qf a left join qf b on a.xsid=b.xsid where left(a.mc,1)='张'"), "3");
}

// Dates to the format asked; money rounded once, half away from zero, from
// every digit of the value, to a text.
TEST_P(SqliteFunctions, FormatDatesAndMoney) {
    using Case = std::pair<const char*, const char*>;
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
    EXPECT_TRUE(scalar("select format(null,'0.00')").isNull());
    EXPECT_TRUE(scalar("select format(null,'yyyy-mm-dd')").isNull());
}

TEST_P(SqliteFunctions, GetdateIsTheLocalDateAndTime) {
    const fo::DateTime before = fo::DateTime::now();
    const std::string now = text("select getdate()");
    const fo::DateTime after = fo::DateTime::now();
    const auto parsed = fo::DateTime::parse(now);
    ASSERT_TRUE(parsed.has_value()) << now;
    EXPECT_EQ(now.size(), 19u);
    EXPECT_LE(before, *parsed);
    EXPECT_LE(*parsed, after);
}

TEST_P(SqliteFunctions, ExactSumDropsBinaryResiduesKeepsKindsAndNullsAndRunsAsAWindow) {
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
    // Its kinds and nulls.
    EXPECT_EQ(scalar("select typeof(sum(xsid)) from qf"), Value("integer"));
    EXPECT_EQ(scalar("select sum(xsid) from qf"), Value(5));
    EXPECT_EQ(scalar("select typeof(sum(ysje)) from qf"), Value("real"));
    EXPECT_TRUE(scalar("select sum(qfje) from qf where qfje is null").isNull());
    EXPECT_TRUE(scalar("select sum(ysje) from qf where 0").isNull());
    EXPECT_EQ(text("select sum(qfje) from qf"), "7.5");  // the null is skipped
    EXPECT_EQ(text("select sum(v) from (select '1.25' v union all select 'x' union all select 2)"), "3.25");
    EXPECT_EQ(text(pick("select isnull(sum(qfje),0) from qf where 0", "select iif(sum(qfje) is null,0,sum(qfje)) from qf where 0")),
              "0");
    EXPECT_THROW(cn_->execute("select sum(v) from (select 9223372036854775807 v union all select 1)"), fo::DbError);
    // And as a window function.
    using Texts = std::vector<std::string>;
    EXPECT_EQ(fo::test::firstColumn(*cn_, "select sum(ysje) over (order by rowid) from qf where xsid=1"),
              (Texts{"0.1", "0.3", "0"}));
    EXPECT_EQ(fo::test::firstColumn(
                  *cn_, "select sum(ysje) over (order by rowid rows between 1 preceding and current row) from qf"),
              (Texts{"0.1", "0.3", "-0.1", "0"}));
}

FO_INSTANTIATE_DIALECTS(SqliteFunctions);

}  // namespace
