// Copying whole fee databases between the embedded file and the server.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/PgFeeSchema.h"
#include "db/Catalog.h"
#include "db/pg/PgLink.h"
#include "db/TextCase.h"
#include "host/counters/CounterService.h"
#include "host/database/FeeDatabaseCopy.h"
#include "support/DemoDatabase.h"
#include "support/PgTestServer.h"
#include "support/TempDir.h"

namespace fo::test {
namespace {

// Every row of every table, as sorted texts, by lower-case table name: two
// databases with the same books give the same.
std::map<std::string, std::vector<std::string>> everything(const std::string& database) {
    auto cn = openConnection(linkStringFor(database));
    std::map<std::string, std::vector<std::string>> out;
    for (const std::string& table : tableNames(*cn)) {
        const std::string name = lowerAscii(table);
        if (name == "fo_schema" || name == "fo_counters") continue;
        std::vector<std::string> columns = columnNames(*cn, table);
        std::sort(columns.begin(), columns.end(),
                  [](const std::string& a, const std::string& b) { return lowerAscii(a) < lowerAscii(b); });
        std::string list;
        for (const std::string& c : columns) list += (list.empty() ? "" : ",") + c;
        auto& rows = out[name];
        for (RecordsetPtr rs = cn->execute("select " + list + " from " + table); !rs->eof(); rs->moveNext()) {
            std::string line;
            for (std::size_t i = 0; i < rs->fieldCount(); ++i) line += rs->field(i).toText() + "|";
            rows.push_back(line);
        }
        std::sort(rows.begin(), rows.end());
    }
    return out;
}

class FeeDatabaseCopyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only"; }
    void TearDown() override {
        for (const std::string& link : made) dropPgDatabase(link);
    }
    // A server database of this test's own that does not exist yet.
    std::string freshServerDatabase(const std::string& tag) {
        made.push_back(pgTestLink("fo_copy_" + tag + "_" + std::to_string(::getpid())));
        dropPgDatabase(made.back());
        return made.back();
    }

    TempDir dir;
    std::vector<std::string> made;
};

TEST_F(FeeDatabaseCopyTest, TheBooksGoToTheServerAndBackRowForRowAndTheCountersWithThem) {
    const std::string file = dir.file("school.db");
    writeDemoSchool(file, DemoOptions{30, 3, "2026-12-06"});
    // Numbers handed out and rolled back at the source stay handed out.
    CounterService(file).nextId("qfhzb", 5000);

    const std::string server = freshServerDatabase("there");
    const CopyReport there = copyFeeDatabase(file, server);
    EXPECT_TRUE(there.rowsMatch());
    const auto kdw_sfjl = std::find_if(there.tables.begin(), there.tables.end(),
                                       [](const CopiedTable& t) { return equalsIgnoreCase(t.name, "kdw_sfjl"); });
    ASSERT_NE(kdw_sfjl, there.tables.end());
    EXPECT_GT(kdw_sfjl->targetRows, 50);
    EXPECT_EQ(everything(server), everything(file));
    EXPECT_GT(CounterService(server).nextId("qfhzb"), 5000);

    const std::string back = dir.file("back.db");
    EXPECT_TRUE(copyFeeDatabase(server, back).rowsMatch());
    EXPECT_EQ(everything(back), everything(file));
    EXPECT_GT(CounterService(back).nextId("qfhzb"), 5000);
    // The identity columns number on above the copied rows (a duplicate key
    // otherwise).
    EXPECT_NO_THROW(openConnection(server)->execute("insert into PJMLmx(PjMLid,xmmc,je) values(1,'新项目',1)"));
}

TEST_F(FeeDatabaseCopyTest, ATargetThatHoldsAnythingIsRefusedAndAFailedCopyLeavesNothingBehind) {
    const std::string file = dir.file("school.db");
    writeDemoSchool(file, DemoOptions{5, 1, "2026-12-06"});
    const std::string server = freshServerDatabase("busy");
    copyFeeDatabase(file, server);
    const auto before = everything(server);
    EXPECT_THROW(copyFeeDatabase(file, server), std::runtime_error);
    EXPECT_EQ(everything(server), before);
    EXPECT_THROW(copyFeeDatabase(server, file), std::runtime_error);  // an existing file

    // A row the server cannot take (a date that is no date) fails the copy
    // whole: the database it made is gone again.
    openConnection(sqliteConnectionString(file))->execute("update kdw_xs set csrq='someday' where id=(select min(id) from kdw_xs)");
    const std::string target = freshServerDatabase("failed");
    EXPECT_ANY_THROW(copyFeeDatabase(file, target));
    auto server2 = openConnection(pgTestLink("postgres"));
    EXPECT_EQ(server2->execute("select count(*) from pg_database where datname='" + pgLinkParts(target).database + "'")
                  ->field(std::size_t{0})
                  .toInt(),
              0);
}

}  // namespace
}  // namespace fo::test
