#include "reports/frmCollectionSummary.h"

#include <stdexcept>

#include "db/DbError.h"
#include "fees/frmDayReport.h"
#include "host/api/ModuleGlobals.h"
#include "reports/ReportMonths.h"
#include "ui/RightsCheck.h"
#include "ui/UiServices.h"
#include "ui/controls/Layout.h"
#include "ui/print/PrintedDocument.h"
#include "ui/lists/mdl1.h"

namespace fo {

frmCollectionSummary::frmCollectionSummary() : Form("frmCollectionSummary") {
    setCaption("收费汇总表");
    resize(14400, 7200);
    lblFrom.move(120, 150, 1000, 300);
    cmbFrom.move(1150, 120, 1400, 300);
    lblTo.move(2700, 150, 1000, 300);
    cmbTo.move(3730, 120, 1400, 300);
    lblOperator.move(5300, 150, 800, 300);
    cmbOperator.move(6100, 120, 2000, 300);
    for (ComboBox* c : {&cmbFrom, &cmbTo, &cmbOperator}) c->setStyle(ComboBox::Style::DropDownList);
    cmdQuery.move(8300, 90, 1100, 375);
    lvwSummary.move(120, 600, 14100, 5600);
    cmdPrint.move(10200, 6400, 1200, 375);
    cmdExport.move(11500, 6400, 1300, 375);
    cmdClose.move(12900, 6400, 1200, 375);
    cmdQuery.Click = [this] { cmdQuery_Click(); };
    cmdPrint.Click = [this] { cmdPrint_Click(); };
    cmdExport.Click = [this] { cmdExport_Click(); };
    cmdClose.Click = [this] { unload(); };
    using namespace layout;
    setLayout(column({row({ctl(lblFrom), ctl(cmbFrom), ctl(lblTo), ctl(cmbTo), ctl(lblOperator), ctl(cmbOperator),
                           ctl(cmdQuery), stretch()}),
                      ctl(lvwSummary), row({stretch(), ctl(cmdPrint), ctl(cmdExport), ctl(cmdClose)})}));
}

Connection& frmCollectionSummary::cn() {
    if (!cn_) cn_ = gRun().pGetCN();
    return *cn_;
}

bool frmCollectionSummary::mayOpen() { return !refusedRight(gRun(), rights::Charging, rights::View); }

void frmCollectionSummary::Form_Load() {
    reportmonths::offerMonths(cmbFrom, cmbTo, cn());
    offerOperators(cmbOperator, cn());
    cmdQuery_Click();
}

void frmCollectionSummary::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
}

void frmCollectionSummary::cmdQuery_Click() {
    const int i = cmbOperator.ListIndex();
    const long who = i >= 0 ? cmbOperator.ItemData(i) : 0;
    try {
        const reportmonths::Span span = reportmonths::span(cmbFrom.text(), cmbTo.text());
        lines_ = collection::lines(cn(), span.firstDay, span.endDay, who ? std::to_string(who) : std::string());
        title_ = reportmonths::heading("收费汇总表", span);
    } catch (const std::invalid_argument& e) {
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    } catch (const DbError& e) {
        msgBox("读取收费记录失败：" + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    RecordsetPtr rs = collection::asRecordset(lines_);
    lvwSummary.clearItems();
    lvwSummary.clearColumns();
    for (std::size_t c = 0; c < rs->fieldCount(); ++c) {
        const std::string name = rs->fieldInfo(c).name;
        lvwSummary.addColumn("k" + name, name, c < 4 ? 1300 : 1150, c < 4 ? Alignment::Left : Alignment::Right);
    }
    int n = 0;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const bool total = rs->field(std::size_t{0}).toText() == "合计";
        ListItem& item = lvwSummary.addItem(total ? "k0" : "k" + std::to_string(++n), rs->field(std::size_t{0}).toText());
        for (std::size_t c = 1; c < rs->fieldCount(); ++c) item.setSubItem(static_cast<int>(c), rs->field(c).toText());
        if (total) item.setForeColor(color::Red);
    }
}

void frmCollectionSummary::cmdPrint_Click() {
    RecordsetPtr rs = collection::asRecordset(lines_);
    printReport(title_, sheetOf(title_, *rs, 4), collection::asText(title_, lines_), true);
}

void frmCollectionSummary::cmdExport_Click() {
    RecordsetPtr rs = collection::asRecordset(lines_);
    exportSheet(SheetExport{title_, title_, 0}, *rs);
}

}  // namespace fo
