#pragma once
#include <string>

namespace fo {

class FlexGrid;
class Label;
class TextBox;

// The fee-item grid both reduction windows show (one student, and the batch
// wizard's second step): one row per fee item, the reduction typed in place
// by an editor laid over the cell, and the totals under the grid. The window
// owns the controls; this object holds the rules they follow, so the two
// windows edit their grids alike.
class FeeItemGrid {
public:
    // Columns; 11 holds the period the arrears are owed under, so a
    // reduction of a carried-over period settles its arrears.
    enum Col {
        ColName = 0, ColJm = 1, ColItemId = 2, ColProjectId = 3, ColTerm = 4, ColDays = 5, ColPerDay = 6,
        ColRate = 7, ColYs = 8, ColDiscount = 9, ColListId = 10, ColQfyf = 11, ColCount = 12
    };

    // `sumProject` shows the total formatted "0.00", `jmhj` the plain number.
    FeeItemGrid(FlexGrid& grid, TextBox& editor, Label& sumProject, Label& jmhj);

    // Hands the grid's and the editor's events to the rules below.
    void connect();
    // The header row alone: captions and widths of every column, the
    // discount column (9) shown. A window hides what its settings hide.
    void setupColumns();

    // Recomputes the totals from column 1.
    void Sum_js();
    // Grid editing events.
    void MSFlexGrid1_Click();
    // A character typed on the grid: the cell chosen starts its edit with it.
    void MSFlexGrid1_KeyPress(int& keyAscii);
    void Txt_write_KeyPress(int& keyAscii);
    void Txt_write_KeyDown(int& keyCode, int shift);
    void Txt_write_Change();
    // Empties column 1 of every data row.
    void clearReductions();
    // Why the reduction typed on some row cannot be posted (below zero, or
    // a third decimal pasted past the key filter), naming its item; "" when
    // every row can.
    std::string amountRefusal() const;

    // True while the editor edits a cell; text put into the editor while it
    // is false is no edit and is not written back.
    bool editing() const { return editing_; }
    void setEditing(bool on) { editing_ = on; }

private:
    void placeEditor();

    FlexGrid& grid_;
    TextBox& editor_;
    Label& sumProject_;
    Label& jmhj_;
    bool editing_ = false;
};

}  // namespace fo
