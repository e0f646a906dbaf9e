#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <vector>

#include "ui/controls/Control.h"
#include "ui/controls/KeyCodes.h"

namespace fo {

// A flexible grid: Rows x Cols text cells, 0-based; the first FixedRows
// rows are headers. Widths and heights in twips; a width below 1 hides a
// column. Row/Col is the current cell, whose geometry the in-place editors
// of the windows follow.
class FEEOFFICE_API FlexGrid : public Control {
public:
    FlexGrid(Form& f, std::string name, int index = -1);  // the grid `name` on `f`, 2 by 2 with one fixed row and column
    const char* kind() const override { return "FlexGrid"; }

    int rows() const { return rows_; }  // its rows, the fixed ones included
    int cols() const { return cols_; }  // its columns, the fixed ones included
    // Growing keeps the cells; shrinking drops the cells outside.
    void setRows(int n);
    void setCols(int n);
    int fixedRows() const { return fixedRows_; }
    int fixedCols() const { return fixedCols_; }
    void setFixedRows(int n) { fixedRows_ = n; changed(); }
    void setFixedCols(int n) { fixedCols_ = n; changed(); }

    const std::string& textMatrix(int r, int c) const;  // the text of cell r, c
    void setTextMatrix(int r, int c, const std::string& t);  // sets the text of cell r, c
    int colWidth(int c) const;  // column c's width in twips
    void setColWidth(int c, int twips);  // sets column c's width
    int rowHeight(int r) const;  // row r's height in twips
    void setRowHeight(int r, int twips);  // sets row r's height
    Alignment colAlignment(int c) const;  // column c's alignment
    void setColAlignment(int c, Alignment a);  // sets column c's alignment
    void clear();  // empties every cell

    int row() const { return row_; }  // the current row
    int col() const { return col_; }  // the current column
    void setRow(int r);  // makes r the current row
    void setCol(int c);  // makes c the current column
    // The current cell's text.
    const std::string& text() const { return textMatrix(row_, col_); }
    void setText(const std::string& t) { setTextMatrix(row_, col_, t); }
    // First scrollable row shown; changing it fires Scroll.
    int topRow() const { return topRow_; }
    void setTopRow(int r);

    // Current cell position inside the grid and its size, twips.
    int cellLeft() const;
    int cellTop() const;
    int cellWidth() const { return colWidth(col_); }
    int cellHeight() const { return rowHeight(row_); }

    std::function<void()> Scroll;  // run when the grid scrolls

    // The clerk clicks cell (r, c): it becomes current and Click fires.
    bool userCellClick(int r, int c);
    void userScroll(int topRow) { setTopRow(topRow); }

    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return rows_ && cols_ ? text() : std::string(); }

private:
    void checkCell(int r, int c) const;
    int rows_ = 2, cols_ = 2, fixedRows_ = 1, fixedCols_ = 1, row_ = 1, col_ = 1, topRow_ = 1;
    std::vector<std::vector<std::string>> cells_;
    std::vector<int> colWidths_, rowHeights_;
    std::vector<Alignment> colAlign_;
};

}  // namespace fo
