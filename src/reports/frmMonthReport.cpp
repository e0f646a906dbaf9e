#include "reports/frmMonthReport.h"

#include <stdexcept>

#include "db/DbError.h"
#include "reports/ReportMonths.h"
#include "reports/frmArrearsAnalysis.h"
#include "reports/frmCollectionSummary.h"
#include "reports/frmNotices.h"
#include "host/api/ModuleGlobals.h"
#include "ui/FormRegistry.h"
#include "ui/RightsCheck.h"
#include "ui/UiServices.h"
#include "ui/controls/Layout.h"
#include "ui/print/PrintedDocument.h"
#include "ui/lists/mdl1.h"

namespace fo {

frmMonthReport::frmMonthReport() : Form("frmMonthReport") {
    setCaption("月度收费对账表");
    resize(14400, 7200);
    lblFrom.move(120, 150, 1000, 300);
    cmbFrom.move(1150, 120, 1400, 300);
    lblTo.move(2700, 150, 1000, 300);
    cmbTo.move(3730, 120, 1400, 300);
    cmbFrom.setStyle(ComboBox::Style::DropDownList);
    cmbTo.setStyle(ComboBox::Style::DropDownList);
    cmdQuery.move(5300, 90, 1100, 375);
    lvwMonth.move(120, 600, 14100, 5600);
    lblBalance.move(120, 6450, 7000, 300);
    cmdPrint.move(10200, 6400, 1200, 375);
    cmdExport.move(11500, 6400, 1300, 375);
    cmdClose.move(12900, 6400, 1200, 375);
    cmdQuery.Click = [this] { cmdQuery_Click(); };
    cmdPrint.Click = [this] { cmdPrint_Click(); };
    cmdExport.Click = [this] { cmdExport_Click(); };
    cmdClose.Click = [this] { unload(); };
    using namespace layout;
    setLayout(column({row({ctl(lblFrom), ctl(cmbFrom), ctl(lblTo), ctl(cmbTo), ctl(cmdQuery), stretch()}),
                      ctl(lvwMonth),
                      row({ctl(lblBalance), stretch(), ctl(cmdPrint), ctl(cmdExport), ctl(cmdClose)})}));
}

Connection& frmMonthReport::cn() {
    if (!cn_) cn_ = gRun().pGetCN();
    return *cn_;
}

bool frmMonthReport::mayOpen() { return !refusedRight(gRun(), rights::Charging, rights::View); }

void frmMonthReport::Form_Load() {
    reportmonths::offerMonths(cmbFrom, cmbTo, cn());
    cmdQuery_Click();
}

void frmMonthReport::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
}

std::string frmMonthReport::title() const {
    return "月度收费对账表 " + report_.fromMonth + (report_.toMonth == report_.fromMonth ? "" : "至" + report_.toMonth);
}

void frmMonthReport::cmdQuery_Click() {
    try {
        report_ = monthreport::build(cn(), cmbFrom.text(), cmbTo.text());
    } catch (const std::invalid_argument& e) {
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    } catch (const DbError& e) {
        msgBox("读取欠费失败：" + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    RecordsetPtr rs = monthreport::asRecordset(report_);
    lvwMonth.clearItems();
    lvwMonth.clearColumns();
    for (std::size_t c = 0; c < rs->fieldCount(); ++c) {
        const std::string name = rs->fieldInfo(c).name;
        lvwMonth.addColumn("k" + name, name, c < 3 ? 1300 : 1100, c < 3 ? Alignment::Left : Alignment::Right);
    }
    int n = 0;
    for (const monthreport::Row& row : report_.rows) {
        ListItem& item = lvwMonth.addItem("k" + std::to_string(++n), rs->field(std::size_t{0}).toText());
        for (std::size_t c = 1; c < rs->fieldCount(); ++c) item.setSubItem(static_cast<int>(c), rs->field(c).toText());
        if (!row.m.balances()) item.setForeColor(color::Red);
        rs->moveNext();
    }
    lblBalance.setCaption(report_.unbalanced == 0
                              ? "每名学生、每个班级和全校均已对平。"
                              : "有 " + std::to_string(report_.unbalanced) + " 名学生对不上账（红色行），请检查账目。");
}

void frmMonthReport::cmdPrint_Click() {
    RecordsetPtr rs = monthreport::asRecordset(report_);
    PrintedSheet sheet = sheetOf(title(), *rs, 3);
    // The subtotals, the total and a line that does not balance stand out.
    for (std::size_t r = 0; r < report_.rows.size() && r < sheet.emphasised.size(); ++r)
        sheet.emphasised[r] = report_.rows[r].studentNo.empty() || !report_.rows[r].m.balances();
    sheet.notes.push_back(lblBalance.caption());
    printReport(title(), std::move(sheet), monthreport::asText(report_), true);
}

void frmMonthReport::cmdExport_Click() {
    RecordsetPtr rs = monthreport::asRecordset(report_);
    exportSheet(SheetExport{title(), "月度收费对账表" + report_.fromMonth, 0}, *rs);
}

void registerReportWindows(FormRegistry& registry) {
    registry.addWindow<frmMonthReport>("frmMonthReport");
    registry.addWindow<frmCollectionSummary>("frmCollectionSummary");
    registry.addWindow<frmArrearsAnalysis>("frmArrearsAnalysis");
    registry.addWindow<frmNotices>("frmNotices");
}

}  // namespace fo
