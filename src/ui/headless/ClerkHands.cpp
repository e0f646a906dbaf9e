#include "ui/headless/ClerkHands.h"

#include "ui/Form.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DataGrid.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/FlexGrid.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"
#include "ui/controls/TreeView.h"

namespace fo {

void HeadlessHands::click(Control& c) { c.userClick(); }

void HeadlessHands::setText(TextBox& t, const std::string& text) {
    t.SetFocus();
    t.userSetText(text);
}

void HeadlessHands::typeText(Control& c, const std::string& text) {
    if (auto* t = dynamic_cast<TextBox*>(&c)) t->userType(text);
    else c.form().userType(c, text);
}

void HeadlessHands::pressKey(Control& c, int keyCode) { c.form().userKey(c, keyCode); }

void HeadlessHands::setCheck(CheckBox& c, int value) { c.userSetValue(value); }

void HeadlessHands::pickDate(DatePicker& d, const DateTime& date) { d.userPick(date); }

bool HeadlessHands::chooseEntry(ComboBox& c, const std::string& text) { return c.userSelect(text); }

bool HeadlessHands::selectEntry(ListBox& l, const std::string& text, bool on) { return l.userSelect(text, on); }

bool HeadlessHands::listItem(ListView& l, const std::string& key, ItemAction a) {
    switch (a) {
    case ItemAction::Click: return l.userItemClick(key);
    case ItemAction::Check: return l.userItemCheck(key, true);
    case ItemAction::Uncheck: return l.userItemCheck(key, false);
    case ItemAction::DblClick: return l.userItemDblClick(key);
    }
    return false;
}

bool HeadlessHands::listCell(ListView& l, int row, int column) {
    return column >= 1 && column <= l.columnCountOf() && l.userRowClick(row);
}

bool HeadlessHands::treeNode(TreeView& t, const std::string& key, ItemAction a) {
    switch (a) {
    case ItemAction::Click: return t.userNodeClick(key);
    case ItemAction::Check: return t.userNodeCheck(key, true);
    case ItemAction::Uncheck: return t.userNodeCheck(key, false);
    case ItemAction::DblClick: return t.userNodeDblClick(key);
    }
    return false;
}

bool HeadlessHands::gridCell(FlexGrid& g, int row, int col) { return g.userCellClick(row, col); }

bool HeadlessHands::dataGridRow(DataGrid& g, int record) { return g.userRowClick(record); }

}  // namespace fo
