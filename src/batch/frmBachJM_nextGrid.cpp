// The fee-item grid of the wizard's second step: its columns, the in-place
// editor and the totals, with the editing rules of the single-student window.
#include "batch/frmBachJM_next.h"
#include "host/api/ModuleGlobals.h"
#include "ui/KeyCodes.h"
#include "ui/Utf8Text.h"
#include "ui/mdl1.h"

namespace fo {

void frmBachJM_next::setupGrid() {
    static const struct { const char* header; int width; } columns[ColCount] = {
        {"收费项目", 2500}, {"减免金额", 1500}, {"", 0}, {"", 0}, {"费用所属期", 3200}, {"出勤天数", 1000},
        {"", 0}, {"", 0}, {"应收金额", 1400}, {"", 0}, {"", 0}, {"", 0}};
    MSFlexGrid1.setRows(1);
    MSFlexGrid1.setCols(ColCount);
    MSFlexGrid1.setFixedRows(1);
    MSFlexGrid1.setFixedCols(0);
    for (int c = 0; c < ColCount; ++c) {
        MSFlexGrid1.setTextMatrix(0, c, columns[c].header);
        MSFlexGrid1.setColWidth(c, columns[c].width);
    }
    if (settingOn("chkXMzhekou")) {
        MSFlexGrid1.setTextMatrix(0, ColDiscount, "折扣(%)");
        MSFlexGrid1.setColWidth(ColDiscount, 900);
    }
}

void frmBachJM_next::Sum_js() {
    Currency total;
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) total += leadingNumber(MSFlexGrid1.textMatrix(r, ColJm)).roundHalfEven(2);
    lblSumProject.setCaption(total.format00());
    Lbl_jmhj.setCaption(total.plainText());
}

void frmBachJM_next::MSFlexGrid1_Click() {
    const int r = MSFlexGrid1.row(), c = MSFlexGrid1.col();
    if (MSFlexGrid1.colWidth(c) < 1) {
        Txt_write.setVisible(false);
        return;
    }
    if (r > 0 && (c == ColJm || c == ColTerm || c == ColDays || c == ColDiscount)) {
        placeEditor();
        Txt_write.setVisible(true);
        Txt_write.SetFocus();
        editing_ = true;
    }
}

void frmBachJM_next::placeEditor() {
    editing_ = false;  // loading the cell's text is no edit
    Txt_write.move(MSFlexGrid1.left() + MSFlexGrid1.cellLeft(), MSFlexGrid1.top() + MSFlexGrid1.cellTop(),
                   MSFlexGrid1.cellWidth(), MSFlexGrid1.cellHeight());
    Txt_write.setText(MSFlexGrid1.text());
    Txt_write.setSelStart(0);
    Txt_write.setSelLength(static_cast<int>(utf8::length(Txt_write.text())));
    editing_ = true;
}

void frmBachJM_next::Txt_write_KeyPress(int& keyAscii) {
    if (keyAscii == key::Enter) return;
    if (MSFlexGrid1.col() == ColJm)
        NumContral(keyAscii, Txt_write.text(), 10, 2, Txt_write.selStart(), Txt_write.selLength());
}

void frmBachJM_next::Txt_write_KeyDown(int& keyCode, int) {
    if (keyCode == key::Enter) keyCode = key::Down;
    int r = MSFlexGrid1.row();
    if (keyCode == key::Up && r > 1) --r;
    else if (keyCode == key::Down && r < MSFlexGrid1.rows() - 1) ++r;
    else return;
    MSFlexGrid1.setRow(r);
    placeEditor();
}

void frmBachJM_next::Txt_write_Change() {
    if (!editing_) return;
    const int r = MSFlexGrid1.row(), c = MSFlexGrid1.col();
    if (r < 1 || r >= MSFlexGrid1.rows()) return;
    if (c == ColJm || c == ColTerm) {
        MSFlexGrid1.setTextMatrix(r, c, Txt_write.text());
    } else if (c == ColDays) {
        MSFlexGrid1.setTextMatrix(r, c, Txt_write.text());
        if (MSFlexGrid1.textMatrix(r, ColPerDay) == "Y")
            MSFlexGrid1.setTextMatrix(
                r, ColJm, (leadingNumber(MSFlexGrid1.textMatrix(r, ColRate)) * leadingNumber(Txt_write.text())).format00());
    }
    Sum_js();
}

void frmBachJM_next::cmdReset_Click() {
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) MSFlexGrid1.setTextMatrix(r, ColJm, "");
    editing_ = false;
    Txt_write.setText("");
    Sum_js();
}

}  // namespace fo
