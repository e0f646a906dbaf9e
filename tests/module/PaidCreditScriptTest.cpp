// Crediting what was paid from the receivables list as a clerk works it,
// headless and at the desktop: the option is offered only with its right,
// the list offers what may be credited, the preview changes the balance by
// that, and the confirmed posting writes it. At a 1366×768 desktop the list
// with its credited column, and the operators' rights, open with every
// column's heading and text whole and in view and no empty strip after the
// last (the desktop run's check, desktop.…; the clerk's other lists and
// grids are checked as every window is worked: EveryWindowTest.h).
#include "ModuleScriptTest.h"
#include "db/values/Currency.h"

namespace fo::test {
namespace {

class PaidCreditScript : public ModuleScriptTest {};

TEST_P(PaidCreditScript, TheListCreditsWhatWasPaidThroughItsPreview) {
    // A student who paid December's 保育费 in his one charge of the month.
    const std::string xsid = text(
        "select min(a.xsid) from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id where left(a.djbh,2)='SF'"
        " and a.sfyf='202612' and b.sfxmid=1 and a.ysfjlid=0 and b.je>0 and a.xsid not in(select xsid from kdw_sfjl"
        " where sfyf='202612' and id<>a.id)");
    ASSERT_FALSE(xsid.empty());
    const Currency paid = leadingNumber(text("select sum(b.je) from kdw_sfjl as a inner join kdw_sfjlmx as b on"
                                             " b.sfjlid=a.id where a.sfyf='202612' and b.sfxmid=1 and a.xsid=" + xsid));
    const Currency before = leadingNumber(text("select ysk from kdw_xs where id=" + xsid));

    const Run clerk = drive("open ShowBachJm\nexpect enabled chkCreditPaid 0\n", 2);  // 张会计 may not credit
    EXPECT_EQ(clerk.status, 0) << clerk.out << clerk.err;

    const Run run = drive("open frmOperators\n"
                          "item lvwUsers k1 click\n"
                          "expect cell lvwRights 1 权限 完全（管理员）\n"
                          "expect whole lvwRights\n"
                          "item lvwUsers k2 click\n"
                          "expect whole lvwRights\n"
                          "close\n"
                          "open ShowBachJm\n"
                          "set chkCreditPaid 1\n"
                          "set cmbYf 2026年12月\n"
                          "set cmbYFto 2026年12月\n"
                          "set txtBh " + text("select xh from kdw_xs where id=" + xsid) + "\n"
                          "click cmdTJ\n"
                          "select LSTsfxm 保育费 on\n"
                          "click cmdOK\n"
                          "expect cell lvw1 1 可转入预收款 " + paid.format00() + "\n"
                          "expect whole lvw1\n"
                          "click cmdCancelSelect\n"
                          "set txtJmyy 迟到的补助\n"
                          "click cmdPreview\n"
                          "expect plan refused none\n"
                          "expect plan lines 1\n"
                          "expect plan update kdw_xs id=" + xsid + " ysk " + (before + paid).format00() + "\n"
                          "answer yes\n"
                          "click cmdOK\n"
                          "expect message 操作成功！\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(leadingNumber(text("select ysk from kdw_sfjl where jmyy='迟到的补助' and xsid=" + xsid)), paid);
    EXPECT_EQ(leadingNumber(text("select ysk from kdw_xs where id=" + xsid)), before + paid);
}

FO_INSTANTIATE_DIALECTS(PaidCreditScript);

}  // namespace
}  // namespace fo::test
