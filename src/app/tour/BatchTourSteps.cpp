// Tour steps of the batch reductions: the wizard's first step with a class's
// students ticked, its second step with a fee type and reductions typed, the
// receivables list filled by an arrears query for one class, both again
// crediting what was paid, and the progress window a batch posting shows
// (half-way; nothing is posted).
#include <QApplication>
#include <memory>

#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "batch/frmJmBachList.h"
#include "host/api/ModuleGlobals.h"
#include "qt/Tour.h"
#include "ui/FormInstance.h"
#include "ui/PostingProgress.h"
#include "ui/UiServices.h"

namespace fo::app {
namespace {

void showStudents(frmBachJM& w) {
    w.initData(false, "-1", false, "select id from kdw_xs where 1=1 and bjid in(select min(id) from kdw_bj)");
    w.cmdFullSelect.userClick();
}

// The option as the step wants it, whatever an earlier step left.
void creditOption(CheckBox& box, bool on) {
    if ((box.value() == 1) != on && box.enabled()) box.userClick();
}

void showItems(frmBachJM_next& w) {
    if (w.CMB_sflx.ListCount() > 0) w.CMB_sflx.userSelect(w.CMB_sflx.List(0));
    // The open month, as a clerk reducing this month's fees would choose it.
    const std::string open = gRun().CurrentYf();
    for (int i = 0; i < w.cmbYF.ListCount(); ++i)
        if (std::to_string(w.cmbYF.ItemData(i)) == open) w.cmbYF.userSelect(w.cmbYF.List(i));
    if (w.MSFlexGrid1.rows() > 1) {
        w.MSFlexGrid1.userCellClick(1, frmBachJM_next::ColJm);
        w.Txt_write.userSetText("50");
    }
}

void showArrears(frmJmBachList& w) {
    for (int i = 0; i < w.LSTsfxm.ListCount(); ++i) w.LSTsfxm.setSelected(i, true);
    // From the first month of the school year to the open month, which the
    // window chose on loading.
    if (w.cmbYf.ListCount() > 0) w.cmbYf.setListIndex(0);
    if (w.cmbBJ.ListCount() > 1) w.cmbBJ.setListIndex(1);
    w.CMDfind.userClick();
    // An amount typed on the first row, in the editor over its cell, once
    // the list has measured its columns as a clerk sees them before he clicks.
    ui().doEvents();
    if (w.lvw1.itemCount() > 0 && w.lvw1.userItemClick(w.lvw1.item(1).key())) w.userType(w.lvw1, "30");
    // The items the query was made of, shown as 收费项目 shows them.
    w.cmdTJ.userClick();
}

void showCreditableItems(frmBachJM_next& w) {
    // The first step's students, as the clerk ticked them there (its own
    // step closed it).
    auto first = formInstance<frmBachJM>();
    if (first->tickedStudents().empty()) {
        first->load();
        showStudents(*first);
    }
    creditOption(w.chkCreditPaid, true);
    showItems(w);
}

void showCreditableRows(frmJmBachList& w) {
    creditOption(w.chkCreditPaid, true);
    showArrears(w);
}

// The progress window as the wizard's posting for a class of 30 shows it
// with 12 students written.
void showProgress(qt::TourContext& t) {
    PostingProgress progress("正在为 30 名学生记账减免…", 30, nullptr);
    for (int i = 0; i < 12; ++i) progress.step();
    QWidget* window = QApplication::activeModalWidget();
    if (!window) return t.fail("posting-progress: no window came up");
    t.snap(*window, "posting-progress");
}

const bool batchStepsRegistered = [] {
    qt::modalEntryStep<frmJmBachList>("ShowBachJm", "frmJmBachList", [](frmJmBachList& w) {
        creditOption(w.chkCreditPaid, false);
        showArrears(w);
    });
    qt::modalFormStep<frmJmBachList>("frmJmBachList-credit", "frmJmBachList-credit",
                                     [] { formInstance<frmJmBachList>()->showModal(); }, showCreditableRows);
    qt::modalFormStep<frmBachJM>("frmBachJM", showStudents);
    qt::modalFormStep<frmBachJM_next>("frmBachJM_next", [](frmBachJM_next& w) {
        creditOption(w.chkCreditPaid, false);
        showItems(w);
    });
    qt::modalFormStep<frmBachJM_next>("frmBachJM_next-credit", "frmBachJM_next-credit",
                                      [] { formInstance<frmBachJM_next>()->showModal(); }, showCreditableItems);
    qt::registerTourStep("posting-progress", showProgress);
    return true;
}();

}  // namespace
}  // namespace fo::app
