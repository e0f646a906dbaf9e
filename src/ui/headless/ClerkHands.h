#pragma once
#include <string>
#include <vector>

namespace fo {

class CheckBox;
class ComboBox;
class Control;
class DataGrid;
class DatePicker;
class FlexGrid;
class ListBox;
class ListView;
class TextBox;
class TreeView;
struct DateTime;

// A step the clerk could not take: the control or item he would act on is
// hidden, disabled or outside the part of the window he sees. Not a
// std::exception, so the error traps of window code let it pass to the
// driver, which fails the step naming the control.
struct ClerkCannot {
    std::string message;
};

enum class ItemAction { Click, Check, Uncheck, DblClick };

// How a script's actions reach a window. Headless, they go straight to the
// controls' user-action entry points; at a desktop they are the mouse and
// keyboard input a clerk gives the widgets, so a widget that does not show
// what its control holds, or does not pass on what the clerk did, fails the
// step. The finders return false when the entry, item or cell is not there.
class ClerkHands {
public:
    virtual ~ClerkHands() = default;
    // A button, menu entry, option button or check box.
    virtual void click(Control& c) = 0;
    // The whole text replaced as one edit (Change fires, no key filters).
    virtual void setText(TextBox& t, const std::string& text) = 0;
    // Typed key by key, through the key filters.
    virtual void typeText(Control& c, const std::string& text) = 0;
    virtual void pressKey(Control& c, int keyCode) = 0;
    virtual void setCheck(CheckBox& c, int value) = 0;
    virtual void pickDate(DatePicker& d, const DateTime& date) = 0;
    virtual bool chooseEntry(ComboBox& c, const std::string& text) = 0;
    virtual bool selectEntry(ListBox& l, const std::string& text, bool on) = 0;
    virtual bool listItem(ListView& l, const std::string& key, ItemAction a) = 0;
    virtual bool treeNode(TreeView& t, const std::string& key, ItemAction a) = 0;
    // A click on the cell of item `row` (1-based) in column `column`
    // (1-based) of a list view.
    virtual bool listCell(ListView& l, int row, int column) = 0;
    // ROW and COL as the grid counts them, row 0 the header.
    virtual bool gridCell(FlexGrid& g, int row, int col) = 0;
    // `record` 0-based.
    virtual bool dataGridRow(DataGrid& g, int record) = 0;
    // Between steps: the widgets catch up with what the last step changed.
    virtual void settle() {}
    // The headings of the columns of list or grid `c` the clerk cannot read
    // whole as drawn (elided, or past the view's edge). Headless nothing is
    // drawn, so nothing is cut.
    virtual std::vector<std::string> cutColumns(Control&) { return {}; }
    // What keeps the clerk from reading column `column` (0-based) of list
    // or grid `c` as drawn: each row (1-based, "row 3") whose text is cut
    // and does not show whole on hover either, and, when a text is cut, the
    // headings of other columns that have room to spare ("room in 记录").
    virtual std::vector<std::string> unreadableCells(Control&, int /*column*/) { return {}; }
    // Why `editor` is not seen over the cell of row `row` (1-based) and
    // column `column` (1-based) of list `l` as drawn ("" when it is):
    // hidden, off the cell, or off the screen.
    virtual std::string offCell(Control& /*editor*/, ListView& /*l*/, int /*row*/, int /*column*/) { return {}; }
};

// The headless hands: each action is the control's own user action.
class HeadlessHands final : public ClerkHands {
public:
    void click(Control& c) override;
    void setText(TextBox& t, const std::string& text) override;
    void typeText(Control& c, const std::string& text) override;
    void pressKey(Control& c, int keyCode) override;
    void setCheck(CheckBox& c, int value) override;
    void pickDate(DatePicker& d, const DateTime& date) override;
    bool chooseEntry(ComboBox& c, const std::string& text) override;
    bool selectEntry(ListBox& l, const std::string& text, bool on) override;
    bool listItem(ListView& l, const std::string& key, ItemAction a) override;
    bool listCell(ListView& l, int row, int column) override;
    bool treeNode(TreeView& t, const std::string& key, ItemAction a) override;
    bool gridCell(FlexGrid& g, int row, int col) override;
    bool dataGridRow(DataGrid& g, int record) override;
};

}  // namespace fo
