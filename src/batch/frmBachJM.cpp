#include "batch/frmBachJM.h"

#include "batch/BatchStatements.h"
#include "batch/frmBachJM_next.h"
#include "data/myDB.h"
#include "host/api/ModuleGlobals.h"
#include "students/frmCommFind.h"
#include "ui/FormInstance.h"
#include "ui/RightsCheck.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// What the list reads of a student that picking him for a reduction does
// not need: his parents, their work and telephones, who fetches him, who
// introduced him, his identity card, when he was registered and last
// charged, his prepayment and an age the statement leaves at 0. The clerk
// picks by who the student is, his class, fee type and categories, and
// what the student filter chose him by (birth, entry date, address).
constexpr const char* kHiddenColumns =
    "年龄,家庭电话,登记时间,父亲姓名,母亲姓名,父亲工作单位,母亲工作单位,父亲工作单位_电话,母亲工作单位_电话,"
    "父亲手机,母亲手机,接送人1,接送人2,接送人3,接送地址,介绍人,介绍人性别,介绍人电话,介绍人地址,上次收费日期,"
    "本次收费日期,预收款,身份证号";

}  // namespace

frmBachJM::frmBachJM() : Form("frmBachJM") {
    setCaption("批量减免");
    resize(9600, 6600);
    lvwXS.move(120, 120, 9120, 5200);
    lvwXS.setCheckboxes(true);
    Command1.move(120, 5500, 1100, 375);
    cmdFullSelect.move(1320, 5500, 1100, 375);
    cmdSelectNo.move(2520, 5500, 1100, 375);
    lblTicked.move(3720, 5560, 1800, 300);
    cmdNext.move(6900, 5500, 1100, 375);
    cmdClose.move(8100, 5500, 1100, 375);

    Command1.Click = [this] { Command1_Click(); };
    cmdFullSelect.Click = [this] { tickAll(true); };
    cmdSelectNo.Click = [this] { tickAll(false); };
    lvwXS.ItemCheck = [this](ListItem&) { showTickedCount(); };
    cmdNext.Click = [] { formInstance<frmBachJM_next>()->showModal(); };
    cmdClose.Click = [this] { unload(); };

    using namespace layout;
    setLayout(column({ctl(lvwXS), row({ctl(Command1), ctl(cmdFullSelect), ctl(cmdSelectNo), ctl(lblTicked), stretch(), ctl(cmdNext),
                                       ctl(cmdClose)})}));
}

bool frmBachJM::mayOpen() { return !refusedRight(gRun(), rights::Batches, rights::View); }

void frmBachJM::Form_Load() {
    lvw_.setLvw(lvwXS);
    lvw_.strFormName = name();
    lvw_.blnFieldKey = true;
    initData(true, "-1", false, "");
}

void frmBachJM::Form_Unload(int&) { lvw_.setColWidth(); }

void frmBachJM::Command1_Click() {
    gMOpen();
    const std::string restriction = frmCommFind::ask();
    if (!restriction.empty()) initData(false, "-1", false, restriction);
    gMclose();
}

void frmBachJM::initData(bool onlyColumns, const std::string& selectId, bool firstTime, const std::string& restriction) {
    lvwXS.setVisible(false);
    gMOpen();
    listSql_ = batch::studentList(gRun().getXSLBlistInSQL("a.lb1"), restriction);
    {
        myDB db;
        RecordsetPtr rs = db.cn()->execute(listSql_);
        if (onlyColumns) {
            lvw_.initColumns(*rs, 0, kHiddenColumns);
        } else {
            if (firstTime) lvw_.initColumns(*rs, 0, kHiddenColumns);
            lvw_.initListKeyIDNoProgress(*rs, lvwXS, selectId);
            // The first cell carries the student's id for the list's key; a clerk
            // reads a running number there.
            for (int i = 1; i <= lvwXS.itemCount(); ++i) lvwXS.item(i).setText(std::to_string(i));
        }
        rs->close();
    }
    gMclose();
    lvwXS.setVisible(true);
    showTickedCount();
}

void frmBachJM::tickAll(bool on) {
    for (int i = 1; i <= lvwXS.itemCount(); ++i) lvwXS.item(i).setChecked(on);
    showTickedCount();
}

void frmBachJM::showTickedCount() {
    int ticked = 0;
    for (int i = 1; i <= lvwXS.itemCount(); ++i) ticked += lvwXS.item(i).checked() ? 1 : 0;
    lblTicked.setCaption("已选 " + std::to_string(ticked) + " 人");
}

std::vector<frmBachJM::Student> frmBachJM::tickedStudents() {
    const int classColumn = lvwXS.columnIndexByText("班级名称"), numberColumn = lvwXS.columnIndexByText("学号"),
              nameColumn = lvwXS.columnIndexByText("姓名");
    std::vector<Student> out;
    for (int i = 1; i <= lvwXS.itemCount(); ++i) {
        const ListItem& item = lvwXS.item(i);
        if (!item.checked()) continue;
        out.push_back({item.key().substr(1), item.cell(classColumn), item.cell(numberColumn), item.cell(nameColumn)});
    }
    return out;
}

}  // namespace fo
