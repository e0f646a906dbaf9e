// The fee-item grid of the wizard's second step: its columns and the reset
// of the reduction column; editing and totals are the single-student
// window's (FeeItemGrid).
#include "batch/frmBachJM_next.h"
#include "host/api/ModuleGlobals.h"

namespace fo {

void frmBachJM_next::setupGrid() {
    itemGrid_.setupColumns();
    // The days column always shows here; the discount column only with its
    // setting (hidden, it keeps no caption either).
    if (!settingOn("chkXMzhekou")) {
        MSFlexGrid1.setTextMatrix(0, ColDiscount, "");
        MSFlexGrid1.setColWidth(ColDiscount, 0);
    }
}

void frmBachJM_next::cmdReset_Click() {
    itemGrid_.clearReductions();
    // Unlike the single-student window the editor stays out of editing
    // until a cell is clicked again, and the totals are recomputed ("0.00").
    itemGrid_.setEditing(false);
    Txt_write.setText("");
    Sum_js();
}

}  // namespace fo
