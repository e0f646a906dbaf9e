#pragma once
#include "FeeOfficeApi.h"
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/values/Currency.h"
#include "host/api/SettingsStore.h"
#include "ui/controls/Control.h"
#include "ui/controls/KeyCodes.h"

namespace fo {

class ListView;

// A column header of a report-style list view. Width in twips; 0 hides it.
struct FEEOFFICE_API ColumnHeader {
    std::string key, text;  // the column's key ("k" and its caption) and caption
    int width = 1440;  // its width in twips
    Alignment alignment = Alignment::Left;  // how its cells are aligned
    int index = 0;  // 1-based position
};

// Rows a list view shows without owning an item per row: the list asks for
// what it draws, and makes a ListItem only for a row somebody asks for (by
// index, key, selection or click). Rows may still be arriving: count() is
// what is there now, readMore() reads on.
class FEEOFFICE_API ListRows {
public:
    virtual ~ListRows() = default;
    virtual int count() const = 0;  // the rows read so far
    virtual bool complete() const = 0;  // whether every row has been read
    // Reads on; false when nothing more came.
    virtual bool readMore() = 0;
    // Cells a row has (the row text is cell 1).
    virtual int cells() const = 0;
    virtual std::string key(int row) const = 0;                // row 0-based
    virtual std::string cell(int row, int column) const = 0;   // column 1-based
    virtual int foreColor(int row) const = 0;
};

// One row of a list view: its text is the first column, sub-item i the
// column i + 1. Setters tell the list view's observers.
class FEEOFFICE_API ListItem {
public:
    ListItem(ListView& owner, std::string key, std::string text)
        : owner_(&owner), key_(std::move(key)), text_(std::move(text)) {}  // an item of `owner` with its key ("k" and an id) and first cell
    const std::string& key() const { return key_; }  // its key: "k" and the record id
    const std::string& text() const { return text_; }  // its first cell
    void setText(const std::string& t);  // sets its first cell
    // Sub-item i (1-based); empty when never written.
    std::string subItem(int i) const;
    void setSubItem(int i, const std::string& t);
    int subItemCount() const { return static_cast<int>(subItems_.size()); }
    bool checked() const { return checked_; }
    void setChecked(bool v);
    bool selected() const;
    void setSelected(bool v);
    // Colour of the row text, and of one cell (0 = the row text's cell).
    int foreColor() const { return foreColor_; }
    void setForeColor(int c);
    int cellForeColor(int i) const;
    void setCellForeColor(int i, int c);
    const std::string& tag() const { return tag_; }
    void setTag(const std::string& t) { tag_ = t; }
    int index() const;  // 1-based
    // Position of the row inside the list, in twips.
    int top() const;
    int height() const;
    // The text of column `column` (1-based): the row text or a sub-item.
    std::string cell(int column) const { return column <= 1 ? text_ : subItem(column - 1); }

private:
    friend class ListView;
    ListView* owner_;
    int row_ = 0;  // 1-based row of the list's rows (ListRows); 0 for an item added
    std::string key_, text_, tag_;
    std::vector<std::string> subItems_;  // [0] is sub-item 1
    std::map<int, int> cellColors_;
    bool checked_ = false, selected_ = false;
    int foreColor_ = color::Black;
};

// A list view in report mode: column headers, items with sub-items, check
// boxes, one selected item. Collections are 1-based as the windows use them.
// It offers its column widths to the host's width routines.
//
// Its rows are items added one by one, or rows a ListRows supplies (a list
// of a million receipts), followed by any items added after them. Whatever
// needs every row (itemCount, an index past the rows there, a key not among
// them, adding an item) reads the rest first; a drawing binding asks only
// for the rows there (shownCount, row*) and reads on with readMoreRows.
class FEEOFFICE_API ListView : public Control, public ColumnWidthTarget {
public:
    ListView(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}  // the list view `name` on `f`
    const char* kind() const override { return "ListView"; }

    // --- columns ---
    ColumnHeader& addColumn(const std::string& key, const std::string& text, int width = 1440,
                            Alignment a = Alignment::Left);  // adds a column keyed `key` ("k" and its caption)
    void clearColumns();  // removes every column
    int columnCountOf() const { return static_cast<int>(columns_.size()); }  // how many columns
    ColumnHeader& column(int i);  // 1-based
    const ColumnHeader& column(int i) const;  // column i (0-based)
    ColumnHeader* findColumn(const std::string& key);  // the column keyed `key`; nullptr none
    // 1-based index of the column whose caption equals `text`; 0 when none.
    int columnIndexByText(const std::string& text) const;
    void setColumnAlignment(int i, Alignment a);
    void setColumnText(int i, const std::string& text);

    // --- items ---
    // Appends an item; a non-empty key must be unique.
    ListItem& addItem(const std::string& key, const std::string& text);
    void clearItems();
    // Removes an added item; rows a ListRows supplies stay.
    void removeItem(int i);
    // Every row (the rest read first).
    int itemCount() const;
    ListItem& item(int i);  // 1-based
    const ListItem& item(int i) const;
    ListItem* findItem(const std::string& key);

    // --- rows supplied ---
    // Shows `rows` instead of any item (the list is cleared first).
    void setRows(std::shared_ptr<ListRows> rows);
    // Rows there now, without reading on.
    int shownCount() const;
    bool rowsComplete() const { return !rows_ || rows_->complete(); }
    // Reads on; false when nothing more came. Observers are told.
    bool readMoreRows();
    void readAllRows() const;
    // What row i (1-based, among those shown) shows, through its item when
    // it has one; no item is made.
    std::string rowKey(int i) const;
    std::string rowCell(int i, int column) const;
    int rowCells(int i) const;  // the row text and its sub-items
    int rowCellColor(int i, int column) const;  // column 1-based
    bool rowChecked(int i) const;
    ListItem* selectedItem() const { return selected_; }
    void setSelectedItem(ListItem* item);

    bool checkboxes() const { return checkboxes_; }  // whether items show a check box
    void setCheckboxes(bool v) { checkboxes_ = v; changed(); }  // sets whether items show a check box
    bool multiSelect() const { return multiSelect_; }  // whether several items may be selected
    void setMultiSelect(bool v) { multiSelect_ = v; }  // sets whether several items may be selected
    // Row geometry in twips; a drawing binding sets what it measures.
    int headerHeight() const { return headerHeight_; }
    int rowHeight() const { return rowHeight_; }
    void setRowMetrics(int header, int row) { headerHeight_ = header; rowHeight_ = row; }

    // --- events ---
    std::function<void(ListItem&)> ItemClick, ItemCheck;  // run when an item is clicked, or checked or unchecked
    std::function<void(ColumnHeader&)> ColumnClick;  // run when a column header is clicked
    std::function<void(int& cancel)> BeforeLabelEdit;  // run before an item's text is edited; set cancel to 1 to refuse

    // --- user actions; false when no item has the key ---
    bool userItemClick(const std::string& key);  // as the clerk clicks the item `key`; false when none
    bool userItemCheck(const std::string& key, bool on);  // as the clerk ticks or clears the item's box
    bool userItemDblClick(const std::string& key);  // as the clerk double-clicks the item
    // The same on the row at index i (1-based), as a binding that draws rows
    // knows them.
    bool userRowClick(int i);
    bool userRowCheck(int i, bool on);
    bool userRowDblClick(int i);

    bool canTakeFocus() const override { return true; }
    std::string displayText() const override { return selected_ ? selected_->text() : std::string(); }

    // --- ColumnWidthTarget ---
    int columnCount() const override { return columnCountOf(); }
    std::string columnKey(int index) const override;
    int columnWidth(int index) const override;
    void setColumnWidth(int index, int twips) override;

    // Tells observers after an item changed.
    void itemChanged() const { changed(); }

private:
    friend class ListItem;
    int suppliedCount() const { return rows_ ? rows_->count() : 0; }
    // The item of supplied row i (1-based), made on first use.
    ListItem& rowItem(int i) const;
    // An item made or added for row i, if any.
    const ListItem* madeItem(int i) const;
    // The supplied row with `key`, 1-based; 0 when none (among all rows).
    int findRow(const std::string& key) const;
    void clickItem(ListItem& it);
    void checkItem(ListItem& it, bool on);

    std::vector<std::unique_ptr<ColumnHeader>> columns_;
    std::shared_ptr<ListRows> rows_;
    mutable std::unordered_map<int, std::unique_ptr<ListItem>> rowItems_;
    // Supplied rows' keys by hash, sorted, for the rows indexed so far.
    mutable std::vector<std::pair<std::uint64_t, int>> keyIndex_;
    mutable int indexed_ = 0;
    std::vector<std::unique_ptr<ListItem>> items_;  // added items, after the supplied rows
    // Items by their non-empty key: a fill adds tens of thousands of rows,
    // each checked for a unique key.
    std::unordered_map<std::string, ListItem*> byKey_;
    ListItem* selected_ = nullptr;
    bool checkboxes_ = false, multiSelect_ = false;
    int headerHeight_ = 300, rowHeight_ = 255;
};

// The amount the row keyed `key` shows in the column captioned `caption`;
// nothing when there is no such row or column, or the cell holds no amount.
FEEOFFICE_API std::optional<Currency> listedAmount(ListView& lvw, const std::string& key, const std::string& caption);

}  // namespace fo
