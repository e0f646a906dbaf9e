// The windows' columns at a 1366×768 desktop: a list or grid opens with
// every column's heading and text whole and in view (nothing elided, no
// column beyond the window's edge) — the register with its void columns,
// the reduction window's arrears and items, the picker, the records window,
// the operators' rights. The check is the desktop run's (desktop.…):
// headless, nothing is drawn and the scripts only run to their end.
#include "module/ModuleScriptTest.h"

namespace fo::test {
namespace {

class WholeColumns : public ModuleScriptTest {
protected:
    void expectWhole(const std::string& what, const std::string& script,
                     const std::vector<std::pair<std::string, std::string>>& settings = {}) {
        const Run r = drive(script, Operators::BuiltInId, settings);
        EXPECT_EQ(r.status, 0) << what << "\n" << r.out << r.err;
    }
};

TEST_P(WholeColumns, ListsAndGridsShowEveryColumnWholeAt1366x768) {
    const std::string receipt = text("select min(p.id) from pjml as p inner join kdw_sfjl as a on a.djbh=p.djbh"
                                     " where p.pjState='' and a.sfyf='202612' and a.ysfjlid=0");
    const std::string september = text("select min(qfkid) from qfhzb where fkrq is null and qfyf='202609' and qfje=981");
    const std::string owing = text("select xh from kdw_xs where id=(select xsid from qfhzb where qfkid=" + september + ")");
    ASSERT_FALSE(receipt.empty() || owing.empty());
    expectWhole("register with a void", "open ShowPJinfo\n"
                                        "set DTPfrom 2026-12-01\n"
                                        "set DTPto 2026-12-31\n"
                                        "set cmbDJstate 全部\n"
                                        "click CMDfind\n"
                                        "item ListView1 k" + receipt + " click\n"
                                        "set txtZfyy 重复收费\n"
                                        "click cmdZF\n"
                                        "answer yes\n"
                                        "click cmdOK\n"
                                        "click CMDfind\n"
                                        "expect whole ListView1\n"
                                        "close\n");
    expectWhole("reduction window and picker", "open ShowJMJL\n"
                                               "set txtFind 黄\n"
                                               "key txtFind Enter\n"
                                               "expect whole DataGrid1\n"
                                               "cell DataGrid1 1 1\n"
                                               "click CmdSel\n"
                                               "set txtFind " + owing + "\n"
                                               "key txtFind Enter\n"
                                               "expect whole LvwQFLIST\n"
                                               "item LvwQFLIST k" + september + " click\n"
                                               "expect whole MSFlexGrid1\n"
                                               "cell MSFlexGrid1 1 1\n"
                                               "type MSFlexGrid1 30.5\n"
                                               "set txtJmyy 家庭困难\n"
                                               "click cmd_ok\n"
                                               "click cmdOk\n"
                                               "close\n",
                {{"chkXMzhekou", "1"}});
    expectWhole("operators", "open frmOperators\n"
                             "item lvwUsers k1 click\n"
                             "expect cell lvwRights 1 权限 完全（管理员）\n"
                             "expect whole lvwRights\n"
                             "item lvwUsers k2 click\n"
                             "expect whole lvwRights\n"
                             "close\n");
    expectWhole("records window", "open frmjmjlML\n"
                                  "set DTPfrom 2026-09-01\n"
                                  "click CMDfind\n"
                                  "expect whole lvwML\n"
                                  "close\n");
}

FO_INSTANTIATE_DIALECTS(WholeColumns);

}  // namespace
}  // namespace fo::test
