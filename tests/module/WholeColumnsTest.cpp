// The operators' rights at a 1366×768 desktop: the list opens with every
// column's heading and text whole and in view (nothing elided, no column
// beyond the window's edge), for the administrator and for a clerk. The
// check is the desktop run's (desktop.…); the clerk's lists and grids are
// checked so as every window is worked (EveryWindowTest.h).
#include "module/ModuleScriptTest.h"

namespace fo::test {
namespace {

using WholeColumns = ModuleScriptTest;

TEST_P(WholeColumns, TheOperatorsRightsShowEveryColumnWholeAt1366x768) {
    const Run r = drive("open frmOperators\n"
                        "item lvwUsers k1 click\n"
                        "expect cell lvwRights 1 权限 完全（管理员）\n"
                        "expect whole lvwRights\n"
                        "item lvwUsers k2 click\n"
                        "expect whole lvwRights\n"
                        "close\n");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

FO_INSTANTIATE_DIALECTS(WholeColumns);

}  // namespace
}  // namespace fo::test
