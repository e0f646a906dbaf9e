#include "fees/frmDayReport.h"

#include "host/api/ModuleGlobals.h"
#include "ui/RightsCheck.h"
#include "ui/UiServices.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/Layout.h"
#include "ui/print/PrintedDocument.h"
#include "ui/lists/mdl1.h"

namespace fo {

frmDayReport::frmDayReport() : Form("frmDayReport") {
    setCaption("收费日报");
    resize(12600, 6600);
    lblDate.move(120, 150, 600, 300);
    DTPday.move(720, 120, 1600, 300);
    lblOperator.move(2500, 150, 800, 300);
    cmbOperator.move(3300, 120, 2000, 300);
    cmbOperator.setStyle(ComboBox::Style::DropDownList);
    cmdQuery.move(5500, 90, 1100, 375);
    lvwDay.move(120, 600, 12300, 5000);
    cmdPrint.move(8400, 5800, 1200, 375);
    cmdExport.move(9700, 5800, 1300, 375);
    cmdClose.move(11100, 5800, 1200, 375);
    cmdQuery.Click = [this] { cmdQuery_Click(); };
    cmdPrint.Click = [this] { cmdPrint_Click(); };
    cmdExport.Click = [this] { cmdExport_Click(); };
    cmdClose.Click = [this] { unload(); };
    using namespace layout;
    setLayout(column({row({ctl(lblDate), ctl(DTPday), ctl(lblOperator), ctl(cmbOperator), ctl(cmdQuery), stretch()}),
                      ctl(lvwDay), row({stretch(), ctl(cmdPrint), ctl(cmdExport), ctl(cmdClose)})}));
}

Connection& frmDayReport::cn() {
    if (!cn_) cn_ = gRun().pGetCN();
    return *cn_;
}

void offerOperators(ComboBox& cmb, Connection& cn) {
    cmb.Clear();
    cmb.AddItem("全部");
    cmb.setItemData(cmb.NewIndex(), 0);
    addComboRows(cmb, cn.execute("select id,name from sys_user order by id"), "name", "id");
    cmb.setListIndex(0);
}

bool frmDayReport::mayOpen() { return !refusedRight(gRun(), rights::Charging, rights::View); }

void frmDayReport::Form_Load() {
    offerOperators(cmbOperator, cn());
    DTPday.setValue(DateTime::today());
    cmdQuery_Click();
}

void frmDayReport::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
}

void frmDayReport::cmdQuery_Click() {
    const int i = cmbOperator.ListIndex();
    const long who = i >= 0 ? cmbOperator.ItemData(i) : 0;
    lines_ = cashday::dayLines(cn(), DTPday.dateText(), who ? std::to_string(who) : std::string());
    RecordsetPtr rs = cashday::asRecordset(lines_);
    lvwDay.clearItems();
    lvwDay.clearColumns();
    for (std::size_t c = 0; c < rs->fieldCount(); ++c) {
        const std::string name = rs->fieldInfo(c).name;
        lvwDay.addColumn("k" + name, name, c < 2 ? 1400 : 1000, c < 2 ? Alignment::Left : Alignment::Right);
    }
    int n = 0;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const bool total = rs->eof() || rs->field(std::size_t{0}).toText() == "合计";
        ListItem& item = lvwDay.addItem(total ? "k0" : "k" + std::to_string(++n), rs->field(std::size_t{0}).toText());
        for (std::size_t c = 1; c < rs->fieldCount(); ++c) item.setSubItem(static_cast<int>(c), rs->field(c).toText());
        if (total) item.setForeColor(color::Red);
    }
}

void frmDayReport::cmdPrint_Click() {
    // The day's sheet for the hand-over at the end of a shift.
    const std::string title = "收费日报-" + DTPday.dateText();
    RecordsetPtr rs = cashday::asRecordset(lines_);
    printReport(title, sheetOf("收费日报 " + DTPday.dateText(), *rs, 2), cashday::asText(DTPday.dateText(), lines_),
                true);
}

void frmDayReport::cmdExport_Click() {
    RecordsetPtr rs = cashday::asRecordset(lines_);
    exportSheet(SheetExport{"收费日报 " + DTPday.dateText(), "收费日报" + DTPday.dateText(), 0}, *rs);
}

}  // namespace fo
