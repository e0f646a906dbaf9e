#pragma once
#include <string>

#include "db/Connection.h"
#include "reports/MonthReport.h"
#include "ui/Form.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"

namespace fo {

class FormRegistry;

// The month that balances ("月度收费对账表"): for a month or a run of
// months, per class and student, the arrears at the start, carried over,
// reduced, paid and at the end, class subtotals and the school's total; a
// line that does not balance is shown red and named below the list.
class frmMonthReport : public Form {
public:
    frmMonthReport();

    Label lblFrom{*this, "lblFrom", "起始月份:"};
    ComboBox cmbFrom{*this, "cmbFrom"};
    Label lblTo{*this, "lblTo", "截止月份:"};
    ComboBox cmbTo{*this, "cmbTo"};
    CommandButton cmdQuery{*this, "cmdQuery", "查询"};
    ListView lvwMonth{*this, "lvwMonth"};
    Label lblBalance{*this, "lblBalance", ""};
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
    std::string title() const;

    ConnectionPtr cn_;
    monthreport::Report report_;
};

// The report windows a script, the desktop and the tour open.
void registerReportWindows(FormRegistry& registry);

}  // namespace fo
