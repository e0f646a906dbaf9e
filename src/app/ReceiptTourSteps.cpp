// Tour steps of the receipt windows: the register with the bills of the last
// two months and the items of the newest bill, and the student filter with
// its category tree opened out and a category checked.
#include <memory>

#include "bills/frmBILLML.h"
#include "qt/FormView.h"
#include "qt/Tour.h"
#include "students/frmCommFind.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"

namespace fo::app {
namespace {

template <class T>
T* formIn(QWidget& window) {
    auto* view = dynamic_cast<qt::FormView*>(&window);
    return view ? dynamic_cast<T*>(&view->form()) : nullptr;
}

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
    qt::registerTourStep("ShowPJinfo", [](qt::TourContext& t) {
        const auto* entry = formRegistry().entry("ShowPJinfo");
        if (!entry) return t.fail("ShowPJinfo: not registered");
        t.whileModal("frmBILLML", [entry] { (*entry)(); }, [](QWidget& window) {
            if (auto* w = formIn<frmBILLML>(window)) showRegister(*w);
        });
    });
    qt::registerTourStep("frmCommFind", [](qt::TourContext& t) {
        t.whileModal("frmCommFind", [] { formInstance<frmCommFind>()->showModal(); }, [](QWidget& window) {
            if (auto* f = formIn<frmCommFind>(window)) showFilter(*f);
        });
    });
    return true;
}();

}  // namespace
}  // namespace fo::app
