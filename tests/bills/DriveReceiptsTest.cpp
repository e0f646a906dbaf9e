// The receipt register driven through the executable, as a clerk works it,
// in both dialects: from the query through the reprint to the void.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/ExeRunner.h"
#include "support/Dialects.h"

namespace fo::test {
namespace {

class DriveReceipts : public ExeTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        ExeTest::SetUp();
        db_ = path("demo.db");
        const auto made = run({"init-demo", db_, "--students", "24", "--today", "2026-10-15"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    ExeRun drive(const std::string& script) {
        const std::string file = path("script.txt");
        std::ofstream(file) << script;
        return run({"drive", "--db", db_, "--dialect", std::to_string(GetParam()), "--settings", path("settings"),
                    "--export-dir", path("out"), file});
    }
    std::string db_;
};

TEST_P(DriveReceipts, FromTheQueryThroughReprintToTheVoidsSuccess) {
    const auto r = drive(
        "open ShowPJinfo\n"
        "set DTPfrom 2026-10-01\n"
        "set DTPto 2026-10-31\n"
        "set cmbDJstate 全部\n"
        "click CMDfind\n"
        "item ListView1 k46 click\n"
        "expect cell lvwMx 1 1 保育费\n"
        "answer yes\n"
        "click cmdPrintRe\n"
        "expect message 打印成功\n"
        "set txtZfyy 重复收费\n"
        "click cmdZF\n"
        // the preview, before the clerk is asked
        "expect plan refused none\n"
        "expect plan update pjml id=46 pjState 作废\n"
        "expect plan update pjml id=46 zfyy 重复收费\n"
        "expect plan insert INandOutML id=(新2) zy 取消收费\n"
        "dump plan\n"
        "answer yes\n"
        "click cmdOK\n"
        "expect message 操作成功！\n"
        "expect sql \"select pjState from pjml where id=46\" 作废\n"
        "expect sql \"select count(*) from kdw_sfjl where djbh like 'QXSF%'\" 3\n"
        "close\n");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("open frmPlanPreview\nupdate\tPJML\tid=46\tzfrq=(空)>(记账时);"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("close frmPlanPreview\nmessage 警告|确定作废吗？\nmessage 警告！|操作成功！\n"), std::string::npos)
        << r.out;
    const auto print = r.out.find("print " + path("out") + "/receipt-");
    ASSERT_NE(print, std::string::npos) << r.out;
    const std::string file = r.out.substr(print + 6, r.out.find('\n', print) - print - 6);
    EXPECT_TRUE(std::filesystem::exists(file)) << file;
}

INSTANTIATE_TEST_SUITE_P(Dialects, DriveReceipts, ::testing::Values(kSqlServer, kAccess), dialectName);

}  // namespace
}  // namespace fo::test
