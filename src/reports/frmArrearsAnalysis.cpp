#include "reports/frmArrearsAnalysis.h"

#include "db/DbError.h"
#include "host/api/ModuleGlobals.h"
#include "ui/RightsCheck.h"
#include "ui/controls/Layout.h"
#include "ui/print/PrintedDocument.h"
#include "ui/FormInstance.h"
#include "reduction/frmjmjlNew.h"
#include "ui/lists/mdl1.h"

namespace fo {

frmArrearsAnalysis::frmArrearsAnalysis() : Form("frmArrearsAnalysis") {
    setCaption("欠费分析");
    resize(12600, 7800);
    lvwArrears.move(120, 120, 12300, 3900);
    lblStudents.move(120, 4150, 6000, 300);
    lvwStudents.move(120, 4500, 12300, 2500);
    cmdReduce.move(5800, 7200, 1300, 375);
    cmdPrint.move(7150, 7200, 1200, 375);
    cmdRefresh.move(8400, 7200, 1200, 375);
    cmdExport.move(9700, 7200, 1300, 375);
    cmdClose.move(11100, 7200, 1200, 375);
    lvwStudents.addColumn("kxh", "学号", 1600);
    lvwStudents.addColumn("kxm", "姓名", 1600);
    lvwStudents.addColumn("kqf", "欠费金额", 1400, Alignment::Right);
    cmdRefresh.Click = [this] { cmdRefresh_Click(); };
    cmdPrint.Click = [this] { cmdPrint_Click(); };
    cmdReduce.Click = [this] { cmdReduce_Click(); };
    lvwStudents.DblClick = [this] { cmdReduce_Click(); };
    cmdReduce.setEnabled(false);
    lvwStudents.ItemClick = [this](ListItem&) { cmdReduce.setEnabled(true); };
    cmdExport.Click = [this] {
        RecordsetPtr rs = arrearsview::asRecordset(cells_);
        exportSheet(SheetExport{"欠费分析", "欠费分析", 0}, *rs);
    };
    cmdClose.Click = [this] { unload(); };
    lvwArrears.ItemClick = [this](ListItem& item) {
        const std::string key = item.key();
        const std::size_t at = key.size() > 1 ? std::stoul(key.substr(1)) : 0;
        if (at >= 1 && at <= cells_.size()) showStudents(cells_[at - 1]);
    };
    using namespace layout;
    setLayout(column({ctl(lvwArrears), ctl(lblStudents), ctl(lvwStudents),
                      row({ctl(cmdReduce), stretch(), ctl(cmdPrint), ctl(cmdRefresh), ctl(cmdExport), ctl(cmdClose)})}));
}

Connection& frmArrearsAnalysis::cn() {
    if (!cn_) cn_ = gRun().pGetCN();
    return *cn_;
}

bool frmArrearsAnalysis::mayOpen() { return !refusedRight(gRun(), rights::Charging, rights::View); }

void frmArrearsAnalysis::Form_Load() { cmdRefresh_Click(); }

void frmArrearsAnalysis::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
}

void frmArrearsAnalysis::cmdRefresh_Click() {
    try {
        cells_ = arrearsview::cells(cn());
    } catch (const DbError& e) {
        msgBox("读取欠费失败：" + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    RecordsetPtr rs = arrearsview::asRecordset(cells_);
    lvwArrears.clearItems();
    lvwArrears.clearColumns();
    for (std::size_t c = 0; c < rs->fieldCount(); ++c) {
        const std::string name = rs->fieldInfo(c).name;
        lvwArrears.addColumn("k" + name, name, c < 3 ? 1800 : 1400, c < 3 ? Alignment::Left : Alignment::Right);
    }
    // Keys "k1".. follow cells_; the total is "k0".
    std::size_t n = 0;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const bool total = n == cells_.size();
        ListItem& item = lvwArrears.addItem("k" + std::to_string(total ? 0 : ++n), rs->field(std::size_t{0}).toText());
        for (std::size_t c = 1; c < rs->fieldCount(); ++c) item.setSubItem(static_cast<int>(c), rs->field(c).toText());
        if (total) item.setForeColor(color::Red);
    }
    lvwStudents.clearItems();
    owing_.clear();
    cmdReduce.setEnabled(false);
}

void frmArrearsAnalysis::showStudents(const arrearsview::Cell& cell) {
    lvwStudents.clearItems();
    owing_.clear();
    cmdReduce.setEnabled(false);
    std::vector<arrearsview::Owing> owing;
    try {
        owing = arrearsview::studentsBehind(cn(), cell.classId, cell.period);
    } catch (const DbError& e) {
        msgBox("读取欠费失败：" + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    int n = 0;
    for (const arrearsview::Owing& o : owing) {
        ListItem& item = lvwStudents.addItem("s" + std::to_string(++n), o.studentNo);
        item.setSubItem(1, o.studentName);
        item.setSubItem(2, o.owed.format00());
    }
    lblStudents.setCaption(cell.className + " " + cell.period + " 欠费学生 " + std::to_string(owing.size()) + " 名");
    owing_ = std::move(owing);
}

void frmArrearsAnalysis::cmdReduce_Click() {
    // Keys "s1".. follow owing_.
    const ListItem* item = lvwStudents.selectedItem();
    const std::string key = item ? item->key() : std::string();
    const std::size_t at = key.size() > 1 ? std::stoul(key.substr(1)) : 0;
    if (at < 1 || at > owing_.size()) return;
    showStudentArrears(owing_[at - 1].studentId);
}

void frmArrearsAnalysis::cmdPrint_Click() {
    RecordsetPtr rs = arrearsview::asRecordset(cells_);
    PrintedSheet sheet = sheetOf("欠费分析", *rs, 3);
    if (!owing_.empty()) {
        sheet.notes.push_back(lblStudents.caption() + "：");
        for (const arrearsview::Owing& o : owing_)
            sheet.notes.push_back(o.studentNo + "  " + o.studentName + "  " + o.owed.format00());
    }
    printReport("欠费分析", std::move(sheet), arrearsview::asText(cells_), false);
}

void showStudentArrears(long studentId) {
    auto window = formInstance<frmjmjlNew>();
    window->openOnStudent = std::to_string(studentId);
    window->showModal();
}

}  // namespace fo
