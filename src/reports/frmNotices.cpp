#include "reports/frmNotices.h"

#include <filesystem>
#include <stdexcept>

#include "db/DbError.h"
#include "host/api/ModuleGlobals.h"
#include "ui/RightsCheck.h"
#include "ui/UiServices.h"
#include "ui/controls/Layout.h"
#include "ui/lists/mdl1.h"
#include "ui/print/PrintedDocument.h"

namespace fo {

frmNotices::frmNotices() : Form("frmNotices") {
    setCaption("缴费通知单");
    resize(13200, 7800);
    lblClass.move(120, 150, 600, 300);
    cmbClass.move(720, 120, 2200, 300);
    cmbClass.setStyle(ComboBox::Style::DropDownList);
    lblDeadline.move(3100, 150, 1400, 300);
    DTPdeadline.move(4500, 120, 1600, 300);
    cmdOwing.move(6300, 90, 1600, 375);
    lblLine.move(120, 600, 1000, 300);
    txtLine.move(1150, 570, 11900, 300);
    lvwStudents.move(120, 1000, 5600, 6000);
    lvwStudents.setCheckboxes(true);
    lvwStudents.addColumn("kxh", "学号", 1500);
    lvwStudents.addColumn("kxm", "姓名", 1500);
    lvwStudents.addColumn("kqf", "合计欠费", 1600, Alignment::Right);
    lblPreview.move(5900, 1000, 3000, 300);
    txtPreview.move(5900, 1300, 7150, 5700);
    txtPreview.setMultiLine(true);
    txtPreview.setLocked(true);
    lblCount.move(120, 7250, 6000, 300);
    cmdPrint.move(9000, 7200, 1200, 375);
    cmdPdf.move(10300, 7200, 1300, 375);
    cmdClose.move(11700, 7200, 1200, 375);
    cmbClass.Click = [this] { cmbClass_Click(); };
    cmdOwing.Click = [this] { tickOwing(); };
    lvwStudents.ItemCheck = [this](ListItem&) { showPreview(); };
    DTPdeadline.Change = [this] { showPreview(); };
    txtLine.Change = [this] { showPreview(); };
    cmdPrint.Click = [this] { cmdPrint_Click(); };
    cmdPdf.Click = [this] { cmdPdf_Click(); };
    cmdClose.Click = [this] { unload(); };
    using namespace layout;
    setLayout(column({row({ctl(lblClass), ctl(cmbClass), ctl(lblDeadline), ctl(DTPdeadline), ctl(cmdOwing), stretch()}),
                      row({ctl(lblLine), ctl(txtLine)}),
                      splitter({ctl(lvwStudents), column({ctl(lblPreview), ctl(txtPreview)})}),
                      row({ctl(lblCount), stretch(), ctl(cmdPrint), ctl(cmdPdf), ctl(cmdClose)})}));
}

Connection& frmNotices::cn() {
    if (!cn_) cn_ = gRun().pGetCN();
    return *cn_;
}

bool frmNotices::mayOpen() { return !refusedRight(gRun(), rights::Charging, rights::View); }

void frmNotices::Form_Load() {
    // Two weeks to pay, as the office usually gives.
    DTPdeadline.setValue(DateTime::today().addDays(14));
    try {
        RecordsetPtr line = cn().execute("select value from sys_setting where name='txtNoticeLine'");
        if (!line->eof() && !line->field("value").isNull()) txtLine.setText(line->field("value").toText());
        cmbClass.Clear();
        addComboRows(cmbClass, cn().execute("select id,mc from kdw_bj order by mc"), "mc", "id");
    } catch (const DbError& e) {
        msgBox("读取班级失败：" + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    // Choosing the first class lists its students (Click).
    if (cmbClass.ListCount() > 0) cmbClass.setListIndex(0);
    else cmbClass_Click();
}

void frmNotices::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
}

void frmNotices::cmbClass_Click() {
    lvwStudents.clearItems();
    students_.clear();
    const int i = cmbClass.ListIndex();
    if (i >= 0) {
        try {
            students_ = notices::everyoneInClass(cn(), cmbClass.ItemData(i), DTPdeadline.dateText());
        } catch (const DbError& e) {
            msgBox("读取欠费失败：" + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        }
    }
    int n = 0;
    for (const notices::Notice& s : students_) {
        ListItem& item = lvwStudents.addItem("s" + std::to_string(++n), s.studentNo);
        item.setSubItem(1, s.studentName);
        item.setSubItem(2, s.total.format00());
    }
    tickOwing();
}

void frmNotices::tickOwing() {
    for (std::size_t n = 0; n < students_.size(); ++n)
        lvwStudents.item(static_cast<int>(n) + 1).setChecked(students_[n].total > Currency());
    showPreview();
}

std::vector<notices::Notice> frmNotices::chosen() const {
    std::vector<notices::Notice> out;
    for (std::size_t n = 0; n < students_.size(); ++n) {
        if (!lvwStudents.item(static_cast<int>(n) + 1).checked()) continue;
        notices::Notice notice = students_[n];
        notice.deadline = DTPdeadline.dateText();
        notice.officeLine = txtLine.text();
        out.push_back(std::move(notice));
    }
    return out;
}

void frmNotices::showPreview() {
    const auto notices = chosen();
    Currency total;
    for (const notices::Notice& n : notices) total += n.total;
    txtPreview.setText(notices.empty() ? "请勾选要通知的学生。" : notices::asDocument(notices, title()).text);
    lblCount.setCaption("共 " + std::to_string(notices.size()) + " 份通知单，合计欠费 " + total.format00() + " 元");
}

std::vector<notices::Notice> frmNotices::readChosen() {
    std::vector<std::string> numbers;
    for (const notices::Notice& n : chosen()) numbers.push_back(n.studentNo);
    if (numbers.empty()) {
        msgBox("请勾选要通知的学生。", MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return {};
    }
    std::vector<notices::Notice> read;
    try {
        read = notices::forStudents(cn(), numbers, DTPdeadline.dateText());
    } catch (const std::invalid_argument& e) {
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return {};
    } catch (const DbError& e) {
        msgBox("读取欠费失败：" + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return {};
    }
    for (notices::Notice& n : read) n.officeLine = txtLine.text();
    return read;
}

std::string frmNotices::title() const { return "缴费通知单-" + cmbClass.text(); }

void frmNotices::cmdPrint_Click() {
    const auto notices = readChosen();
    if (notices.empty()) return;
    const std::string target = printDocument(notices::asDocument(notices, title()));
    if (!target.empty())
        msgBox("已打印 " + std::to_string(notices.size()) + " 份通知单到 " + target, MsgButtons::OK,
               MsgIcon::Information, "提示");
}

void frmNotices::cmdPdf_Click() {
    const auto notices = readChosen();
    if (notices.empty()) return;
    const std::string folder = ui().exportFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = freeFilePath(folder, title(), ".pdf");
    if (!writeDocumentPdf(notices::asDocument(notices, title()), path)) return;
    ui().exported(path);
    ui().offerToOpen(path);
}

}  // namespace fo
