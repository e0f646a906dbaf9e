#pragma once
#include <string>
#include <vector>

#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/FlexGrid.h"
#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"
#include "ui/lists/mdl1.h"

namespace fo::test {

// A window with one control of each kind the tests drive, laid out as the
// module's windows are, and an in-place editor for the grid and one for the
// list that the layout leaves out (they stand over a cell).
class TestWindow : public Form {
public:
    // A window the test shows is closed before its controls go, as the
    // module's own windows are unloaded before they are made afresh.
    ~TestWindow() override { unload(); }

    TestWindow() : Form("frmTest") {
        setCaption("测试窗口");
        resize(9000, 7000);
        txtName.KeyPress = [](int& k) { EnterToTab(k); };
        cmbMonth.setStyle(ComboBox::Style::DropDownList);
        lvw.ItemClick = [this](ListItem& i) { heard.push_back("lvw_ItemClick " + i.key()); };
        grid.Scroll = [this] { grid_Scroll(); };
        lvw.move(120, 600, 8000, 2400);
        grid.move(120, 3100, 8000, 2400);
        Txt_write.setVisible(false);
        txtWrite.setVisible(false);
        setLayout(layout::column({layout::row({layout::ctl(txtName), layout::ctl(chkAll), layout::ctl(cmbMonth),
                                               layout::ctl(cmdGo)}),
                                  layout::ctl(lvw), layout::ctl(grid)}));
    }

    // The grid's editor follows the current cell, as the reduction grid's does.
    void editCell(int r, int c) {
        grid.setRow(r);
        grid.setCol(c);
        Txt_write.move(grid.left() + grid.cellLeft(), grid.top() + grid.cellTop(), grid.cellWidth(), grid.cellHeight());
        Txt_write.setVisible(true);
    }
    void grid_Scroll() {
        if (Txt_write.visible()) editCell(grid.row(), grid.col());
    }
    // The list's editor over column `column` (1-based) of item `index`.
    void editListCell(int index, int column) {
        int x = 0;
        for (int i = 1; i < column; ++i) x += lvw.column(i).width;
        const ListItem& item = lvw.item(index);
        txtWrite.move(lvw.left() + x, lvw.top() + item.top(), lvw.column(column).width, item.height());
        txtWrite.setVisible(true);
    }

    TextBox txtName{*this, "txtName"};
    CheckBox chkAll{*this, "chkAll", "全选"};
    ComboBox cmbMonth{*this, "cmbMonth"};
    CommandButton cmdGo{*this, "cmdGo", "查询"};
    ListView lvw{*this, "lvw"};
    FlexGrid grid{*this, "grid"};
    TextBox Txt_write{*this, "Txt_write"};
    TextBox txtWrite{*this, "txtWrite"};
    std::vector<std::string> heard;
};

}  // namespace fo::test
