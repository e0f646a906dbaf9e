// The operators' rights, and the receivables list crediting what was paid
// beside its open 收费项目, at a 1366×768 desktop: each opens with every
// column's heading and text whole and in view and no empty strip after the
// last. The check is the desktop run's (desktop.…); the clerk's other lists
// and grids are checked as every window is worked (EveryWindowTest.h).
#include "module/ModuleScriptTest.h"

namespace fo::test {
namespace {

using WholeColumns = ModuleScriptTest;

TEST_P(WholeColumns, TheOperatorsRightsAndTheCreditedArrearsShowEveryColumnWholeAt1366x768) {
    const Run r = drive("open frmOperators\n"
                        "item lvwUsers k1 click\nexpect cell lvwRights 1 权限 完全（管理员）\nexpect whole lvwRights\n"
                        "item lvwUsers k2 click\nexpect whole lvwRights\nclose\n"
                        "open ShowBachJm\nset chkCreditPaid 1\nset cmbYf 2026年09月\nset cmbBJ 小班一班\n"
                        "click cmdTJ\nclick cmdSelectALL\nclick CMDfind\nexpect whole lvw1\n");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

FO_INSTANTIATE_DIALECTS(WholeColumns);

}  // namespace
}  // namespace fo::test
