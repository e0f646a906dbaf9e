// Both batch windows end to end through the executable's drive verb, in
// both dialects: the wizard for two students of a class who owe September,
// through its preview, and the receivables list for one student, each to
// its success message.
#include <fstream>

#include "app/ExeRunner.h"
#include "support/Dialects.h"

namespace fo::test {
namespace {

class DriveBatchTest : public ExeTest, public ::testing::WithParamInterface<int> {};

TEST_P(DriveBatchTest, WizardAndReceivablesListToTheSuccessMessage) {
    const std::string db = path("fee.db");
    ASSERT_EQ(run({"init-demo", db, "--today", "2026-12-06"}).exitCode, 0);
    std::ofstream(path("wizard.txt")) << "open frmBachJM\n"
                                         "click Command1\n"
                                         "set Cmb_bjmc 小班一班\n"
                                         "click cmdSure\n"
                                         "item lvwXS k7 check\n"
                                         "item lvwXS k19 check\n"
                                         "click cmdNext\n"
                                         "set CMB_sflx 全日制\n"
                                         "set cmbYF 202609\n"
                                         "cell MSFlexGrid1 1 1\n"
                                         "type Txt_write 30\n"
                                         "set txtJMYY 批量\n"
                                         "click cmdPreview\n"
                                         "expect plan refused none\n"
                                         "expect plan lines 2\n"
                                         "expect plan rows kdw_sfjl 2\n"
                                         "expect plan insert kdw_sfjl id=(新2) xsid 7\n"
                                         "expect plan insert kdw_sfjl id=(新5) xsid 19\n"
                                         "dump plan\n"
                                         "click cmdOK\n"
                                         "click cmdOk\n"
                                         "expect message 操作成功！\n"
                                         "close\n"
                                         "close\n"
                                         "open ShowBachJm\n"
                                         "set cmbYf 2026年09月\n"
                                         "set cmbYFto 2026年12月\n"
                                         "set txtBh 20260019\n"
                                         "click cmdTJ\n"
                                         "select LSTsfxm 保育费 on\n"
                                         "select LSTsfxm 伙食费 on\n"
                                         "click cmdOK\n"
                                         "expect count lvw1 6\n"
                                         "click cmdCancelSelect\n"
                                         "set txtJmyy 清单\n"
                                         "answer yes\n"
                                         "click cmdJMok\n"
                                         "expect message 操作成功！\n"
                                         "expect count lvw1 0\n"
                                         "expect sql \"select count(*) from kdw_sfjl where jmyy='清单'\" 2\n"
                                         "close\n";
    const std::string dialect = std::to_string(GetParam());
    const ExeRun r = run({"drive", "--db", db, "--dialect", dialect, "--settings", path("ui"), path("wizard.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("message 提示|操作成功！\\n减免金额：30.00"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("message 警告！|操作成功！"), std::string::npos) << r.out;
    // The preview's lines come first, per student and item, then its rows.
    EXPECT_NE(r.out.find("open frmPlanPreview\nline\t20260007 陈文琪\t小班一班\t202609\t保育费\t30.00\t202609#"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\ninsert\tkdw_sfjl\tid=(新5)\t"), std::string::npos) << r.out;
    const ExeRun count = run({"sql", "--db", db, "select count(*) from kdw_sfjl where jmyy='批量'"});
    EXPECT_NE(count.out.find("\n2\n"), std::string::npos) << count.out;
}

INSTANTIATE_TEST_SUITE_P(Dialects, DriveBatchTest, ::testing::Values(kSqlServer, kAccess), dialectName);

}  // namespace
}  // namespace fo::test
