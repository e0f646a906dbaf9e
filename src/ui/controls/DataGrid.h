#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <vector>

#include "db/Recordset.h"
#include "ui/controls/Control.h"

namespace fo {

// A grid bound to a result set: one column per field, one row per visible
// record; the current row is the set's current record.
class FEEOFFICE_API DataGrid : public Control {
public:
    struct Column {  // one column of the grid
        std::string caption;  // its caption
        int width = 1000;  // its width in twips
        bool visible = true;  // whether it shows
    };

    DataGrid(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the data grid `name` on `f`
    const char* kind() const override { return "DataGrid"; }

    // Binds the grid (nullptr unbinds); columns are rebuilt from the fields.
    void setDataSource(RecordsetPtr rs);
    const RecordsetPtr& dataSource() const { return rs_; }
    // Re-reads the bound set after its filter changed.
    void refresh() { changed(); }

    int columnCount() const { return static_cast<int>(columns_.size()); }  // its data source's columns
    Column& column(int i);  // 0-based
    void setColumnWidth(int i, int twips) { column(i).width = twips; changed(); }  // sets column i's width
    void setColumnVisible(int i, bool v) { column(i).visible = v; changed(); }  // shows or hides column i
    int rowCount() const;  // its data source's rows
    // Text of visible row r (0-based), column c.
    std::string cellText(int r, int c) const;

    std::function<void()> RowColChange;  // run when the current row or column changes

    // The clerk clicks visible row r: it becomes the current record.
    bool userRowClick(int r);
    bool userRowDblClick(int r);

    bool canTakeFocus() const override { return true; }

private:
    bool moveTo(int r);
    RecordsetPtr rs_;
    std::vector<Column> columns_;
};

}  // namespace fo
