#include <gtest/gtest.h>

#include <vector>

#include "db/sql/SqlRewrite.h"
#include "db/pg/PgRewrite.h"
#include "db/sql/SqlRanges.h"
#include "db/sql/SqlSelect.h"

namespace fo {
namespace {

TEST(SqlRewrite, QuotesIsnullAndLeftSeparatesConjunctionsAndLimitsALeadingTop) {
    for (const auto& [sql, rewritten] : std::vector<std::pair<const char*, const char*>>{
             {"select isnull(qfje,0) from qfhzb", "select \"isnull\"(qfje,0) from qfhzb"},
             {"where iif(isnull(qfje),0,qfje)>0", "where iif(\"isnull\"(qfje),0,qfje)>0"},
             {"where left(a.djbh,2)='JM'", "where \"left\"(a.djbh,2)='JM'"},
             {"select LEFT (djbh, 2), IsNull\r\n(x)", "select \"LEFT\" (djbh, 2), \"IsNull\"\r\n(x)"},
             {"select id from kdw_xs where 1=1and xh ='1'", "select id from kdw_xs where 1=1 and xh ='1'"},
             {"where sflxid=2OR jm like'%a%'", "where sflxid=2 OR jm like'%a%'"},
             {"select top 100 * from PJML order by id", "select * from PJML order by id limit 100"},
             {"SELECT TOP 5 a,b FROM t;", "SELECT a,b FROM t limit 5;"},
             {"\r\n  select top 1 id from t  \r\n", "\r\n  select id from t limit 1  \r\n"},
             {"select top 3 a from t -- newest first\n", "select a from t limit 3 -- newest first\n"},
             {"select top 2 left(mc,1) from t where mc='top 9'",
              "select \"left\"(mc,1) from t where mc='top 9' limit 2"}})
        EXPECT_EQ(rewriteSql(sql), rewritten) << sql;
    // Only a leading top is a row limit; a number's own letters stay.
    for (const char* same : {"insert into t select top 1 a from s", "select top from t", "select 1e5, 0x1F from t",
                             "where bz='1=1and'", "where a=1 and b=2"})
        EXPECT_EQ(rewriteSql(same), same) << same;
}

TEST(SqlRewrite, LeavesJoinsNamesLiteralsAndCommentsAlone) {
    for (const char* same : {
             "select * from a left join b on a.id=b.id",
             "select * from a LEFT OUTER JOIN b on a.id=b.id",
             "select x from t where x isnull",
             "select 'isnull(x)', 'left(''a'',1)' from t",
             "select \"left\"(a,1) from t",
             "select [isnull] from t",
             "select a -- isnull(a) and select top 5\nfrom t",
             "select myleft(a,1), isnull_flag from t",
             "update t set bz='select top 1'",
             "select /* left(x,1) */ a from t",
         })
        EXPECT_EQ(rewriteSql(same), same) << same;
}

// The server reads a backslash in a LIKE pattern as its escape and a
// varchar's width as a limit; the embedded engine reads neither.
TEST(SqlRewrite, TheServerMatchesBackslashesAsThemselvesAndKeepsLongTexts) {
    EXPECT_EQ(serverSql(R"(select * from vxsxx where (学号 like '%a\b%' or 姓名 like'%x\%' ) and del=0)"),
              R"(select * from vxsxx where (学号 like '%a\\b%' or 姓名 like'%x\\%' ) and del=0)");
    EXPECT_EQ(serverSql(R"(where xm NOT LIKE '\_%' and bz='a\b')"), R"(where xm NOT LIKE '\\_%' and bz='a\b')");
    // The rest of rewriteSql still applies.
    EXPECT_EQ(serverSql(R"(select top 5 xm from kdw_xs where 1=1and xm like '%\%')"),
              R"(select xm from kdw_xs where 1=1 and xm like '%\\%' limit 5)");
    EXPECT_EQ(serverSql("create table tmpJM1( xsid int,sfyf varchar(20),feetermname VARCHAR ( 200 ))"),
              "create table tmpJM1( xsid int,sfyf varchar,feetermname VARCHAR)");
    EXPECT_EQ(serverSql("select cast(xm as varchar(2)) from kdw_xs"), "select cast(xm as varchar) from kdw_xs");
    for (const char* same : {
             R"(select * from t where a like '%\%%' escape '\')",
             R"(select * from t where a like '%!%%' || '\' escape '!')",
             R"(select * from t where a like b and c='\')",
             R"(insert into t(bz) values('like \ varchar(20)'))",
             "create table PJML(djbh character varying(50), xm citext)",
             "select varchar_col from t -- like '\'",
         })
        EXPECT_EQ(serverSql(same), same) << same;
}

TEST(SqlRewrite, RowChangesBindTheirWholeNumbersAndTexts) {
    using Values = std::vector<std::variant<std::int64_t, std::string>>;
    auto p = fo::literalsAsParameters("insert into t(id,mc,je) values(12,'O''Neil',-3.50)");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->text, "insert into t(id,mc,je) values(?,?,-3.50)");
    EXPECT_EQ(p->values, (Values{std::int64_t{12}, std::string("O'Neil")}));
    p = fo::literalsAsParameters("UPDATE t set bz='' where id=007 and raw=x'41' and n=1e3 and big=1234567890123456789");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->text, "UPDATE t set bz=? where id=? and raw=x'41' and n=1e3 and big=1234567890123456789");
    EXPECT_EQ(p->values, (Values{std::string(), std::int64_t{7}}));
    // Select lists keep theirs, but for the one a row change inserts.
    p = fo::literalsAsParameters("select 1, (select mc from u where id=2) from (select 3) where id in(select 4 from v)"
                                 " and mc='a' union select 5 from w where id=6");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->text, "select 1, (select mc from u where id=2) from (select 3) where id in(select 4 from v)"
                       " and mc=? union select 5 from w where id=?");
    EXPECT_EQ(p->values, (Values{std::string("a"), std::int64_t{6}}));
    p = fo::literalsAsParameters("insert into t(a,b) select 7,b from u where c=8 and d in(select 9 from v)");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->text, "insert into t(a,b) select ?,b from u where c=? and d in(select 9 from v)");
    // ORDER BY and GROUP BY lists keep theirs, up to the clause after them.
    p = fo::literalsAsParameters("select a, sum(b) from t where c=1 group by a, 2 having sum(b) > 3 order by 1 limit 4");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->text, "select a, sum(b) from t where c=? group by a, 2 having sum(b) > ? order by 1 limit ?");
    EXPECT_EQ(p->values, (Values{std::int64_t{1}, std::int64_t{3}, std::int64_t{4}}));
}

TEST(SqlRewrite, KeepsLiteralsWhereTheyMeanMoreThanTheirValue) {
    for (const char* kept : {
             "select 1, 'a' from t",
             "select id from t order by 2",
             "insert into u select id from t order by 1",
             "insert into t values(1) returning 2",
             "insert into t values(1) on conflict(id) do nothing",
             "delete from t where id=?",
             "delete from t where id=:id or id=2",
             "update t set a=b",
         })
        EXPECT_FALSE(fo::literalsAsParameters(kept)) << kept;
}

// A condition on a result column is written on the expression it stands
// for, inside the statement: before its ORDER BY, after its own WHERE kept
// whole, and untouched inside literals and subqueries.
TEST(SqlSelect, ConditionsOnResultColumnsGoIntoTheStatement) {
    const std::string sql = "select top 100 a.id ,a.djbh as 编号,(select max(x) from t where y=1) As 最大, count(*) n\r\n"
                            "FROM PJML as a where a.xh='where' or a.id>0 order by a.id desc";
    const auto columns = fo::selectedColumns(sql);
    EXPECT_EQ(columns.at("id"), "a.id");
    EXPECT_EQ(columns.at("编号"), "a.djbh");
    EXPECT_EQ(columns.at("最大"), "(select max(x) from t where y=1)");
    EXPECT_EQ(fo::withCondition(sql, "a.djbh = 'SF1'"),
              "select top 100 a.id ,a.djbh as 编号,(select max(x) from t where y=1) As 最大, count(*) n\r\n"
              "FROM PJML as a where ( a.xh='where' or a.id>0) and (a.djbh = 'SF1') order by a.id desc");
    EXPECT_EQ(fo::withCondition("select a from t", "a>1"), "select a from t where (a>1) ");
}

// The ranges the embedded engine may tell its planner about: found only where
// wrapping them whole keeps what the query means.
const std::string kHead =
    "select a.id ,a.djbh as 编号 ,b.ysk as 预收款\r\nFROM PJML as a,kdw_sfjl as b,kdw_xs as c where  a.djbh=b.djbh "
    "and a.xsid=c.id  and ";

TEST(SqlRanges, FindsTheRegistersDateRangeInBothDialects) {
    const std::string sqlServer = kHead + " a.kprq between '2026-11-01' and '2026-12-01' \r\n and a.pjState='正常' order by a.id desc";
    auto ranges = constantRanges(sqlServer);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].table + "|" + ranges[0].column + "|" + ranges[0].low + "|" + ranges[0].high,
              "PJML|kprq|'2026-11-01'|'2026-12-01'");
    EXPECT_EQ(withLikelihoods(sqlServer, ranges, {"0.01"}),
              kHead + " likelihood(a.kprq between '2026-11-01' and '2026-12-01', 0.01) \r\n and a.pjState='正常' order by a.id desc");

    const std::string access = kHead +
                               " a.kprq between  format('2016-01-01','yyyy-mm-dd') and format('2027-01-01','yyyy-mm-dd') "
                               "order by a.id desc";
    ranges = constantRanges(access);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].low + "|" + ranges[0].high, "format('2016-01-01','yyyy-mm-dd')|format('2027-01-01','yyyy-mm-dd')");
    EXPECT_EQ(access.substr(ranges[0].begin, ranges[0].end - ranges[0].begin),
              "a.kprq between  format('2016-01-01','yyyy-mm-dd') and format('2027-01-01','yyyy-mm-dd')");

    // Behind EXPLAIN, an unqualified column of the one table, a second range
    // after the first one's bounds, a table named in brackets with an alias.
    ranges = constantRanges("explain query plan select * from [kdw_jm] where rq between 5 and -2 and xsid between 1 and 9");
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0].table + "|" + ranges[0].high + "|" + ranges[1].column, "kdw_jm|-2|xsid");
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
    EXPECT_TRUE(constantRanges("select * from t where x between 1 and y between 2 and 3").empty());
}

}  // namespace
}  // namespace fo
