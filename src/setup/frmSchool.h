#pragma once
#include <functional>
#include <string>

#include "db/Connection.h"
#include "host/school/SchoolSetup.h"
#include "ui/Form.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The school's set-up, for an administrator only: the school year's
// months and terms, the classes, the student-category tree, the fee items
// with their kind, and the charge types with each item's standard amount
// and default days. What is in use is retired (停用), never deleted, and
// the lists leave it out. Every change is one transaction, checked for the
// administrator's right inside it, and written to the audit log.
class frmSchool : public Form {
public:
    frmSchool();

    // 校历
    Label lblYear{*this, "lblYear", "学年起始年份："};
    TextBox txtYear{*this, "txtYear"};
    CommandButton cmdAddYear{*this, "cmdAddYear", "建立学年"};
    ListView lvwMonths{*this, "lvwMonths"};
    Label lblMonthFrom{*this, "lblMonthFrom", "起止日期："};
    TextBox txtMonthFrom{*this, "txtMonthFrom"};
    TextBox txtMonthTo{*this, "txtMonthTo"};
    CommandButton cmdSaveMonth{*this, "cmdSaveMonth", "修改日期"};
    // 班级
    ListView lvwClasses{*this, "lvwClasses"};
    Label lblClass{*this, "lblClass", "班级名称："};
    TextBox txtClass{*this, "txtClass"};
    CommandButton cmdAddClass{*this, "cmdAddClass", "新增"};
    CommandButton cmdRenameClass{*this, "cmdRenameClass", "改名"};
    CommandButton cmdRetireClass{*this, "cmdRetireClass", "停用"};
    // 学生类别
    ListView lvwCategories{*this, "lvwCategories"};
    Label lblCategory{*this, "lblCategory", "类别名称："};
    TextBox txtCategory{*this, "txtCategory"};
    CommandButton cmdAddCategory{*this, "cmdAddCategory", "新增一级"};
    CommandButton cmdAddSubCategory{*this, "cmdAddSubCategory", "新增下级"};
    CommandButton cmdRetireCategory{*this, "cmdRetireCategory", "停用"};
    // 收费项目
    ListView lvwItems{*this, "lvwItems"};
    Label lblItem{*this, "lblItem", "项目名称："};
    TextBox txtItem{*this, "txtItem"};
    ComboBox cmbKind{*this, "cmbKind"};
    CheckBox chkPerDay{*this, "chkPerDay", "按天计收"};
    CheckBox chkInArrears{*this, "chkInArrears", "未交计入欠费"};
    CommandButton cmdAddItem{*this, "cmdAddItem", "新增"};
    CommandButton cmdSaveItem{*this, "cmdSaveItem", "保存"};
    CommandButton cmdRetireItem{*this, "cmdRetireItem", "停用"};
    // 收费类型
    ListView lvwTypes{*this, "lvwTypes"};
    Label lblType{*this, "lblType", "类型名称："};
    TextBox txtType{*this, "txtType"};
    CommandButton cmdAddType{*this, "cmdAddType", "新增"};
    CommandButton cmdRetireType{*this, "cmdRetireType", "停用"};
    ListView lvwLines{*this, "lvwLines"};
    Label lblAmount{*this, "lblAmount", "标准金额："};
    TextBox txtAmount{*this, "txtAmount"};
    Label lblDays{*this, "lblDays", "默认天数："};
    TextBox txtDays{*this, "txtDays"};
    CommandButton cmdSaveLine{*this, "cmdSaveLine", "保存金额"};

    CommandButton cmdClose{*this, "cmdClose", "关闭"};

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void fillAll();
    void fillMonths();
    void fillTypeLines();
    void lvwItems_ItemClick(ListItem& item);
    void cmdAddYear_Click();
    void cmdSaveMonth_Click();
    void cmdAddCategory_Click(bool under);
    void cmdSaveItem_Click(bool adding);
    void cmdSaveLine_Click();
    // Runs `change` in one transaction after checking, inside it, that the
    // operator is still an administrator; reports a refusal or a failure,
    // and on success writes `operation` on `subject` to the audit log and
    // fills the lists again. Returns whether it was written.
    bool apply(const std::string& operation, const std::string& subject,
               const std::function<void(SchoolSetup&)>& change);

    ConnectionPtr cn_;
    int me_ = 0;
};

}  // namespace fo
