#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "reports/CollectionSummary.h"
#include "ui/Form.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"

namespace fo {

// The collection summary ("收费汇总表"): for a month or a run of months,
// every operator or one, per month, operator, receiving account and fee
// item, what was charged, voided, reduced, refunded and prepaid, the
// totals last; printed and exported.
class frmCollectionSummary : public Form {
public:
    frmCollectionSummary();

    Label lblFrom{*this, "lblFrom", "起始月份:"};
    ComboBox cmbFrom{*this, "cmbFrom"};
    Label lblTo{*this, "lblTo", "截止月份:"};
    ComboBox cmbTo{*this, "cmbTo"};
    Label lblOperator{*this, "lblOperator", "操作员:"};
    ComboBox cmbOperator{*this, "cmbOperator"};
    CommandButton cmdQuery{*this, "cmdQuery", "查询"};
    ListView lvwSummary{*this, "lvwSummary"};
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
    std::string title_;
    std::vector<collection::Line> lines_;
};

}  // namespace fo
