// The sql verb, run as the built executable would be run by a script. (A
// file that is no fee database is refused by every verb as by check.)
#include <gtest/gtest.h>

#include <string>

#include "app/ExeRunner.h"
#include "data/FeeDatabase.h"

namespace {

class SqlVerb : public fo::test::ExeTest {
protected:
    void SetUp() override {
        ExeTest::SetUp();
        db_ = path("fee.db");
        fo::createFeeDatabase(fo::sqliteConnectionString(db_))->close();
    }

    fo::test::ExeRun sql(const std::string& statement) { return run({"sql", "--db", db_, statement}); }

    std::string db_;
};

TEST_F(SqlVerb, StatementsReportTheRowsAffectedQueriesPrintTabSeparatedRowsAndErrorsGoToStandardError) {
    auto created = sql("create table t(id int, name varchar(20), je money)");
    EXPECT_EQ(created.exitCode, 0) << created.err;
    EXPECT_EQ(created.out, "0 rows affected\n");
    auto inserted = sql("insert into t(id,name,je) values(1,'张三',11.5),(2,'O''Brien',null),(3,'李四',0)");
    EXPECT_EQ(inserted.out, "3 rows affected\n");
    auto updated = run({"sql", "--db", db_, "--dialect", "0", "update t set je=je+1 where je is not null"});
    EXPECT_EQ(updated.exitCode, 0) << updated.err;
    EXPECT_EQ(updated.out, "2 rows affected\n");

    auto rows = run({"sql", "--dialect", "1", "--db", db_, "select id, name as 姓名, je from t where id<3 order by id"});
    EXPECT_EQ(rows.exitCode, 0) << rows.err;
    EXPECT_EQ(rows.out, "id\t姓名\tje\n1\t张三\t12.5\n2\tO'Brien\t\n");
    EXPECT_EQ(rows.err, "");
    // A query without rows still names its columns.
    EXPECT_EQ(sql("select id, name from t where id > 5").out, "id\tname\n");

    // An engine error goes to standard error, with exit status 1.
    auto failed = sql("select * from no_such_table");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    // The clerk's words first, then the engine's own for the administrator.
    EXPECT_NE(failed.err.find("数据库操作失败"), std::string::npos) << failed.err;
    EXPECT_NE(failed.err.find("no such table: no_such_table"), std::string::npos) << failed.err;
}

}  // namespace
