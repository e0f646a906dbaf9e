#include "reduction/FeeItemGrid.h"

#include "db/values/Value.h"
#include "reduction/ReductionChecks.h"
#include "ui/controls/FlexGrid.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/Label.h"
#include "ui/controls/TextBox.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/Utf8Text.h"
#include "ui/lists/mdl1.h"

namespace fo {

FeeItemGrid::FeeItemGrid(FlexGrid& grid, TextBox& editor, Label& sumProject, Label& jmhj)
    : grid_(grid), editor_(editor), sumProject_(sumProject), jmhj_(jmhj) {}

void FeeItemGrid::connect() {
    grid_.Click = [this] { MSFlexGrid1_Click(); };
    grid_.DblClick = [this] { MSFlexGrid1_Click(); };
    grid_.KeyPress = [this](int& k) { MSFlexGrid1_KeyPress(k); };
    grid_.Scroll = [this] { editor_.setVisible(false); };
    editor_.GotFocus = [this] {
        editor_.setSelStart(0);
        editor_.setSelLength(static_cast<int>(editor_.text().size()));
    };
    editor_.KeyPress = [this](int& k) { Txt_write_KeyPress(k); };
    editor_.KeyDown = [this](int& k, int shift) { Txt_write_KeyDown(k, shift); };
    editor_.Change = [this] { Txt_write_Change(); };
}

void FeeItemGrid::setupColumns() {
    static const struct { const char* header; int width; } columns[ColCount] = {
        {"收费项目", 2500}, {"减免金额", 1500}, {"", 0}, {"", 0}, {"费用所属期", 3200}, {"出勤天数", 1000},
        {"", 0}, {"", 0}, {"应收金额", 1400}, {"折扣(%)", 900}, {"", 0}, {"", 0}};
    grid_.setRows(1);
    grid_.setCols(ColCount);
    grid_.setFixedRows(1);
    grid_.setFixedCols(0);
    for (int c = 0; c < ColCount; ++c) {
        grid_.setTextMatrix(0, c, columns[c].header);
        grid_.setColWidth(c, columns[c].width);
    }
}

void FeeItemGrid::Sum_js() {
    Currency total;
    // Summed as typed: the part of a cent that clears a row is part of the
    // record, and an amount with more decimals is refused before posting.
    for (int r = 1; r < grid_.rows(); ++r) total += leadingNumber(grid_.textMatrix(r, ColJm));
    sumProject_.setCaption(jmjl::owedText(total));
    jmhj_.setCaption(total.plainText());
}

void FeeItemGrid::MSFlexGrid1_Click() {
    const int r = grid_.row(), c = grid_.col();
    if (grid_.colWidth(c) < 1) {
        editor_.setVisible(false);
        return;
    }
    if (r > 0 && (c == ColJm || c == ColTerm || c == ColDays || c == ColDiscount)) {
        placeEditor();
        editor_.setVisible(true);
        editor_.SetFocus();
        editing_ = true;
    }
}

void FeeItemGrid::MSFlexGrid1_KeyPress(int& keyAscii) {
    if (keyAscii < 32) return;
    // The editor stands over the cell already while the clerk types on.
    if (!editor_.visible()) MSFlexGrid1_Click();
    if (!editor_.visible()) return;
    const int typed = keyAscii;
    keyAscii = 0;
    editor_.userType(utf8::encode(typed));
}

void FeeItemGrid::placeEditor() {
    editing_ = false;  // loading the cell's text is no edit
    editor_.move(grid_.left() + grid_.cellLeft(), grid_.top() + grid_.cellTop(), grid_.cellWidth(),
                 grid_.cellHeight());
    editor_.setText(grid_.text());
    editor_.setSelStart(0);
    editor_.setSelLength(static_cast<int>(utf8::length(editor_.text())));
    editing_ = true;
}

void FeeItemGrid::Txt_write_KeyPress(int& keyAscii) {
    if (keyAscii == key::Enter) return;
    // A row that owes part of a cent takes its exact rest, with four decimals.
    const int decimals = jmjl::partOfACent(leadingNumber(grid_.textMatrix(grid_.row(), ColYs))) ? 4 : 2;
    if (grid_.col() == ColJm)
        NumContral(keyAscii, editor_.text(), 10, decimals, editor_.selStart(), editor_.selLength());
}

void FeeItemGrid::Txt_write_KeyDown(int& keyCode, int) {
    if (keyCode == key::Enter) keyCode = key::Down;
    int r = grid_.row();
    if (keyCode == key::Up && r > 1) --r;
    else if (keyCode == key::Down && r < grid_.rows() - 1) ++r;
    else return;
    grid_.setRow(r);
    placeEditor();
}

void FeeItemGrid::Txt_write_Change() {
    if (!editing_) return;
    const int r = grid_.row(), c = grid_.col();
    if (r < 1 || r >= grid_.rows()) return;
    if (c == ColJm || c == ColTerm) {
        grid_.setTextMatrix(r, c, editor_.text());
    } else if (c == ColDays) {
        grid_.setTextMatrix(r, c, editor_.text());
        if (grid_.textMatrix(r, ColPerDay) == "Y")
            grid_.setTextMatrix(r, ColJm,
                                (leadingNumber(grid_.textMatrix(r, ColRate)) * leadingNumber(editor_.text())).format00());
    }
    // The discount column can be typed in but is not written back: the
    // receivable already carries the discount.
    Sum_js();
}

std::string FeeItemGrid::amountRefusal() const {
    for (int r = 1; r < grid_.rows(); ++r) {
        std::string refusal = jmjl::amountRefusal(trimSpaces(grid_.textMatrix(r, ColName)), grid_.textMatrix(r, ColJm),
                                                  leadingNumber(grid_.textMatrix(r, ColYs)));
        if (!refusal.empty()) return refusal;
    }
    return {};
}

void FeeItemGrid::clearReductions() {
    for (int r = 1; r < grid_.rows(); ++r) grid_.setTextMatrix(r, ColJm, "");
}

}  // namespace fo
