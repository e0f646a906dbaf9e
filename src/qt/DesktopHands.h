#pragma once
#include <functional>
#include <string>

#include "ui/headless/ClerkHands.h"

class QPoint;
class QRect;
class QWidget;

namespace fo::qt {

class DesktopUi;

// A clerk's mouse and keyboard on the widgets of the dialogs DesktopUi
// shows: a click is a press and release of the left button where the
// button, row or cell is drawn, typing is key presses to the widget that has
// the focus, a text is replaced by selecting it and pasting, a combo entry
// is chosen from its drop-down list. What the clerk acts on must be shown,
// enabled and inside the part of its window he sees (and the window on the
// screen), or the step fails naming it; what the widgets pass on is all the
// window learns.
class DesktopHands final : public ClerkHands {
public:
    explicit DesktopHands(DesktopUi& ui) : ui_(ui) {}

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
    void settle() override;
    std::vector<std::string> cutColumns(Control& c) override;
    std::vector<std::string> unreadableCells(Control& c, int column) override;
    std::string offCell(Control& editor, ListView& l, int row, int column) override;

private:
    // The widget of `c`, shown, enabled and seen on screen; else ClerkCannot.
    QWidget* reachable(const Control& c) const;
    // The point of `area` (in `w`'s pixels) the clerk aims at: its middle,
    // which must lie in the part of the window he sees.
    QPoint aimAt(const QWidget* w, const QRect& area, const std::string& what) const;
    // Clicks the tab of every page that hides `w` in a tabbed window.
    void showPageOf(QWidget* w) const;
    // Hands Qt the input, then lets the widgets catch up; what a handler
    // below threw for the driver is thrown on from here.
    void deliver(const std::function<void()>& input);
    // The widget that takes `c`'s keys once the clerk put the focus there.
    QWidget* focused(const Control& c);

    DesktopUi& ui_;
};

}  // namespace fo::qt
