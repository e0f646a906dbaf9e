#include "ui/controls/DataGrid.h"

#include <stdexcept>

namespace fo {

void DataGrid::setDataSource(RecordsetPtr rs) {
    rs_ = std::move(rs);
    columns_.clear();
    if (rs_ && rs_->state() == Recordset::Open)
        for (std::size_t i = 0; i < rs_->fieldCount(); ++i) columns_.push_back(Column{rs_->fieldInfo(i).name, 1000, true});
    changed();
}

DataGrid::Column& DataGrid::column(int i) {
    if (i < 0 || i >= columnCount()) throw std::out_of_range("Requested column is not in the grid");
    return columns_[static_cast<std::size_t>(i)];
}

int DataGrid::rowCount() const {
    return rs_ && rs_->state() == Recordset::Open ? static_cast<int>(rs_->recordCount()) : 0;
}

std::string DataGrid::cellText(int r, int c) const {
    if (r < 0 || r >= rowCount()) throw std::out_of_range("row out of range");
    // Walk a copy so reading does not move the set the window works on.
    Recordset copy = *rs_;
    copy.moveFirst();
    for (int i = 0; i < r; ++i) copy.moveNext();
    return copy.field(static_cast<std::size_t>(c)).toText();
}

bool DataGrid::moveTo(int r) {
    if (r < 0 || r >= rowCount()) return false;
    rs_->moveFirst();
    for (int i = 0; i < r; ++i) rs_->moveNext();
    changed();
    return true;
}

bool DataGrid::userRowClick(int r) {
    if (!moveTo(r)) return false;
    SetFocus();
    fire(RowColChange);
    fire(Click);
    return true;
}

bool DataGrid::userRowDblClick(int r) {
    if (!userRowClick(r)) return false;
    fire(DblClick);
    return true;
}

}  // namespace fo
