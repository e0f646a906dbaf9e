#include "batch/frmJmBachList.h"

#include <algorithm>

#include "data/Dialect.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "students/frmCommFind.h"
#include "ui/RightsCheck.h"
#include "ui/controls/KeyCodes.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/Utf8Text.h"
#include "ui/UiServices.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

constexpr int kMinWidth = 3000, kMinHeight = 2000;
constexpr int kListMargin = 1500, kDragMargin = 500;

}  // namespace

frmJmBachList::frmJmBachList() : Form("frmJmBachList") {
    setCaption("应收明细表-减免");
    resize(14400, 9000);

    lblYf.move(120, 150, 500, 300);
    cmbYf.move(620, 120, 1500, 300);
    LBLprompt.move(2180, 150, 300, 300);
    cmbYFto.move(2480, 120, 1500, 300);
    for (ComboBox* c : {&cmbYf, &cmbYFto, &cmbBJ}) c->setStyle(ComboBox::Style::DropDownList);
    OptMonth.move(4100, 120, 1200, 300);
    OptRQ.move(5300, 120, 1100, 300);
    DTPfrom.move(620, 120, 1500, 300);
    DTPto.move(2480, 120, 1500, 300);
    lblBJ.move(6500, 150, 500, 300);
    cmbBJ.move(7000, 120, 1500, 300);
    lblBh.move(8600, 150, 1000, 300);
    txtBh.move(9600, 120, 1300, 300);
    chkpreClass.move(120, 510, 2600, 300);
    chkCreditPaid.move(2800, 510, 3000, 300);
    cmdTJ.move(11000, 90, 1000, 375);
    CMDfind.move(12100, 90, 1000, 375);
    cmdFind2.move(13200, 90, 1000, 375);
    Picsfxm.move(11000, 500, 3200, 4000);
    Picsfxm.setVisible(false);
    for (Control* c : std::initializer_list<Control*>{&LSTsfxm, &cmdSelectALL, &cmdNoSelect, &chkALL, &cmdOK})
        c->setContainer(&Picsfxm);
    LSTsfxm.move(11060, 560, 3080, 2700);
    LSTsfxm.setMultiSelect(true);
    cmdSelectALL.move(11060, 3320, 900, 375);
    cmdNoSelect.move(12000, 3320, 900, 375);
    chkALL.move(11060, 3740, 3080, 300);
    cmdOK.move(13240, 3320, 900, 375);
    lvw1.move(10, 900, 9000, 6300);
    imgSplitter.move(9010, 900, 60, 6300);
    picSplitter.setVisible(false);
    lvwMx.move(9070, 900, 5090, 6300);
    // The reduction's editor stands over the cell of the row it edits.
    txtWrite.setContainer(&lvw1);
    txtWrite.setVisible(false);
    ProgressBar1.move(120, 7250, 14000, 200);
    ProgressBar1.setVisible(false);
    lblJmje.move(120, 7560, 900, 300);
    txtJmje.move(1020, 7530, 900, 300);
    cmdALL.move(2000, 7500, 1000, 375);
    cmdCancelSelect.move(3100, 7500, 1700, 375);
    cmdAllSelect.move(4900, 7500, 1400, 375);
    lblJmyy.move(6400, 7560, 900, 300);
    txtJmyy.move(7300, 7530, 2200, 300);
    cmdPreview.move(9600, 7500, 800, 375);
    cmdJMok.move(10400, 7500, 1100, 375);
    CMDexcel.move(11600, 7500, 1200, 375);
    cmdClose.move(12900, 7500, 1100, 375);
    menucpy.setVisible(false);  // a pop-up menu only

    OptMonth.Click = [this] { DTPfrom.setVisible(false); DTPto.setVisible(false); };
    OptRQ.Click = [this] { DTPfrom.setVisible(true); DTPto.setVisible(true); };
    CMDfind.Click = [this] { CMDfindDataNew(""); };
    cmdFind2.Click = [this] { findWithFilter(); };
    mFindWhere.Click = [this] { findWithFilter(); };
    cmdTJ.Click = [this] { Picsfxm.setVisible(!Picsfxm.visible()); };
    cmdSelectALL.Click = [this] { selectAllItems(true); };
    cmdNoSelect.Click = [this] { selectAllItems(false); };
    cmdOK.Click = [this] { cmdOK_Click(); };
    lvw1.Click = [this] { Picsfxm.setVisible(false); };
    lvw1.ItemClick = [this](ListItem& i) {
        Picsfxm.setVisible(false);
        lvw1_ItemClick(i);
    };
    lvw1.DblClick = [this] { editReduction(); };
    lvw1.KeyPress = [this](int& k) { lvw1_KeyPress(k); };
    lvw1.MouseDown = [this](int b, int s, int x, int y) { lvw1_MouseDown(b, s, x, y); };
    lvwMx.BeforeLabelEdit = [this](int&) { Picsfxm.setVisible(false); };
    FZXH.Click = [this] { FZXH_Click(); };
    m_sm.Click = [this] { m_sm_Click(); };
    CMDexcel.Click = [this] { CMDexcel_Click(); };
    cmdClose.Click = [this] { unload(); };
    imgSplitter.MouseDown = [this](int b, int s, int x, int y) { imgSplitter_MouseDown(b, s, x, y); };
    imgSplitter.MouseMove = [this](int b, int s, int x, int y) { imgSplitter_MouseMove(b, s, x, y); };
    imgSplitter.MouseUp = [this](int b, int s, int x, int y) { imgSplitter_MouseUp(b, s, x, y); };
    imgSplitter.DragDrop = [this](Control&, int x, int) { SizeControls(x); };
    cmdALL.Click = [this] { cmdALL_Click(); };
    cmdCancelSelect.Click = [this] { cmdCancelSelect_Click(); };
    cmdAllSelect.Click = [this] { cmdAllSelect_Click(); };
    txtWrite.Change = [this] { txtWrite_Change(); };
    txtWrite.KeyPress = [](int& k) { EnterToTab(k); };
    txtJmyy.KeyPress = [](int& k) { EnterToTab(k); };
    txtBh.KeyPress = [](int& k) { EnterToTab(k); };
    cmdJMok.Click = [this] { cmdJMok_Click(); };
    cmdPreview.Click = [this] { cmdPreview_Click(); };
    chkCreditPaid.Click = [this] { chkCreditPaid_Click(); };
    declareLayout();
}

frmJmBachList::~frmJmBachList() = default;

void frmJmBachList::declareLayout() {
    using namespace layout;
    LayoutItem filters = row({ctl(lblYf), ctl(cmbYf), ctl(DTPfrom), ctl(LBLprompt), ctl(cmbYFto), ctl(DTPto),
                              ctl(OptMonth), ctl(OptRQ), ctl(lblBJ), ctl(cmbBJ), ctl(lblBh), ctl(txtBh), stretch(),
                              ctl(cmdTJ), ctl(CMDfind), ctl(cmdFind2)});
    LayoutItem items = group("收费项目", {ctl(LSTsfxm), row({ctl(cmdSelectALL), ctl(cmdNoSelect), ctl(cmdOK)}), ctl(chkALL)});
    LayoutItem lists = splitter({ctl(lvw1), ctl(lvwMx)});  // txtWrite stands over lvw1's cell
    LayoutItem amounts = row({ctl(lblJmje), ctl(txtJmje), ctl(cmdALL), ctl(cmdCancelSelect), ctl(cmdAllSelect),
                              ctl(lblJmyy), ctl(txtJmyy), stretch(), ctl(cmdPreview), ctl(cmdJMok), ctl(CMDexcel),
                              ctl(cmdClose)});
    // The items take the width their names need; the lists take the rest,
    // so every column of the arrears shows beside the open 收费项目.
    setLayout(column({filters, row({ctl(chkpreClass), ctl(chkCreditPaid), stretch()}),
                      row({weighted(lists, 1), weighted(items, 0)}), ctl(ProgressBar1), amounts}));
}

myDB& frmJmBachList::db() {
    if (!db_) db_ = std::make_unique<myDB>();
    return *db_;
}

bool frmJmBachList::mayOpen() { return !refusedRight(gRun(), rights::Batches, rights::View); }

void frmJmBachList::Form_Load() {
    const bool mayPost = rights::has(gRun(), rights::Batches, rights::Post);
    cmdJMok.setEnabled(mayPost);
    cmdPreview.setEnabled(mayPost);
    chkCreditPaid.setEnabled(mayPost && rights::has(gRun(), rights::PaidCredits, rights::Post));
    gMOpen();
    try {
        HostSystem& run = gRun();
        ConnectionPtr cn = run.pGetCN();
        // Only the dialect code 2 takes the "not in(null)" form; 0 and 1 both
        // list the months whose dates are set with "is not null".
        const std::string periods = run.SQL_access() == Value(2)
            ? "select jfmc,yf from ajzrq where fromdate not in(null) and todate  not in(null) order by yf"
            : "select * from ajzrq where fromdate is not null  and todate  is not null order by yf";
        const std::string current = run.CurrentYf();
        for (RecordsetPtr rs = cn->execute(periods); rs && !rs->eof(); rs->moveNext()) {
            const std::string jfmc = rs->field("jfmc").toText(), yf = rs->field("yf").toText();
            for (ComboBox* c : {&cmbYf, &cmbYFto}) {
                c->AddItem(jfmc);
                c->setItemData(c->NewIndex(), static_cast<long>(Value(leadingNumber(yf)).toInt()));
            }
            if (yf == current) {
                cmbYf.setText(jfmc);
                cmbYFto.setText(jfmc);
            }
        }
        for (RecordsetPtr rs = cn->execute("select id,mc from kdw_sfxm where id>0 order by bh"); rs && !rs->eof();
             rs->moveNext()) {
            LSTsfxm.AddItem(rs->field("mc").toText());
            LSTsfxm.setItemData(LSTsfxm.NewIndex(), static_cast<long>(rs->field("id").toInt()));
        }
        lvw_.setLvw(lvw1);
        lvw_.strFormName = name();
        lvw_.blnFieldKey = true;
        arrearsColumns();
        setCmb(cmbBJ, "ID", "MC", "KDW_BJ", true);
        db();
    } catch (const std::exception& e) {
        CMDfind.setEnabled(false);
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Information, "警告");
    }
    OptMonth.setValue(true);
    gMclose();
}

void frmJmBachList::arrearsColumns() {
    lvw1.clearItems();
    lvw1.clearColumns();
    for (const char* caption : {"序号", "学号", "姓名", "班级", "月份(学期)", "项目", "欠费金额", "本次减免金额"})
        lvw_.addColumn(caption);
    lvw1.setColumnAlignment(ColOwed, Alignment::Right);
    lvw1.setColumnAlignment(ColReduce, Alignment::Right);
}

void frmJmBachList::Form_Unload(int&) {
    if (db_) db_->cn()->close();
    db_.reset();
    saveLayout();
}

// Widths and positions under the window's and the control's names.
void frmJmBachList::saveLayout() {
    lvw_.gSetLvwColumnWidth(lvw1, name() + lvw1.name());
    lvw_.gSetLvwColumnWidth(lvwMx, name() + lvwMx.name());
    for (Control* c : std::initializer_list<Control*>{&lvw1, &imgSplitter, &picSplitter, &lvwMx})
        lvw_.setTmpData(name() + c->name(), "left", std::to_string(c->left()));
}

void frmJmBachList::restoreLayout() {
    lvw_.gGetLvwColumnWidth(lvw1, name() + lvw1.name());
    lvw_.gGetLvwColumnWidth(lvwMx, name() + lvwMx.name());
    for (Control* c : std::initializer_list<Control*>{&lvw1, &imgSplitter, &picSplitter, &lvwMx}) {
        const int left = wholeNumber(lvw_.getTmpData(name() + c->name(), "left"));
        if (left > 10) c->setLeft(left);
    }
}

void frmJmBachList::Form_Resize() {
    try {
        if (width() < kMinWidth || height() < kMinHeight) {
            resize(std::max(width(), kMinWidth), std::max(height(), kMinHeight));
            return;
        }
        const int h = std::max(scaleHeight() - lvw1.top() - 900, 300);
        lvw1.setHeight(h);
        for (Control* c : std::initializer_list<Control*>{&imgSplitter, &picSplitter, &lvwMx}) {
            c->setTop(lvw1.top());
            c->setHeight(h);
        }
        int x = imgSplitter.left();
        SizeControls(x);
        ProgressBar1.setWidth(std::max(scaleWidth() - 240, 0));
    } catch (const std::exception&) {
        // Layout errors are ignored; the window keeps its last layout.
    }
}

void frmJmBachList::SizeControls(int& x) {
    x = std::max(x, kListMargin);
    x = std::min(x, scaleWidth() - kListMargin);
    lvw1.setLeft(10);
    lvw1.setWidth(x);
    imgSplitter.setLeft(x);
    lvwMx.setLeft(x + 60);
    lvwMx.setWidth(scaleWidth() - (lvw1.width() + 140));
    lvwMx.setTop(lvw1.top());
    imgSplitter.setTop(lvw1.top());
    imgSplitter.setHeight(lvw1.height());
    lvwMx.setHeight(lvw1.height());
}

void frmJmBachList::imgSplitter_MouseDown(int, int, int, int) {
    picSplitter.move(imgSplitter.left(), imgSplitter.top(), imgSplitter.width() / 2, imgSplitter.height() - 20);
    picSplitter.setVisible(true);
    dragging_ = true;
}

void frmJmBachList::imgSplitter_MouseMove(int, int, int x, int) {
    if (!dragging_) return;
    // x is the pointer's place on the grip; the bar follows it in the window.
    picSplitter.setLeft(std::clamp(imgSplitter.left() + x, kDragMargin, std::max(width() - kDragMargin, kDragMargin)));
}

void frmJmBachList::imgSplitter_MouseUp(int, int, int, int) {
    if (!dragging_) return;
    int x = picSplitter.left();
    SizeControls(x);
    picSplitter.setVisible(false);
    dragging_ = false;
}

void frmJmBachList::findWithFilter() {
    const std::string where = frmCommFind::ask();
    if (!where.empty()) CMDfindDataNew(where);
}

void frmJmBachList::selectAllItems(bool on) {
    for (int i = 0; i < LSTsfxm.ListCount(); ++i) LSTsfxm.setSelected(i, on);
}

void frmJmBachList::cmdOK_Click() {
    Picsfxm.setVisible(false);
    if (chkALL.value() != 1) {
        CMDfindDataNew("");
        return;
    }
    if (trimSpaces(cmbYf.text()).empty()) {
        chkALL.setValue(0);
        msgBox("请选择学期！", MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    CMDfindNew();
}

void frmJmBachList::lvw1_ItemClick(ListItem& item) {
    txtWrite.setVisible(false);
    lvwMx.clearItems();
    const int columns = lvw1.columnCountOf();
    if (columns == 0) return;
    ListItem& first = lvwMx.addItem("k0", lvw1.column(1).text);
    first.setSubItem(1, item.text());
    for (int i = 1; i < columns; ++i) {
        ListItem& line = lvwMx.addItem("k" + std::to_string(i), lvw1.column(i + 1).text);
        line.setSubItem(1, item.subItem(i));
    }
    placeEditor(item);
}

bool frmJmBachList::placeEditor(ListItem& item) {
    // A subtotal row and the cross-tab (no reduction column) take no amount.
    if (trimSpaces(item.subItem(5)) == "合计" || lvw1.columnCountOf() < ColReduce) return false;
    int editorLeft = 0;
    for (int i = 1; i < ColReduce; ++i) editorLeft += lvw1.column(i).width;
    txtWrite.move(lvw1.left() + editorLeft + 2, lvw1.top() + item.top() + 2, lvw1.column(ColReduce).width - 5,
                  item.height() - 4);
    txtWrite.setText(item.subItem(7));
    txtWrite.setVisible(true);
    return true;
}

void frmJmBachList::editReduction() {
    ListItem* item = lvw1.selectedItem();
    if (!item || !placeEditor(*item)) return;
    txtWrite.SetFocus();
    txtWrite.setSelStart(0);
    txtWrite.setSelLength(static_cast<int>(utf8::length(txtWrite.text())));
}

void frmJmBachList::lvw1_KeyPress(int& keyAscii) {
    if (keyAscii < 32) return;
    // A character typed on the selected row starts editing its amount with
    // it; while the editor has the focus the clerk types on in it.
    if (!txtWrite.visible() || !txtWrite.hasFocus()) editReduction();
    if (!txtWrite.visible()) return;
    const int typed = keyAscii;
    keyAscii = 0;
    txtWrite.userType(utf8::encode(typed));
}

void frmJmBachList::lvw1_MouseDown(int button, int, int x, int y) {
    if (button == mouse::Right) PopupMenu(menucpy, lvw1.left() + x, lvw1.top() + y);
}

void frmJmBachList::FZXH_Click() {
    if (lvw1.itemCount() == 0 || !lvw1.selectedItem()) return;
    ui().clipboardClear();
    ui().clipboardSetText(trimSpaces(lvw1.selectedItem()->subItem(3)));
}

void frmJmBachList::m_sm_Click() {
    msgBox("【应收明细表】和【欠费明细表】都是用于统计欠费的，【欠费明细表】与收费项目中的请假、假期设置有关，"
           "而【应收明细表】与请假、假期无关，因此【应收明细表】比【欠费明细表】的统计速度要快一些。",
           MsgButtons::OK, MsgIcon::Information, "提示！");
}

}  // namespace fo
