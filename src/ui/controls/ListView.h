#pragma once
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/Currency.h"
#include "host/api/SettingsStore.h"
#include "ui/controls/Control.h"
#include "ui/controls/KeyCodes.h"

namespace fo {

class ListView;

// A column header of a report-style list view. Width in twips; 0 hides it.
struct ColumnHeader {
    std::string key, text;
    int width = 1440;
    Alignment alignment = Alignment::Left;
    int index = 0;  // 1-based position
};

// One row of a list view: its text is the first column, sub-item i the
// column i + 1. Setters tell the list view's observers.
class ListItem {
public:
    ListItem(ListView& owner, std::string key, std::string text)
        : owner_(&owner), key_(std::move(key)), text_(std::move(text)) {}
    const std::string& key() const { return key_; }
    const std::string& text() const { return text_; }
    void setText(const std::string& t);
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
    std::string key_, text_, tag_;
    std::vector<std::string> subItems_;  // [0] is sub-item 1
    std::map<int, int> cellColors_;
    bool checked_ = false, selected_ = false;
    int foreColor_ = color::Black;
};

// A list view in report mode: column headers, items with sub-items, check
// boxes, one selected item. Collections are 1-based as the windows use them.
// It offers its column widths to the host's width routines.
class ListView : public Control, public ColumnWidthTarget {
public:
    ListView(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index) {}
    const char* kind() const override { return "ListView"; }

    // --- columns ---
    ColumnHeader& addColumn(const std::string& key, const std::string& text, int width = 1440,
                            Alignment a = Alignment::Left);
    void clearColumns();
    int columnCountOf() const { return static_cast<int>(columns_.size()); }
    ColumnHeader& column(int i);  // 1-based
    const ColumnHeader& column(int i) const;
    ColumnHeader* findColumn(const std::string& key);
    // 1-based index of the column whose caption equals `text`; 0 when none.
    int columnIndexByText(const std::string& text) const;
    void setColumnAlignment(int i, Alignment a);
    void setColumnText(int i, const std::string& text);

    // --- items ---
    // Appends an item; a non-empty key must be unique.
    ListItem& addItem(const std::string& key, const std::string& text);
    void clearItems();
    void removeItem(int i);
    int itemCount() const { return static_cast<int>(items_.size()); }
    ListItem& item(int i);  // 1-based
    const ListItem& item(int i) const;
    ListItem* findItem(const std::string& key);
    ListItem* selectedItem() const { return selected_; }
    void setSelectedItem(ListItem* item);

    bool checkboxes() const { return checkboxes_; }
    void setCheckboxes(bool v) { checkboxes_ = v; changed(); }
    bool multiSelect() const { return multiSelect_; }
    void setMultiSelect(bool v) { multiSelect_ = v; }
    // Row geometry in twips; a drawing binding sets what it measures.
    int headerHeight() const { return headerHeight_; }
    int rowHeight() const { return rowHeight_; }
    void setRowMetrics(int header, int row) { headerHeight_ = header; rowHeight_ = row; }

    // --- events ---
    std::function<void(ListItem&)> ItemClick, ItemCheck;
    std::function<void(ColumnHeader&)> ColumnClick;
    std::function<void(int& cancel)> BeforeLabelEdit;

    // --- user actions; false when no item has the key ---
    bool userItemClick(const std::string& key);
    bool userItemCheck(const std::string& key, bool on);
    bool userItemDblClick(const std::string& key);

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
    std::vector<std::unique_ptr<ColumnHeader>> columns_;
    std::vector<std::unique_ptr<ListItem>> items_;
    // Items by their non-empty key: a fill adds tens of thousands of rows,
    // each checked for a unique key.
    std::unordered_map<std::string, ListItem*> byKey_;
    ListItem* selected_ = nullptr;
    bool checkboxes_ = false, multiSelect_ = false;
    int headerHeight_ = 300, rowHeight_ = 255;
};

// The amount the row keyed `key` shows in the column captioned `caption`;
// nothing when there is no such row or column, or the cell holds no amount.
std::optional<Currency> listedAmount(ListView& lvw, const std::string& key, const std::string& caption);

}  // namespace fo
