#include "setup/frmStudentImport.h"

#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "host/school/RosterFile.h"
#include "host/school/SchoolSetup.h"
#include "setup/SetupWindowSupport.h"
#include "ui/UiServices.h"
#include "ui/controls/Layout.h"
#include "ui/lists/TrimSpaces.h"

namespace fo {

using setupwindow::refuse;

frmStudentImport::frmStudentImport() : Form("frmStudentImport") {
    setCaption("导入学生名单");
    resize(9600, 6600);
    txtFile.setMaxLength(260);
    lvwRows.addColumn("k行", "行", 600);
    lvwRows.addColumn("k学号", "学号", 1300);
    lvwRows.addColumn("k姓名", "姓名", 1300);
    lvwRows.addColumn("k结果", "结果", 4600);
    lblFile.move(120, 150, 1100, 300);
    txtFile.move(1250, 120, 5600, 300);
    cmdBrowse.move(6950, 90, 1000, 375);
    cmdRead.move(8050, 90, 1000, 375);
    lblSummary.move(120, 560, 9000, 300);
    lvwRows.move(120, 900, 9200, 4800);
    cmdImport.move(6900, 5900, 1200, 375);
    cmdClose.move(8200, 5900, 1200, 375);
    cmdClose.setCancel(true);

    txtFile.Change = [this] { forget(); };
    cmdBrowse.Click = [this] { cmdBrowse_Click(); };
    cmdRead.Click = [this] { cmdRead_Click(); };
    cmdImport.Click = [this] { cmdImport_Click(); };
    cmdClose.Click = [this] { unload(); };

    using namespace layout;
    setLayout(column({row({ctl(lblFile), ctl(txtFile), ctl(cmdBrowse), ctl(cmdRead)}), ctl(lblSummary), ctl(lvwRows),
                      row({stretch(), ctl(cmdImport), ctl(cmdClose)})}));
}

void frmStudentImport::Form_Load() {
    added = 0;
    forget();
}

// What was read belongs to the file it was read from.
void frmStudentImport::forget() {
    path_.clear();
    table_.clear();
    plan_ = ImportPlan();
    lvwRows.clearItems();
    lblSummary.setCaption("选择名单文件（.xlsx 或 .csv）后按“预览”，看每一行能否导入。");
    cmdImport.setEnabled(false);
}

void frmStudentImport::cmdBrowse_Click() {
    const std::string chosen = ui().openPath("导入学生名单", "学生名单 (*.xlsx *.csv)");
    if (!chosen.empty()) txtFile.setText(chosen);
}

void frmStudentImport::cmdRead_Click() {
    const std::string path = trimSpaces(txtFile.text());
    forget();
    if (path.empty()) return refuse("请选择名单文件。");
    try {
        table_ = readRosterFile(path);
        ConnectionPtr cn = gRun().pGetCN();
        plan_ = planStudentImport(*cn, table_);
        cn->close();
    } catch (const SetupRefusal& e) {
        table_.clear();
        return refuse(e.what());
    } catch (const std::exception&) {
        table_.clear();
        return refuse("不能读取学生名单“" + path + "”。");
    }
    if (!plan_.refusal.empty()) {
        const std::string why = plan_.refusal;
        forget();
        return refuse(why);
    }
    // The refused rows first: they are what the administrator must mend.
    for (bool refused : {true, false})
        for (const ImportRow& row : plan_.rows)
            if (row.refusal.empty() != refused) {
                ListItem& item = lvwRows.addItem("k" + std::to_string(row.line), std::to_string(row.line));
                item.setSubItem(1, row.student.number);
                item.setSubItem(2, row.student.name);
                item.setSubItem(3, refused ? "不能导入：" + row.refusal : "可以导入");
            }
    path_ = path;
    const std::size_t accepted = plan_.accepted();
    lblSummary.setCaption("名单共 " + std::to_string(plan_.rows.size()) + " 行：可以导入 " + std::to_string(accepted) +
                          " 行，不能导入 " + std::to_string(plan_.rows.size() - accepted) + " 行。");
    cmdImport.setEnabled(accepted > 0);
}

void frmStudentImport::cmdImport_Click() {
    const std::size_t accepted = plan_.accepted();
    if (path_.empty() || accepted == 0 || !post) return refuse("没有可以导入的学生，请先预览名单。");
    if (msgBox("确定从“" + path_ + "”导入可以导入的 " + std::to_string(accepted) + " 名学生吗？", MsgButtons::YesNo,
               MsgIcon::Question, "警告") != MsgAnswer::Yes)
        return;
    std::size_t written = 0;
    if (!post(path_, table_, plan_, written)) return;
    added += written;
    msgBox("已导入 " + std::to_string(written) + " 名学生。", MsgButtons::OK, MsgIcon::Information, "提示");
    // Imported once: a second click must read the file again first.
    forget();
}

}  // namespace fo
