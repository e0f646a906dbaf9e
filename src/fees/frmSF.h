#pragma once
#include <map>
#include <string>

#include "db/Connection.h"
#include "fees/ChargePosting.h"
#include "ui/Form.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/TextBox.h"

namespace fo {

class FormRegistry;

// The fee window ("收费"): find a student as the reduction window does, see
// what he owes (his open stored arrears by period and item, and the open
// month's dues by the host's rules: standard amount, per-day items by days,
// his discount, less what was paid or reduced; term, year and one-off items
// of their periods), tick what he pays now, all of a line or part of it,
// use his prepayment balance (划扣) and take the rest in cash or to another
// receiving account; what is taken beyond what he owes becomes new
// prepayment, and the change due is shown. A deposit of prepayment on its
// own and a refund of it are the same window's work. Every posting is
// previewed on request, re-checked in its transaction and printed.
class frmSF : public Form {
public:
    frmSF();

    Label lblFind{*this, "lblFind", "学号/姓名/简码:"};
    TextBox txtFind{*this, "txtFind"};
    CommandButton cmdSel{*this, "cmdSel", "..."};
    Label lblStudent{*this, "lblStudent"};
    Label lblBalanceCaption{*this, "lblBalanceCaption", "预收款余额:"};
    Label lblBalance{*this, "lblBalance"};

    OptionButton optCharge{*this, "optCharge", "收费"};
    OptionButton optDeposit{*this, "optDeposit", "预收款"};
    OptionButton optRefund{*this, "optRefund", "退预收款"};
    Label lblDepositItem{*this, "lblDepositItem", "预收项目:"};
    ComboBox cmbDepositItem{*this, "cmbDepositItem"};

    Label lblDue{*this, "lblDue", "应收费用（勾选本次收取的项目）:"};
    ListView lvwDue{*this, "lvwDue"};
    Label lblPay{*this, "lblPay", "所选项目本次收:"};
    TextBox txtPay{*this, "txtPay"};
    Label lblDays{*this, "lblDays", "所选项目天数:"};
    TextBox txtDays{*this, "txtDays"};

    Label lblTotalCaption{*this, "lblTotalCaption", "本次应收:"};
    Label lblTotal{*this, "lblTotal"};
    Label lblHk{*this, "lblHk", "划扣预收款:"};
    TextBox txtHk{*this, "txtHk"};
    Label lblAccount{*this, "lblAccount", "收款账户:"};
    ComboBox cmbAccount{*this, "cmbAccount"};
    Label lblCash{*this, "lblCash", "实收金额:"};
    TextBox txtCash{*this, "txtCash"};
    Label lblPrepayCaption{*this, "lblPrepayCaption", "转预收款:"};
    Label lblPrepay{*this, "lblPrepay"};
    Label lblTendered{*this, "lblTendered", "客户付款:"};
    TextBox txtTendered{*this, "txtTendered"};
    Label lblChangeCaption{*this, "lblChangeCaption", "找零:"};
    Label lblChange{*this, "lblChange"};
    Label lblRemark{*this, "lblRemark", "备注:"};
    TextBox txtRemark{*this, "txtRemark"};

    CommandButton cmdPreview{*this, "cmdPreview", "预览"};
    CommandButton cmdOK{*this, "cmdOK", "确定收费"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};

    // The order as the window holds it now (what a posting would post).
    charge::Order order() const;
    // The document number and receipt of the last posting ("" before one).
    const std::string& lastDjbh() const { return lastDjbh_; }

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    Connection& cn();
    void findStudent(const std::string& xsId);
    void showStudent(const std::string& xsId);
    void fillDue();
    void clearStudent();
    void kindChanged();
    void recompute();
    void cashFollowsLines();
    void lvwDue_ItemCheck(ListItem& item);
    void lvwDue_ItemClick(ListItem& item);
    void txtPay_Change();
    void txtDays_Change();
    void cmdSel_Click();
    void cmdPreview_Click();
    void cmdOK_Click();
    void printReceipt(const charge::Posted& posted);
    void declareLayout();

    ConnectionPtr cn_;
    std::string xsid_;
    Currency balance_;
    std::map<std::string, charge::Line> lines_;  // by list key
    std::string lastDjbh_;
    bool filling_ = false;
    // The plan the clerk last previewed, while nothing in the window changed
    // since: the posting then writes exactly that, or refuses.
    plan::Plan previewed_;
    bool previewShown_ = false;
};

// Adds the fee windows to the registry (drive, the desktop, the tour).
void registerFeeWindows(FormRegistry& registry);

}  // namespace fo
