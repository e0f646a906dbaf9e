// The Qt binding: control state set through the abstraction shows in the
// widget, and what the clerk does to the widget shows in the control; modal
// windows return their answer; in-place editors stay over their cell when
// the view scrolls; a failing handler stops at the window. (Real widgets
// firing the window's handlers: the script driver's desktop run.)
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <QTreeView>

#include <string>
#include <tuple>
#include <vector>

#include "QtTestApp.h"
#include "db/DbError.h"
#include "qt/Twips.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/DataGrid.h"
#include "ui/controls/FlexGrid.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"
#include "ui/frmMsg.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

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

using Binding = QtTest;

// Where the editor widget stands, in the coordinates of the view's viewport.
QRect inViewport(QWidget* editor, QAbstractItemView* view) {
    return QRect(view->viewport()->mapFromGlobal(editor->mapToGlobal(QPoint(0, 0))), editor->size());
}

// Rows that arrive a thousand at a time, the last one red.
class ArrivingRows final : public ListRows {
public:
    int count() const override { return there_; }
    bool complete() const override { return there_ == kRows; }
    bool readMore() override {
        if (complete()) return false;
        there_ = std::min(kRows, there_ + 1000);
        return true;
    }
    int cells() const override { return 2; }
    std::string key(int row) const override { return "k" + std::to_string(row + 1); }
    std::string cell(int row, int column) const override {
        return column == 1 ? std::to_string(1000 + row + 1) : "学生" + std::to_string(row + 1);
    }
    int foreColor(int row) const override { return row == kRows - 1 ? color::Red : color::Black; }
    static constexpr int kRows = 4500;

private:
    int there_ = 100;
};

// What the clerk's clicks, keys and picks pass on is the desktop run of the
// script driver's own test (desktop.ScriptDriverTest.*); here what the
// window sets in code shows in the widgets, and edits the widget makes itself.
TEST_F(Binding, WhatTheWindowSetsShowsInTheWidgetsTheirOwnEditsComeBackAndAListStillBeingReadGrowsInIdleTime) {
    TestWindow w;
    w.lvw.addColumn("k学号", "学号", 1200);
    w.lvw.addColumn("k姓名", "姓名", 1500);
    show(w);
    auto* edit = widget<QLineEdit>(w, w.txtName);
    ASSERT_NE(edit, nullptr);
    w.txtName.setText("张三a");
    EXPECT_EQ(edit->text(), QStringLiteral("张三a"));
    w.txtName.setLocked(true);
    EXPECT_TRUE(edit->isReadOnly());
    w.txtName.setLocked(false);
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(w.txtName.text(), "张三");
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(w.txtName.text(), "三");

    w.chkAll.setValue(1);
    EXPECT_TRUE(widget<QCheckBox>(w, w.chkAll)->isChecked());
    auto* cmb = widget<QComboBox>(w, w.cmbMonth);
    for (const char* m : {"2026年9月", "2026年10月", "2026年11月"}) w.cmbMonth.AddItem(m);
    w.cmbMonth.setListIndex(1);
    EXPECT_EQ(std::pair(cmb->count(), cmb->currentText().toStdString()), std::pair(3, std::string("2026年10月")));
    w.cmbMonth.RemoveItem(0);
    EXPECT_EQ(std::pair(cmb->count(), cmb->currentIndex()), std::pair(2, 0));
    EXPECT_EQ(w.cmbMonth.ListIndex(), 0) << "the choice stays on its entry";

    auto* button = widget<QPushButton>(w, w.cmdGo);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(w.cmdGo.hasFocus());
    w.cmdGo.setEnabled(false);
    EXPECT_FALSE(button->isEnabled());

    for (int i = 1; i <= 2000; ++i)
        w.lvw.addItem("k" + std::to_string(i), std::to_string(1000 + i)).setSubItem(1, "学生" + std::to_string(i));
    auto* view = widget<QTreeView>(w, w.lvw);
    QAbstractItemModel* model = view->model();
    // Headings and rows as drawn: the desktop runs' "expect whole" and their clicks on rows.
    ASSERT_EQ(model->rowCount(), 2000);
    w.lvw.item(3).setSubItem(1, "李四");
    EXPECT_EQ(model->index(2, 1).data().toString(), QStringLiteral("李四"));
    w.lvw.setSelectedItem(&w.lvw.item(5));
    EXPECT_EQ(view->currentIndex().row(), 4);
    w.lvw.clearItems();
    EXPECT_EQ(model->rowCount(), 0);

    // A list still being read shows its first rows and reads the rest in idle time.
    w.lvw.setRows(std::make_shared<ArrivingRows>());
    model = view->model();
    ASSERT_EQ(model->rowCount(), 100);
    EXPECT_EQ(model->index(49, 1).data().toString(), QStringLiteral("学生50"));
    // A row is clicked before the rest is there.
    const QRect cell = view->visualRect(model->index(1, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(w.heard, std::vector<std::string>{"lvw_ItemClick k2"});
    for (int turn = 0; turn < 50 && !w.lvw.rowsComplete(); ++turn) QCoreApplication::processEvents();
    ASSERT_TRUE(w.lvw.rowsComplete());
    ASSERT_EQ(model->rowCount(), ArrivingRows::kRows);
    EXPECT_EQ(model->index(4499, 0).data().toString(), QStringLiteral("5500"));
    EXPECT_EQ(model->index(4499, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_FALSE(model->index(4498, 1).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(view->currentIndex().row(), 1) << "the selection stays where the clerk put it";
}

TEST_F(Binding, AColumnIsSizedToItsRowsUnlessTheClerkSizedIt) {
    TestWindow w;
    w.lvw.addColumn("k编号", "编号", 600);
    w.lvw.addColumn("k金额", "金额", 1500);
    w.lvw.addColumn("k说明", "说明", 600);
    show(w);
    auto* view = widget<QTreeView>(w, w.lvw);
    EXPECT_EQ(view->header()->sectionSize(0), qt::toPixels(600)) << "nothing to show yet";
    // Rows come one by one, as a window fills its list: a longer one later widens the column again.
    w.lvw.addItem("k1", "SF01").setSubItem(1, "1141.00");
    QCoreApplication::processEvents();
    w.lvw.addItem("k2", "SF202612070019").setSubItem(1, "1141.00");
    QCoreApplication::processEvents();
    EXPECT_GT(view->header()->sectionSize(0), qt::toPixels(600));
    EXPECT_EQ(w.lvw.column(1).width, qt::toTwips(view->header()->sectionSize(0))) << "kept with the window's widths";
    // A column wider than its rows need gives the room back, down to them.
    EXPECT_LT(view->header()->sectionSize(1), qt::toPixels(1500));
    EXPECT_GE(view->header()->sectionSize(1), view->fontMetrics().horizontalAdvance(QStringLiteral("1141.00")));
    EXPECT_EQ(w.lvw.column(2).width, qt::toTwips(view->header()->sectionSize(1)));

    view->header()->resizeSection(0, 40);
    w.lvw.addItem("k3", "SF202612070020SF202612070020");
    QCoreApplication::processEvents();
    EXPECT_EQ(std::pair(view->header()->sectionSize(0), w.lvw.column(1).width), std::pair(40, qt::toTwips(40)));
    // A cell shown whole has no tip (a cut one's tip: desktop "expect whole LIST COLUMN").
    const QPoint at = view->visualRect(view->model()->index(0, 1)).center();
    QHelpEvent tip(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view->viewport(), &tip);
    EXPECT_FALSE(QToolTip::isVisible());

    // The grid's column the clerk sized keeps his width likewise as the window
    // fills the grid row by row. (Its fixed row as the view's header, a column
    // of width zero hidden, lists and grids shown whole: the desktop runs'
    // clicks on cells and their "expect whole" on every window.)
    auto* grid = widget<QTableView>(w, w.grid);
    w.grid.setCols(4);
    w.grid.setColWidth(1, 300);
    w.grid.setTextMatrix(0, 1, "费用所属期");
    w.grid.setTextMatrix(1, 1, "2026年9月至2026年12月");
    QCoreApplication::processEvents();
    grid->horizontalHeader()->resizeSection(1, 40);
    w.grid.setRows(3);
    w.grid.setTextMatrix(2, 1, "2026年9月至2027年1月及一次性收费");
    QCoreApplication::processEvents();
    EXPECT_EQ(std::pair(grid->columnWidth(1), w.grid.colWidth(1)), std::pair(40, qt::toTwips(40)))
        << "the clerk's width stays";
}

// A window with a grid bound to a set, as the student picker shows one.
class DataGridWindow : public Form {
public:
    DataGridWindow() : Form("frmGrid") {
        resize(9000, 5000);
        grid.move(120, 120, 8000, 3000);
        setLayout(layout::column({layout::ctl(grid)}));
    }
    ~DataGridWindow() override { unload(); }
    DataGrid grid{*this, "DataGrid1"};
};

TEST_F(Binding, AmountsShowAsMoneyRightAlignedWhileTheCellsKeepTheirTexts) {
    // Filled by hand from a set, as windows fill lists: a currency value's
    // own text drops its trailing zeros.
    TestWindow w;
    for (const char* caption : {"学号", "预收款", "兴趣班", "出勤天数", "备注"})
        w.lvw.addColumn(std::string("k") + caption, caption, 1000);
    w.grid.setCols(3);
    w.grid.setRows(3);
    const char* gridCells[3][3] = {{"收费项目", "减免金额（元）", "折扣(%)"}, {"保育费", "50", "100"}, {"伙食费", "", "95.5"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) w.grid.setTextMatrix(r, c, gridCells[r][c]);
    show(w);
    const char* rows[2][5] = {{"2026001", "50", "12.5", "21.5", ""}, {"2026002", "-30", "8", "22", "补"}};
    for (int r = 0; r < 2; ++r) {
        ListItem& item = w.lvw.addItem("k" + std::to_string(r + 1), rows[r][0]);
        for (int c = 1; c < 5; ++c) item.setSubItem(c, rows[r][c]);
    }
    QAbstractItemModel* list = widget<QTreeView>(w, w.lvw)->model();
    QAbstractItemModel* grid = widget<QTableView>(w, w.grid)->model();
    // Each cell as drawn, ">" before it when it is aligned right.
    const auto shown = [](QAbstractItemModel* m, std::vector<std::pair<int, int>> cells) {
        std::string out;
        for (const auto& [r, c] : cells)
            out += std::string(m->index(r, c).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight ? ">" : "") +
                   m->index(r, c).data().toString().toStdString() + "|";
        return out;
    };
    // Money by its caption, numbers with fractions whatever the caption;
    // digits alone are names, days are counted, not money.
    EXPECT_EQ(shown(list, {{0, 1}, {1, 1}, {1, 2}, {0, 0}, {0, 3}}), ">50.00|>-30.00|>8.00|2026001|21.5|");
    EXPECT_EQ(w.lvw.item(1).cell(2), "50") << "the window reads back the text it wrote";
    w.lvw.item(2).setSubItem(1, "待定");
    EXPECT_EQ(shown(list, {{0, 1}}), "50|") << "a column with a word among its numbers is no amount column";
    // The grid's amounts likewise, the unit after the caption, and an empty
    // amount cell, where the clerk types one, too; a percentage is no money.
    EXPECT_EQ(shown(grid, {{0, 1}, {1, 1}, {1, 2}}), ">50.00|>|95.5|");
    EXPECT_EQ(w.grid.textMatrix(1, 1), "50");

    // A grid bound to a set: by the field's type; digits in a text field stay as they are.
    auto rs = std::make_shared<Recordset>();
    rs->appendField("学号", DataType::VarChar, 20);
    rs->appendField("备注", DataType::VarChar, 60);
    rs->appendField("余额", DataType::Currency, 8);
    rs->open();
    rs->appendRow({Value("2026001"), Value("12.5"), Value(Currency::fromInt(1200))});
    rs->appendRow({Value("2026002"), Value("本学期起由外婆接送，学费按半日制收"), Value()});
    rs->moveFirst();
    DataGridWindow d;
    d.grid.setDataSource(rs);
    d.grid.setColumnWidth(1, 300);
    show(d);
    auto* table = widget<QTableView>(d, d.grid);
    EXPECT_EQ(shown(table->model(), {{0, 2}, {1, 2}, {0, 1}}), ">1200.00|>|12.5|") << "no amount stays blank";
    // Widened to its rows once shown, as lists are; the clerk's width stays.
    QCoreApplication::processEvents();
    EXPECT_GT(table->columnWidth(1), qt::toPixels(300));
    EXPECT_EQ(d.grid.column(1).width, qt::toTwips(table->columnWidth(1)));
    table->horizontalHeader()->resizeSection(1, 40);
    d.grid.userRowClick(1);
    EXPECT_EQ(std::pair(table->columnWidth(1), d.grid.column(1).width), std::pair(40, qt::toTwips(40)))
        << "a click redraws the grid but keeps the clerk's width";
}

TEST_F(Binding, EditorsStayOverTheirCellsWhenTheGridOrTheListScrolls) {
    TestWindow w;
    w.grid.setRows(101);
    w.grid.setCols(4);
    for (int r = 1; r < 101; ++r) w.grid.setTextMatrix(r, 1, std::to_string(r));
    w.lvw.addColumn("k项目", "项目", 2000);
    w.lvw.addColumn("k金额", "金额", 1500);
    for (int i = 1; i <= 300; ++i) w.lvw.addItem("k" + std::to_string(i), "项目" + std::to_string(i));
    show(w);
    auto* view = widget<QTableView>(w, w.grid);
    auto* editor = widget<QWidget>(w, w.Txt_write);
    w.editCell(45, 2);
    // The clerk scrolls: the grid's TopRow follows, its Scroll handler moves the editor.
    view->verticalScrollBar()->setValue(40);
    EXPECT_EQ(w.grid.topRow(), 41);
    EXPECT_EQ(inViewport(editor, view), view->visualRect(view->model()->index(44, 2)));
    EXPECT_TRUE(editor->isVisible());
    view->verticalScrollBar()->setValue(38);
    EXPECT_EQ(inViewport(editor, view), view->visualRect(view->model()->index(44, 2)));
    // Code scrolls the grid: the view follows.
    w.grid.setTopRow(44);
    EXPECT_EQ(view->verticalScrollBar()->value(), 43);
    EXPECT_EQ(inViewport(editor, view), view->visualRect(view->model()->index(44, 2)));

    // The list's editor, placed over a cell after the clerk scrolled, stays there as he scrolls on.
    auto* list = widget<QTreeView>(w, w.lvw);
    auto* listEditor = widget<QWidget>(w, w.txtWrite);
    list->scrollTo(list->model()->index(150, 0), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
    w.editListCell(152, 2);
    EXPECT_EQ(inViewport(listEditor, list), list->visualRect(list->model()->index(151, 1)));
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->value() - 1);
    EXPECT_EQ(inViewport(listEditor, list), list->visualRect(list->model()->index(151, 1)));
}

// A window larger than the screen opens within it. The lookup of a student
// while another program holds the write lock: the handler fails after its
// wait. The clerk reads why, the window stays, and closing it afterwards
// closes it.
TEST_F(Binding, ModalWindowsAnswerOpenWithinTheScreenAndAFailingHandlerStopsAtTheWindowWhichClosesCleanly) {
    gMOpen();
    gMOpen();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    gMclose();  // one close restores the pointer, however many opens came before
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    gMclose();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The yes/no box runs its own loop; a click on its "是" ends it.
    whenModal<qt::FormView>([](qt::FormView& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("警告"));
        auto* yes = dialog.findChild<QPushButton*>(QStringLiteral("cmdOk"));
        ASSERT_NE(yes, nullptr);
        yes->click();
    });
    EXPECT_EQ(frmMsg::ask("警告", "确定要作废吗？"), 1);

    whenModal<QMessageBox>([](QMessageBox& box) {
        EXPECT_EQ(std::tuple(box.windowTitle().toStdString(), box.text().toStdString(), box.icon()),
                  std::tuple(std::string("提示"), std::string("继续吗？"), QMessageBox::Question));
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(msgBox("继续吗？", MsgButtons::YesNo, MsgIcon::Question, "提示"), MsgAnswer::No);

    TestWindow w;
    w.resize(40000, 30000);
    const DbError busy(DbErrorKind::Busy, 5, dbtext::Busy, "database is locked");
    w.cmdGo.Click = [&] {
        gMOpen();
        throw busy;
    };
    w.txtName.KeyPress = [&](int& k) {
        if (k == key::Enter) throw std::logic_error("internal");
    };
    std::vector<QString> messages;
    bool pointerRestored = false, stayed = false;
    auto answerTheBox = [&] {
        whenModal<QMessageBox>([&](QMessageBox& box) {
            messages.push_back(box.text());
            pointerRestored = QApplication::overrideCursor() == nullptr ||
                              QApplication::overrideCursor()->shape() != Qt::WaitCursor;
            box.button(QMessageBox::Ok)->click();
        });
    };
    whenModal<qt::FormView>([&](qt::FormView& dialog) {
        const QRect room = dialog.screen()->availableGeometry();
        EXPECT_LE(dialog.frameGeometry().width(), room.width());
        EXPECT_LE(dialog.frameGeometry().height(), room.height());
        EXPECT_LT(w.scaleWidth(), 40000) << "the window learns the size it got";
        answerTheBox();
        dialog.findChild<QPushButton*>(QStringLiteral("cmdGo"))->click();
        answerTheBox();
        QTest::keyClick(dialog.findChild<QLineEdit*>(QStringLiteral("txtName")), Qt::Key_Return);
        stayed = dialog.isVisible() && w.isLoaded();
        dialog.close();
    });
    w.showModal();
    EXPECT_TRUE(stayed);
    EXPECT_FALSE(w.isLoaded());
    EXPECT_TRUE(pointerRestored);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].contains(QString::fromUtf8(dbtext::Busy))) << messages[0].toStdString();
    // An internal fault is not shown in the program's own English.
    EXPECT_FALSE(messages[1].contains(QStringLiteral("internal"))) << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains(QStringLiteral("操作没有完成"))) << messages[1].toStdString();
}

}  // namespace
}  // namespace fo::test
