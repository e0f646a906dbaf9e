#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "fees/DayReport.h"
#include "ui/Form.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"

namespace fo {

// The operators a report of the day or of months is chosen for: 全部 (item
// data 0) first, then each operator by his id; 全部 selected.
void offerOperators(ComboBox& cmb, Connection& cn);

// The clerk's day ("收费日报"): per operator and receiving account, the
// receipts issued, the voids, the refunds, the prepayments taken and used,
// the totals and what must be in the drawer, for one day; printed and
// exported for the hand-over at the end of a shift.
class frmDayReport : public Form {
public:
    frmDayReport();

    Label lblDate{*this, "lblDate", "日期:"};
    DatePicker DTPday{*this, "DTPday"};
    Label lblOperator{*this, "lblOperator", "操作员:"};
    ComboBox cmbOperator{*this, "cmbOperator"};
    CommandButton cmdQuery{*this, "cmdQuery", "查询"};
    ListView lvwDay{*this, "lvwDay"};
    CommandButton cmdPrint{*this, "cmdPrint", "打印"};
    CommandButton cmdExport{*this, "cmdExport", "导出EXCEL"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    Connection& cn();
    void cmdQuery_Click();
    void cmdPrint_Click();
    void cmdExport_Click();

    ConnectionPtr cn_;
    std::vector<cashday::Line> lines_;
};

}  // namespace fo
