// The audit log of the reference host: a posting's row commits or rolls back
// with the posting, a rolled-back posting is recorded once as failed, and
// the file line is written only once the outcome is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "HostTestSupport.h"
#include "db/DbError.h"
#include "host/operators/AuditLog.h"
#include "support/FileText.h"
#include "support/ScopedVariable.h"

namespace fo {
namespace {

class AuditLogTest : public ::testing::Test, public test::FeeDb {
protected:
    std::string fileText() const { return test::readWholeFile(AuditLog::filePath()); }
    std::vector<AuditRecord> logged() { return readAuditLog(*cn); }

    test::ScopedVariable state{"XDG_STATE_HOME", dir.file("state")};
    std::shared_ptr<AuditLog> log = std::make_shared<AuditLog>(db.connectionString(), dbPath, 2, "张会计");
};

TEST_F(AuditLogTest, APostingsRowCommitsOrRollsBackWithItAndItsLineFollowsTheOutcome) {
    ConnectionPtr tr = db.open();
    tr->beginTrans();
    log->posting(*tr, AuditEntry{"减免", "JM202612060001", Currency::parse("12.5")});
    tr->execute("insert into kdw_bj(id,mc) values(9,'大班')");
    // Nobody else sees the row before the posting commits, and the file
    // does not claim what has not happened yet.
    EXPECT_TRUE(logged().empty());
    EXPECT_EQ(fileText(), "");
    tr->commitTrans();

    // The connection's next posting starts afresh; rolled back, it is
    // recorded once as failed with its reason; one whose connection is
    // closed in the middle failed as well.
    tr->beginTrans();
    try {
        log->posting(*tr, AuditEntry{"批量减免", "JM1", Currency::fromInt(10)});
        log->posting(*tr, AuditEntry{"批量减免", "JM2", Currency::parse("20.5")});
        throw DbError(1, "减免金额不能大于应收金额");
    } catch (const DbError&) {
        tr->rollbackTrans();
    }
    tr->beginTrans();
    log->posting(*tr, AuditEntry{"取消减免", "QXJM1", std::nullopt});
    tr->close();

    const auto rows = logged();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(std::to_string(rows[0].userId) + "|" + rows[0].userName + "|" + rows[0].workstation + "|" +
                  rows[0].operation + "|" + rows[0].document + "|" + rows[0].outcome,
              "2|张会计|" + AuditLog::workstation() + "|减免|JM202612060001|完成");
    EXPECT_EQ(rows[0].amount, Currency::parse("12.5"));
    EXPECT_EQ(rows[1].document + "|" + rows[1].outcome, "JM1 等 2 笔|失败：减免金额不能大于应收金额");
    EXPECT_EQ(rows[1].amount, Currency::parse("30.5"));
    EXPECT_EQ(rows[2].document + "|" + rows[2].outcome, "QXJM1|失败");
    EXPECT_FALSE(rows[2].amount);
    const std::string file = fileText();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 3);
    EXPECT_EQ(file.rfind(rows[0].time + "\t2 张会计\t" + AuditLog::workstation() + "\t减免\tJM202612060001\t12.50\t完成\t" +
                             std::filesystem::absolute(dbPath).string() + "\n",
                         0),
              0u)
        << file;
    EXPECT_NE(file.find("\t批量减免\tJM1 等 2 笔\t30.50\t失败：减免金额不能大于应收金额\t"), std::string::npos) << file;
}

TEST_F(AuditLogTest, TheLogIsReadByDaysBothIncluded) {
    for (const char* time : {"2026-12-04 23:59:59", "2026-12-05 00:00:00", "2026-12-06 18:30:00", "2026-12-07 00:00:00"})
        writeAuditRow(*cn, AuditRecord{time, 1, "系统管理员", "ws", "登录", "", std::nullopt, "成功"});
    std::vector<std::string> times;
    for (const AuditRecord& r : readAuditLog(*cn, "2026-12-05", "2026-12-06")) times.push_back(r.time);
    EXPECT_EQ(times, (std::vector<std::string>{"2026-12-05 00:00:00", "2026-12-06 18:30:00"}));
    EXPECT_EQ(readAuditLog(*cn, {}, "2026-12-04").size(), 1u);
    EXPECT_EQ(readAuditLog(*cn, "2026-12-07").size(), 1u);
}

}  // namespace
}  // namespace fo
