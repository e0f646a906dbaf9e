#pragma once
#include <string>

#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/DatePicker.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/Panel.h"
#include "ui/controls/TextBox.h"
#include "ui/controls/TreeView.h"

namespace fo {

// The student filter dialog ("查询条件"). The clerk states which students to
// list (categories, class, fee type, number, name or short code, birth and
// entry dates, address); the dialog runs no query itself but composes
// "select id from kdw_xs where 1=1" plus one condition per filled field,
// which the caller uses as a sub-query. An empty result means cancelled.
class frmCommFind : public Form {
public:
    frmCommFind();

    Frame Frame1{*this, "Frame1", "学生类别"};
    TreeView TreeView1{*this, "TreeView1"};
    ImageList ImageList1{*this, "ImageList1"};
    Label lblBj{*this, "lblBj", "班级"};
    ComboBox Cmb_bjmc{*this, "Cmb_bjmc"};
    Label lblSflx{*this, "lblSflx", "收费类型"};
    ComboBox CMB_sflx{*this, "CMB_sflx"};
    Label lblXh{*this, "lblXh", "学号"};
    TextBox txtXh{*this, "txtXh"};
    Label lblXm{*this, "lblXm", "姓名"};
    TextBox txtXSxm{*this, "txtXSxm"};
    CheckBox chkXMJM{*this, "chkXMJM", "简码 "};
    Frame fraMatch{*this, "fraMatch"};
    OptionButton OptALL{*this, "OptALL", "全字匹配"};
    OptionButton OptPart{*this, "OptPart", "部分匹配"};
    CheckBox chkCSRQ{*this, "chkCSRQ", "出生日期"};
    DatePicker DTPcsrqFrom{*this, "DTPcsrqFrom"};
    DatePicker DTPcsrqTO{*this, "DTPcsrqTO"};
    CheckBox chkRxrq{*this, "chkRxrq", "入学日期"};
    DatePicker dtpRxrqFrom{*this, "dtpRxrqFrom"};
    DatePicker dtpRxrqTo{*this, "dtpRxrqTo"};
    Label lblJtzz{*this, "lblJtzz", "家庭住址"};
    TextBox txtJtzz{*this, "txtJtzz"};
    CommandButton cmdSure{*this, "cmdSure", "确定"};
    CommandButton cmdExit{*this, "cmdExit", "取消"};

    // The composed statement; empty until 确定 was pressed.
    const std::string& result() const { return result_; }

    // Shows the module-wide dialog modally; returns its result ("" when
    // the clerk cancelled or closed it).
    static std::string ask();

protected:
    void Form_Load() override;

private:
    void Cmb_init();
    void TreeView1_NodeCheck(TreeNode& node);
    void cmdSure_Click();
    void cmdExit_Click();
    std::string dateCondition(const std::string& column, const DatePicker& from, const DatePicker& to) const;

    std::string result_;
};

}  // namespace fo
