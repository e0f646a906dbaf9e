// Copying whole fee databases between the embedded file and the server.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/checks/BooksCheck.h"
#include "data/PgFeeSchema.h"
#include "db/Catalog.h"
#include "db/pg/PgLink.h"
#include "db/values/TextCase.h"
#include "host/counters/CounterService.h"
#include "host/database/FeeDatabaseCopy.h"
#include "support/DemoDatabase.h"
#include "support/PgTestServer.h"
#include "support/ScratchPgDatabases.h"
#include "support/Query.h"
#include "support/TempDir.h"

namespace fo::test {
namespace {

// Every row of every table, as sorted texts, by lower-case table name: two
// databases with the same books give the same. The operators' passwords are
// left out: a server keeps its own, so a copy carries none either way.
std::map<std::string, std::vector<std::string>> everything(const std::string& database) {
    auto cn = openConnection(linkStringFor(database));
    std::map<std::string, std::vector<std::string>> out;
    for (const std::string& table : tableNames(*cn)) {
        const std::string name = lowerAscii(table);
        if (name == "fo_schema" || name == "fo_counters" || name == "fo_server_roles" || name == "fo_operator_roles" ||
            name == "fo_right_roles")
            continue;
        std::vector<std::string> columns = columnNames(*cn, table);
        if (name == "sys_user")
            std::erase_if(columns, [](const std::string& c) { return lowerAscii(c) == "pwhash" || lowerAscii(c) == "mustsetpw"; });
        std::sort(columns.begin(), columns.end(),
                  [](const std::string& a, const std::string& b) { return lowerAscii(a) < lowerAscii(b); });
        std::string list;
        for (const std::string& c : columns) list += (list.empty() ? "" : ",") + c;
        auto& rows = out[name] = joinedRows(*cn, "select " + list + " from " + table);
        std::sort(rows.begin(), rows.end());
    }
    return out;
}

class FeeDatabaseCopyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only"; }
    TempDir dir;
    ScratchPgDatabases scratch;
};

// The books go to the server and back row for row, with the counters:
// numbers handed out and rolled back at the source stay handed out. Books an
// older build wrote with empty date texts: the copy carries them so that
// every read, the books check included, answers on the server as it did on
// the file, and back on a file they are the empty texts they were.
TEST_F(FeeDatabaseCopyTest, TheBooksGoToTheServerAndBackRowForRowWithTheCountersAndTheirEmptyDateTexts) {
    const std::string file = dir.file("school.db");
    writeDemoSchool(file, DemoOptions{8, 2, "2026-12-06"});
    CounterService(file).nextId("qfhzb", 5000);
    {
        auto source = openConnection(sqliteConnectionString(file));
        source->execute("update kdw_sfjl set sfrq='' where id=(select min(id) from kdw_sfjl where djbh like 'JM%')");
        source->execute("update qfhzb set fkrq='' where qfkid=(select min(qfkid) from qfhzb where fkrq is null)");
        source->execute("update ajzrq set todate='' where yf=(select max(yf) from ajzrq)");
        // Longer than its declared 200 characters: kept whole on both engines.
        std::string address(70, 'x');
        for (int i = 0; i < 150; ++i) address += "路";
        source->execute("update kdw_xs set jtzz='" + address + "' where id=1");
    }
    const std::string server = scratch.fresh("fo_copy_empty");
    const CopyReport there = copyFeeDatabase(file, server);
    EXPECT_TRUE(there.rowsMatch());
    std::vector<std::string> carried;
    for (const EmptyDates& e : there.emptyDates)
        carried.push_back(lowerAscii(e.table) + "." + lowerAscii(e.column) + "=" + std::to_string(e.rows));
    std::sort(carried.begin(), carried.end());
    EXPECT_EQ(carried, (std::vector<std::string>{"ajzrq.todate=1", "kdw_sfjl.sfrq=1", "qfhzb.fkrq=1"}));
    EXPECT_EQ(everything(server), everything(file));
    EXPECT_GT(CounterService(server).nextId("qfhzb"), 5000);
    // Every operator has a role of his own there, and sets a password anew.
    EXPECT_EQ(firstColumn(*openConnection(server), "select u.pwhash||'|'||u.mustsetpw||'|'||(r.rolename is not null) "
                                                   "from sys_user u left join fo_operator_roles r on r.userid=u.id "
                                                   "group by 1 order by 1"),
              std::vector<std::string>{"|1|true"});

    const auto answers = [](const std::string& database) {
        auto cn = openConnection(linkStringFor(database));
        std::vector<std::string> out;
        for (const char* sql : {
                 "select count(*) from qfhzb where fkrq is null",
                 "select count(*) from kdw_sfjl where sfrq<'2000-01-01' or sfrq is null",
                 "select count(*) from kdw_sfjl where sfrq between '2000-01-01' and '2099-12-31'",
                 "select count(*) from ajzrq where fromdate is not null and todate is not null",
                 "select '['||left(sfrq,10)||']' from kdw_sfjl where sfrq<'2000-01-01'",
                 "select '['||isnull(format(todate,'yyyy-mm-dd'),'null')||']' from ajzrq where todate<'2000-01-01'",
                 "select min(sfrq) from kdw_sfjl where djbh like 'JM%'",
             })
            for (const std::string& answer : firstColumn(*cn, sql)) out.push_back(std::string(sql) + " -> " + answer);
        return out;
    };
    EXPECT_EQ(answers(server), answers(file));
    const auto texts = [](const std::vector<BooksFault>& faults) {
        std::vector<std::string> out;
        for (const BooksFault& f : faults) out.push_back(f.text);
        return out;
    };
    EXPECT_EQ(texts(there.faults), texts(checkBooks(*openConnection(sqliteConnectionString(file)))));

    const std::string back = dir.file("back.db");
    const CopyReport home = copyFeeDatabase(server, back);
    EXPECT_TRUE(home.emptyDates.empty());
    EXPECT_EQ(everything(back), everything(file));
    EXPECT_GT(CounterService(back).nextId("qfhzb"), 5000);
    // The identity columns number on above the copied rows (a duplicate key
    // otherwise).
    EXPECT_NO_THROW(openConnection(server)->execute("insert into PJMLmx(PjMLid,xmmc,je) values(1,'新项目',1)"));
    EXPECT_EQ(scalar(*openConnection(sqliteConnectionString(back)), "select count(*) from qfhzb where fkrq=''").toInt(), 1);
}

TEST_F(FeeDatabaseCopyTest, ATargetThatHoldsAnythingIsRefusedAndAFailedCopyLeavesNothingBehind) {
    const std::string file = dir.file("school.db");
    writeDemoSchool(file, DemoOptions{5, 1, "2026-12-06"});
    const std::string server = scratch.fresh("fo_copy_busy");
    copyFeeDatabase(file, server);
    const auto before = everything(server);
    EXPECT_THROW(copyFeeDatabase(file, server), std::runtime_error);
    EXPECT_EQ(everything(server), before);
    EXPECT_THROW(copyFeeDatabase(server, file), std::runtime_error);  // an existing file

    // Rows the server cannot take (a date that is no date, a day the month
    // does not have, a document number longer than its column) are named,
    // every one, before anything is copied: the database it made is gone
    // again.
    auto source = openConnection(sqliteConnectionString(file));
    source->execute("update kdw_xs set csrq='someday' where id=(select min(id) from kdw_xs)");
    source->execute("update kdw_sfjl set sfrq='2026-02-30' where id=(select min(id) from kdw_sfjl)");
    source->execute("update PJML set djbh='SF" + std::string(60, '9') + "' where id=(select max(id) from PJML)");
    source->execute("update kdw_sfjl set rq='' where id=(select max(id) from kdw_sfjl)");  // carried, not refused
    const auto rowid = [&](const std::string& sql) { return scalar(*source, sql).toText(); };
    const std::string target = scratch.fresh("fo_copy_failed");
    try {
        copyFeeDatabase(file, target);
        ADD_FAILURE() << "copied books the server refuses";
    } catch (const std::runtime_error& e) {
        const std::string why = e.what();
        EXPECT_NE(why.find("有 3 处内容数据库服务器不接受，没有复制任何数据"), std::string::npos) << why;
        EXPECT_NE(why.find("kdw_xs.csrq（rowid " + rowid("select rowid from kdw_xs where csrq='someday'") +
                           "）：“someday”不是日期"),
                  std::string::npos) << why;
        EXPECT_NE(why.find("kdw_sfjl.sfrq（rowid " + rowid("select rowid from kdw_sfjl where sfrq='2026-02-30'") +
                           "）：“2026-02-30”不是日期"),
                  std::string::npos) << why;
        EXPECT_NE(why.find("PJML.djbh（rowid " + rowid("select max(id) from PJML") + "）：“SF9999"), std::string::npos)
            << why;
        EXPECT_NE(why.find("有 62 个字，该列最多 50 个字"), std::string::npos) << why;
    }
    EXPECT_EQ(scalar(*openConnection(pgTestLink("postgres")),
                     "select count(*) from pg_database where datname='" + pgLinkParts(target).database + "'").toInt(),
              0);
}

}  // namespace
}  // namespace fo::test
