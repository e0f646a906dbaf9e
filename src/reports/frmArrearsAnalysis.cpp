#include "reports/frmArrearsAnalysis.h"

#include "db/DbError.h"
#include "host/api/ModuleGlobals.h"
#include "ui/RightsCheck.h"
#include "ui/controls/Layout.h"
#include "ui/lists/mdl1.h"

namespace fo {

frmArrearsAnalysis::frmArrearsAnalysis() : Form("frmArrearsAnalysis") {
    setCaption("欠费分析");
    resize(12600, 7800);
    lvwArrears.move(120, 120, 12300, 3900);
    lblStudents.move(120, 4150, 6000, 300);
    lvwStudents.move(120, 4500, 12300, 2500);
    cmdRefresh.move(8400, 7200, 1200, 375);
    cmdExport.move(9700, 7200, 1300, 375);
    cmdClose.move(11100, 7200, 1200, 375);
    lvwStudents.addColumn("kxh", "学号", 1600);
    lvwStudents.addColumn("kxm", "姓名", 1600);
    lvwStudents.addColumn("kqf", "欠费金额", 1400, Alignment::Right);
    cmdRefresh.Click = [this] { cmdRefresh_Click(); };
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
                      row({stretch(), ctl(cmdRefresh), ctl(cmdExport), ctl(cmdClose)})}));
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
}

void frmArrearsAnalysis::showStudents(const arrearsview::Cell& cell) {
    lvwStudents.clearItems();
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
}

}  // namespace fo
