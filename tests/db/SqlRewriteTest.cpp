#include <gtest/gtest.h>

#include "db/sql/SqlRewrite.h"
#include "db/pg/PgRewrite.h"
#include "db/sql/SqlSelect.h"

using fo::rewriteSql;

namespace {

TEST(SqlRewrite, QuotesIsnullAndLeftWhenCalled) {
    EXPECT_EQ(rewriteSql("select isnull(qfje,0) from qfhzb"), "select \"isnull\"(qfje,0) from qfhzb");
    EXPECT_EQ(rewriteSql("where iif(isnull(qfje),0,qfje)>0"), "where iif(\"isnull\"(qfje),0,qfje)>0");
    EXPECT_EQ(rewriteSql("where left(a.djbh,2)='JM'"), "where \"left\"(a.djbh,2)='JM'");
    EXPECT_EQ(rewriteSql("select LEFT (djbh, 2), IsNull\r\n(x)"), "select \"LEFT\" (djbh, 2), \"IsNull\"\r\n(x)");
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

TEST(SqlRewrite, SeparatesAConjunctionWrittenAgainstANumber) {
    EXPECT_EQ(rewriteSql("select id from kdw_xs where 1=1and xh ='1'"), "select id from kdw_xs where 1=1 and xh ='1'");
    EXPECT_EQ(rewriteSql("where sflxid=2OR jm like'%a%'"), "where sflxid=2 OR jm like'%a%'");
    for (const char* same : {"select 1e5, 0x1F from t", "where bz='1=1and'", "where a=1 and b=2"})
        EXPECT_EQ(rewriteSql(same), same) << same;
}

// The server reads a backslash in a LIKE pattern as its escape and a
// varchar's width as a limit; the embedded engine reads neither.
TEST(SqlRewrite, TheServerMatchesBackslashesAsThemselvesAndKeepsLongTexts) {
    using fo::serverSql;
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

TEST(SqlRewrite, LeadingSelectTopBecomesLimit) {
    EXPECT_EQ(rewriteSql("select top 100 * from PJML order by id"), "select * from PJML order by id limit 100");
    EXPECT_EQ(rewriteSql("SELECT TOP 5 a,b FROM t;"), "SELECT a,b FROM t limit 5;");
    EXPECT_EQ(rewriteSql("\r\n  select top 1 id from t  \r\n"), "\r\n  select id from t limit 1  \r\n");
    EXPECT_EQ(rewriteSql("select top 3 a from t -- newest first\n"), "select a from t limit 3 -- newest first\n");
    EXPECT_EQ(rewriteSql("select top 2 left(mc,1) from t where mc='top 9'"),
              "select \"left\"(mc,1) from t where mc='top 9' limit 2");
    // Only a leading top is a row limit.
    EXPECT_EQ(rewriteSql("insert into t select top 1 a from s"), "insert into t select top 1 a from s");
    EXPECT_EQ(rewriteSql("select top from t"), "select top from t");
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

}  // namespace
