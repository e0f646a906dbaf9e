#include "ui/controls/FlexGrid.h"

#include <stdexcept>

namespace fo {

namespace {
constexpr int DefaultColWidth = 1000;
constexpr int DefaultRowHeight = 255;
}  // namespace

FlexGrid::FlexGrid(Form& f, std::string name, int index) : Control(f, std::move(name), index) {
    cells_.assign(2, std::vector<std::string>(2));
    colWidths_.assign(2, DefaultColWidth);
    colAlign_.assign(2, Alignment::Left);
    rowHeights_.assign(2, DefaultRowHeight);
}

void FlexGrid::setRows(int n) {
    if (n < 0) throw std::out_of_range("Invalid Row value");
    rows_ = n;
    cells_.resize(static_cast<std::size_t>(n), std::vector<std::string>(static_cast<std::size_t>(cols_)));
    rowHeights_.resize(static_cast<std::size_t>(n), DefaultRowHeight);
    if (row_ >= n) row_ = n > fixedRows_ ? n - 1 : (n ? n - 1 : 0);
    if (topRow_ >= n) topRow_ = n > fixedRows_ ? fixedRows_ : 0;
    changed();
}

void FlexGrid::setCols(int n) {
    if (n < 0) throw std::out_of_range("Invalid Col value");
    cols_ = n;
    for (auto& r : cells_) r.resize(static_cast<std::size_t>(n));
    colWidths_.resize(static_cast<std::size_t>(n), DefaultColWidth);
    colAlign_.resize(static_cast<std::size_t>(n), Alignment::Left);
    if (col_ >= n) col_ = n ? n - 1 : 0;
    changed();
}

void FlexGrid::checkCell(int r, int c) const {
    if (r < 0 || r >= rows_) throw std::out_of_range("Subscript out of range (row " + std::to_string(r) + ")");
    if (c < 0 || c >= cols_) throw std::out_of_range("Subscript out of range (col " + std::to_string(c) + ")");
}

const std::string& FlexGrid::textMatrix(int r, int c) const {
    checkCell(r, c);
    return cells_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
}

void FlexGrid::setTextMatrix(int r, int c, const std::string& t) {
    checkCell(r, c);
    cells_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = t;
    changed();
}

int FlexGrid::colWidth(int c) const {
    if (c < 0 || c >= cols_) throw std::out_of_range("Subscript out of range");
    return colWidths_[static_cast<std::size_t>(c)]; }

void FlexGrid::setColWidth(int c, int twips) {
    if (c < 0 || c >= cols_) throw std::out_of_range("Subscript out of range");
    colWidths_[static_cast<std::size_t>(c)] = twips;
    changed();
}

int FlexGrid::rowHeight(int r) const {
    if (r < 0 || r >= rows_) throw std::out_of_range("Subscript out of range");
    return rowHeights_[static_cast<std::size_t>(r)];
}

void FlexGrid::setRowHeight(int r, int twips) {
    if (r < 0 || r >= rows_) throw std::out_of_range("Subscript out of range");
    rowHeights_[static_cast<std::size_t>(r)] = twips;
    changed();
}

Alignment FlexGrid::colAlignment(int c) const {
    if (c < 0 || c >= cols_) throw std::out_of_range("Subscript out of range");
    return colAlign_[static_cast<std::size_t>(c)];
}

void FlexGrid::setColAlignment(int c, Alignment a) {
    if (c < 0 || c >= cols_) throw std::out_of_range("Subscript out of range");
    colAlign_[static_cast<std::size_t>(c)] = a;
    changed();
}

void FlexGrid::clear() {
    for (auto& r : cells_)
        for (auto& c : r) c.clear();
    changed();
}

void FlexGrid::setRow(int r) {
    if (r < 0 || r >= rows_) throw std::out_of_range("Invalid Row value");
    row_ = r;
    changed();
}

void FlexGrid::setCol(int c) {
    if (c < 0 || c >= cols_) throw std::out_of_range("Invalid Col value");
    col_ = c;
    changed();
}

void FlexGrid::setTopRow(int r) {
    if (r < fixedRows_ || r >= rows_ || r == topRow_) return;
    topRow_ = r;
    changed();
    fire(Scroll);
}

int FlexGrid::cellLeft() const {
    int x = 0;
    for (int c = 0; c < col_; ++c) {
        const int w = colWidths_[static_cast<std::size_t>(c)];
        x += w > 0 ? w : 0;
    }
    return x;
}

int FlexGrid::cellTop() const {
    int y = 0;
    for (int r = 0; r < row_; ++r) {
        if (r >= fixedRows_ && r < topRow_) continue;  // scrolled out of view
        y += rowHeights_[static_cast<std::size_t>(r)];
    }
    return y;
}

bool FlexGrid::userCellClick(int r, int c) {
    if (r < 0 || r >= rows_ || c < 0 || c >= cols_) return false;
    SetFocus();
    row_ = r;
    col_ = c;
    changed();
    fire(Click);
    return true;
}

}  // namespace fo
