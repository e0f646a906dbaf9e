// Tour steps of the receipt windows: the register with the bills of the last
// two months and the items of the newest bill, the print dialog of a reprint
// and the save dialog of an export as a clerk at a desktop gets them, the
// page a reprint prints, and the student filter with its category tree
// opened out and a category checked.
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProcess>
#include <filesystem>
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

// Selects the newest receipt of a charge that is not voided; false when the
// list shows none.
bool chooseLiveCharge(frmBILLML& w) {
    const int state = w.ListView1.columnIndexByText("单据状态");
    for (int i = 1; i <= w.ListView1.itemCount(); ++i) {
        const ListItem& item = w.ListView1.item(i);
        if (item.key() != "k0" && item.text().rfind("SF", 0) == 0 && item.cell(state) != "作废")
            return w.ListView1.userItemClick(item.key());
    }
    return false;
}

// A receipt reprinted as the offscreen platform prints it (a PDF, here in
// the tour's own folder), the message that says so, and its page as the
// printer gets it, drawn from the PDF by pdftoppm (poppler-utils).
void pictureReceiptPage(qt::TourContext& t) {
    const auto* entry = formRegistry().entry("ShowPJinfo");
    if (!entry) return t.fail("ShowPJinfo: not registered");
    auto* binding = dynamic_cast<qt::QtUi*>(&ui());
    if (!binding) return t.fail("the tour needs the Qt binding");
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(t.outDir()) / "receipts";
    std::error_code ec;
    fs::remove_all(folder, ec);
    const std::string before = binding->printFolder();
    binding->setPrintFolder(folder.string());
    const auto said = [](QWidget& w) {
        auto* box = qobject_cast<QMessageBox*>(&w);
        return box && box->text() == QStringLiteral("打印成功！");
    };
    t.whileModal("", [entry] { (*entry)(); }, [&](QWidget& window) {
        auto* w = qt::formOf<frmBILLML>(window);
        if (!w) return;
        showRegister(*w);
        if (!chooseLiveCharge(*w)) return t.fail("receipt-page: no receipt to reprint in this fee office");
        if (w->cmbPageType.ListCount() > 0) w->cmbPageType.userSelect(w->cmbPageType.List(0));
        t.answerNextMessage("是");  // 已选定的收据将被重新打印！是否继续？
        t.whileModal("receipt-printed", [w] { w->cmdPrintRe.userClick(); }, {}, said);
    });
    binding->setPrintFolder(before);
    fs::path pdf;
    for (const auto& file : fs::directory_iterator(folder, ec))
        if (file.path().extension() == ".pdf") pdf = file.path();
    if (pdf.empty()) return t.fail("receipt-page: no receipt was printed");
    const fs::path page = fs::path(t.outDir()) / "receipt-page";
    const int status = QProcess::execute(QStringLiteral("pdftoppm"),
                                         {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("96"),
                                          QStringLiteral("-singlefile"), QString::fromStdString(pdf.string()),
                                          QString::fromStdString(page.string())});
    if (status != 0) return t.fail("receipt-page: pdftoppm (poppler-utils) could not draw " + pdf.string());
    t.pictured(page.string() + ".png", "receipt-page", pdf.filename().string());
}

const bool receiptStepsRegistered = [] {
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
    qt::registerTourStep("receipt-page", pictureReceiptPage);
    qt::modalFormStep<frmCommFind>("frmCommFind", showFilter);
    return true;
}();

}  // namespace
}  // namespace fo::app
