// Tour steps of the office's reports: the month that balances and the
// collection summary over the school year so far, from its first month to this one.
#include "qt/Tour.h"
#include "reports/frmCollectionSummary.h"
#include "reports/frmMonthReport.h"

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
    return true;
}();

}  // namespace
}  // namespace fo::app
