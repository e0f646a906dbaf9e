// Tour steps of the previews a clerk sees before he confirms: the void of a
// receipt of the open month in the register, the cancellation of the newest
// reduction in the records window, a class's arrears reduced in full on the
// receivables list, and what the class paid credited in full there.
#include <functional>
#include <string>

#include "batch/frmJmBachList.h"
#include "bills/frmBILLML.h"
#include "host/api/ModuleGlobals.h"
#include "qt/Tour.h"
#include "reduction/frmjmjlML.h"
#include "ui/frmPlanPreview.h"

namespace fo::app {
namespace {

bool isPreview(QWidget& w) { return qt::formOf<frmPlanPreview>(w) != nullptr; }

// The first column of the first row of `sql`; "" when there is none.
std::string first(const std::string& sql) {
    RecordsetPtr rs = gRun().pGetCN()->execute(sql);
    return rs && !rs->eof() && !rs->field(std::size_t{0}).isNull() ? rs->field(std::size_t{0}).toText() : std::string();
}

DateTime firstOfLastMonth() {
    const DateTime today = DateTime::today();
    const DateTime last = DateTime{today.year, today.month, 1}.addDays(-1);
    return {last.year, last.month, 1};
}

// Step `picture`: `open` shows a window of class T; `fill` makes it ready as
// a clerk would (false: the data offers nothing to preview), `preview`
// clicks what brings up the preview, which is pictured and closed (the
// clerk goes back: nothing is written).
template <class T>
void previewStep(const std::string& picture, std::function<void()> open, std::function<bool(T&)> fill,
                 std::function<void(T&)> preview) {
    qt::registerTourStep(picture, [=](qt::TourContext& t) {
        t.whileModal("", open, [&](QWidget& window) {
            T* w = qt::formOf<T>(window);
            if (!w || !fill(*w)) return t.fail(picture + ": nothing to preview in this fee office");
            if (!t.whileModal(picture, [&] { preview(*w); }, {}, isPreview)) t.fail(picture + ": no preview came up");
        });
    });
}

std::function<void()> entry(const std::string& name) {
    return [name] {
        if (const auto* operation = formRegistry().entry(name)) (*operation)();
    };
}

bool chooseLiveReceipt(frmBILLML& w) {
    const std::string bill = first("select max(a.id) from pjml a,kdw_sfjl b where a.djbh=b.djbh and b.sfyf='" +
                                   gRun().CurrentYf() + "' and (a.pjState is null or a.pjState<>'作废')");
    if (bill.empty()) return false;
    w.DTPfrom.userPick(firstOfLastMonth());
    w.cmbDJstate.userSelect("全部");
    w.CMDfind.userClick();
    w.txtZfyy.userSetText("重复收费");
    return w.ListView1.userItemClick("k" + bill);
}

bool chooseNewestReduction(frmjmjlML& w) {
    const std::string id =
        first("select max(id) from kdw_sfjl where djbh like 'JM%' and id not in(select ysfjlid from kdw_sfjl)");
    if (id.empty()) return false;
    const DateTime today = DateTime::today();
    w.DTPfrom.userPick(DateTime{today.month >= 9 ? today.year : today.year - 1, 9, 1});
    w.CMDfind.userClick();
    return w.lvwML.userItemClick("k" + id);
}

// The option as the step wants it, whatever an earlier step left.
bool creditOption(frmJmBachList& w, bool on) {
    if ((w.chkCreditPaid.value() == 1) != on && w.chkCreditPaid.enabled()) w.chkCreditPaid.userClick();
    return (w.chkCreditPaid.value() == 1) == on;
}

bool reduceAClassInFull(frmJmBachList& w) {
    for (int i = 0; i < w.LSTsfxm.ListCount(); ++i) w.LSTsfxm.setSelected(i, true);
    if (w.cmbYf.ListCount() > 0) w.cmbYf.setListIndex(0);
    if (w.cmbBJ.ListCount() > 1) w.cmbBJ.setListIndex(1);
    w.CMDfind.userClick();
    if (w.lvw1.itemCount() == 0) return false;
    w.cmdCancelSelect.userClick();  // every row reduced by what it owes
    w.txtJmyy.userSetText("困难补助");
    return true;
}

const bool previewStepsRegistered = [] {
    previewStep<frmBILLML>("void-preview", entry("ShowPJinfo"), chooseLiveReceipt,
                           [](frmBILLML& w) { w.cmdZF.userClick(); });
    previewStep<frmjmjlML>("reduction-cancel-preview", [] { formInstance<frmjmjlML>()->showModal(); },
                           chooseNewestReduction, [](frmjmjlML& w) { w.cmdCancel.userClick(); });
    previewStep<frmJmBachList>("batch-preview", entry("ShowBachJm"),
                               [](frmJmBachList& w) { return creditOption(w, false) && reduceAClassInFull(w); },
                               [](frmJmBachList& w) { w.cmdPreview.userClick(); });
    previewStep<frmJmBachList>("credit-preview", entry("ShowBachJm"),
                               [](frmJmBachList& w) { return creditOption(w, true) && reduceAClassInFull(w); },
                               [](frmJmBachList& w) { w.cmdPreview.userClick(); });
    return true;
}();

}  // namespace
}  // namespace fo::app
