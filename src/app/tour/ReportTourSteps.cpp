// Tour steps of the office's reports: the month that balances and the
// collection summary over the school year so far, from its first month to
// this one; arrears at a glance, its charts and the notices to parents.
#include "qt/Tour.h"
#include "ui/FormRegistry.h"
#include "reports/frmArrearsAnalysis.h"
#include "reports/frmCollectionSummary.h"
#include "reports/frmMonthReport.h"
#include "reports/frmNotices.h"

namespace fo::app {
namespace {

void fillMonth(frmMonthReport& w) {
    if (w.cmbFrom.ListCount() < 1) return;
    w.cmbFrom.userSelect(w.cmbFrom.List(w.cmbFrom.ListCount() - 1));
    w.cmdQuery.userClick();
}

void fillSummary(frmCollectionSummary& w) {
    if (w.cmbFrom.ListCount() < 1) return;
    w.cmbFrom.userSelect(w.cmbFrom.List(w.cmbFrom.ListCount() - 1));
    w.cmdQuery.userClick();
}

const bool reportStepsRegistered = [] {
    qt::modalFormStep<frmMonthReport>("frmMonthReport", fillMonth);
    qt::modalFormStep<frmCollectionSummary>("frmCollectionSummary", fillSummary);
    // The largest line's students listed below the table.
    qt::modalFormStep<frmArrearsAnalysis>("frmArrearsAnalysis", [](frmArrearsAnalysis& w) {
        const auto& cells = w.shownCells();
        std::size_t largest = 0;
        for (std::size_t i = 0; i < cells.size(); ++i)
            if (cells[i].owed > cells[largest].owed) largest = i;
        if (!cells.empty()) w.lvwArrears.userItemClick("k" + std::to_string(largest + 1));
    });
    // The first class with a student owing, his notice in the preview.
    qt::modalFormStep<frmNotices>("frmNotices", [](frmNotices& w) {
        for (int i = 0; i < w.cmbClass.ListCount() && w.chosen().empty(); ++i) w.cmbClass.userSelect(w.cmbClass.List(i));
    });
    qt::registerTourStep("ArrearsCharts", [](qt::TourContext& t) {
        const auto* open = formRegistry().entry("ArrearsCharts");
        if (!open) return t.fail("ArrearsCharts: not registered");
        t.whileModal("ArrearsCharts", *open);
    });
    return true;
}();

}  // namespace
}  // namespace fo::app
