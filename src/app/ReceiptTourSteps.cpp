// Tour steps of the receipt windows: the register with the bills of the last
// two months and the items of the newest bill, and the student filter with
// its category tree opened out and a category checked.
#include <memory>

#include "bills/frmBILLML.h"
#include "qt/Tour.h"
#include "students/frmCommFind.h"

namespace fo::app {
namespace {

void showRegister(frmBILLML& w) {
    const DateTime today = DateTime::today();
    const DateTime lastMonth = DateTime{today.year, today.month, 1}.addDays(-1);
    w.DTPfrom.userPick(DateTime{lastMonth.year, lastMonth.month, 1});
    w.cmbDJstate.userSelect("全部");
    w.CMDfind.userClick();
    if (w.ListView1.itemCount() > 1) w.ListView1.userItemClick(w.ListView1.item(1).key());
}

void showFilter(frmCommFind& f) {
    for (TreeNode* n : f.TreeView1.treeOrder()) n->setExpanded(true);
    if (f.TreeView1.nodeCount() > 1) f.TreeView1.userNodeCheck(f.TreeView1.node(2).key(), true);
    f.Cmb_bjmc.setListIndex(f.Cmb_bjmc.ListCount() > 1 ? 1 : 0);
}

const bool registered = [] {
    qt::modalEntryStep<frmBILLML>("ShowPJinfo", "frmBILLML", showRegister);
    qt::modalFormStep<frmCommFind>("frmCommFind", showFilter);
    return true;
}();

}  // namespace
}  // namespace fo::app
