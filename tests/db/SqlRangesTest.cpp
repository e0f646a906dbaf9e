// The ranges the embedded engine may tell its planner about: found only where
// wrapping them whole keeps what the query means.
#include <gtest/gtest.h>

#include "db/sql/SqlRanges.h"

using fo::constantRanges;
using fo::RangeCondition;
using fo::withLikelihoods;

namespace {

const std::string kHead =
    "select a.id ,a.djbh as 编号 ,b.ysk as 预收款\r\nFROM PJML as a,kdw_sfjl as b,kdw_xs as c where  a.djbh=b.djbh "
    "and a.xsid=c.id  and ";

TEST(SqlRanges, FindsTheRegistersDateRangeInBothDialects) {
    const std::string sqlServer = kHead + " a.kprq between '2026-11-01' and '2026-12-01' \r\n and a.pjState='正常' order by a.id desc";
    auto ranges = constantRanges(sqlServer);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].table, "PJML");
    EXPECT_EQ(ranges[0].column, "kprq");
    EXPECT_EQ(ranges[0].low, "'2026-11-01'");
    EXPECT_EQ(ranges[0].high, "'2026-12-01'");
    EXPECT_EQ(withLikelihoods(sqlServer, ranges, {"0.01"}),
              kHead + " likelihood(a.kprq between '2026-11-01' and '2026-12-01', 0.01) \r\n and a.pjState='正常' order by a.id desc");

    const std::string access = kHead +
                               " a.kprq between  format('2016-01-01','yyyy-mm-dd') and format('2027-01-01','yyyy-mm-dd') "
                               "order by a.id desc";
    ranges = constantRanges(access);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].low, "format('2016-01-01','yyyy-mm-dd')");
    EXPECT_EQ(ranges[0].high, "format('2027-01-01','yyyy-mm-dd')");
    EXPECT_EQ(access.substr(ranges[0].begin, ranges[0].end - ranges[0].begin),
              "a.kprq between  format('2016-01-01','yyyy-mm-dd') and format('2027-01-01','yyyy-mm-dd')");

    // Behind EXPLAIN, an unqualified column of the one table, a second range
    // after the first one's bounds, a table named in brackets with an alias.
    ranges = constantRanges("explain query plan select * from [kdw_jm] where rq between 5 and -2 and xsid between 1 and 9");
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0].table, "kdw_jm");
    EXPECT_EQ(ranges[0].high, "-2");
    EXPECT_EQ(ranges[1].column, "xsid");
    EXPECT_EQ(withLikelihoods("select * from t where x between 1 and 2 or y between 3 and 4",
                              constantRanges("select * from t where x between 1 and 2 or y between 3 and 4"), {"", "0.5"}),
              "select * from t where x between 1 and 2 or likelihood(y between 3 and 4, 0.5)");
}

TEST(SqlRanges, LeavesARangeItCannotWrapWholeOrPlaceInItsTable) {
    const char* const untouched[] = {
        // not a plain range of a column
        "select * from t where x not between 1 and 2",
        "select * from t where not x between 1 and 2",
        "select * from t where x+1 between 1 and 2",
        "select * from t where x between y and 2",
        "select * from t where x between 1 and ?",
        "select * from t where x between 1 and '2026' || '-12'",
        "select * from t where x between 1 and 5 + 1",
        "select * from t where x between format(y,'yyyy') and 2",
        // not at the top of the outermost WHERE
        "select * from t where (x between 1 and 2)",
        "select * from t where id in (select id from u where x between 1 and 2)",
        "select case when x between 1 and 2 then 1 end from t",
        "select * from t group by x having x between 1 and 2",
        // a table the condition cannot be placed in
        "select * from t as a, u as b where c.x between 1 and 2",
        "select * from t, u where x between 1 and 2",
        // not a query
        "delete from t where x between 1 and 2",
        "update t set y=1 where x between 1 and 2",
    };
    for (const char* sql : untouched) EXPECT_TRUE(constantRanges(sql).empty()) << sql;

    // A column that is a bound of an earlier range is not a range's column.
    const auto ranges = constantRanges("select * from t where x between 1 and y between 2 and 3");
    EXPECT_TRUE(ranges.empty());
}

}  // namespace
