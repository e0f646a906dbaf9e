// Tour steps of the office's reports: the month that balances over the
// school year so far, from the first month with arrears to this one.
#include "qt/Tour.h"
#include "reports/frmMonthReport.h"

namespace fo::app {
namespace {

void fillMonth(frmMonthReport& w) {
    if (w.cmbFrom.ListCount() < 1) return;
    w.cmbFrom.userSelect(w.cmbFrom.List(w.cmbFrom.ListCount() - 1));
    w.cmdQuery.userClick();
}

const bool reportStepsRegistered = [] {
    qt::modalFormStep<frmMonthReport>("frmMonthReport", fillMonth);
    return true;
}();

}  // namespace
}  // namespace fo::app
