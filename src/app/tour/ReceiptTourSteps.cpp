// Tour steps of the receipt windows: the register with the bills of the last
// two months and the items of the newest bill, the print dialog of a reprint
// and the save dialog of an export as a clerk at a desktop gets them, and
// the student filter with its category tree opened out and a category
// checked.
#include <QFileDialog>
#include <QPrintDialog>
#include <memory>

#include "bills/frmBILLML.h"
#include "qt/QtUi.h"
#include "qt/Tour.h"
#include "students/frmCommFind.h"
#include "ui/UiServices.h"

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

// The register opened and filled, then `act` with the binding asking the
// clerk as it does at a desktop (the offscreen platform asks nobody).
void onRegisterAskingTheClerk(qt::TourContext& t, const std::function<void(frmBILLML&)>& act) {
    const auto* entry = formRegistry().entry("ShowPJinfo");
    if (!entry) return t.fail("ShowPJinfo: not registered");
    auto* binding = dynamic_cast<qt::QtUi*>(&ui());
    if (!binding) return t.fail("the tour needs the Qt binding");
    t.whileModal("", [entry] { (*entry)(); }, [&](QWidget& window) {
        auto* w = qt::formOf<frmBILLML>(window);
        if (!w) return;
        showRegister(*w);
        binding->setAskUser(true);
        act(*w);
        binding->setAskUser(false);
    });
}

template <class Dialog>
bool isA(QWidget& w) {
    return qobject_cast<Dialog*>(&w) != nullptr;
}

const bool registered = [] {
    qt::modalEntryStep<frmBILLML>("ShowPJinfo", "frmBILLML", showRegister);
    qt::registerTourStep("receipt-print-dialog", [](qt::TourContext& t) {
        onRegisterAskingTheClerk(t, [&t](frmBILLML& w) {
            if (w.cmbPageType.ListCount() > 0) w.cmbPageType.userSelect(w.cmbPageType.List(0));
            t.answerNextMessage("是");  // 已选定的收据将被重新打印！是否继续？
            t.whileModal("receipt-print-dialog", [&w] { w.cmdPrintRe.userClick(); }, {}, isA<QPrintDialog>);
        });
    });
    qt::registerTourStep("export-save-dialog", [](qt::TourContext& t) {
        onRegisterAskingTheClerk(t, [&t](frmBILLML& w) {
            t.whileModal("export-save-dialog", [&w] { w.Command2.userClick(); }, {}, isA<QFileDialog>);
        });
    });
    qt::modalFormStep<frmCommFind>("frmCommFind", showFilter);
    return true;
}();

}  // namespace
}  // namespace fo::app
