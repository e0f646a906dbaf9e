#pragma once
#include <functional>
#include <string>

#include "db/Connection.h"
#include "host/school/StudentRoster.h"
#include "ui/Form.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The students, for an administrator only: add one, edit his details
// (the short code comes from his name's initials and may be changed),
// his per-item discounts and status, move him to another class or charge
// type as of a day, and retire one entered by mistake. Every change is one
// transaction, checked for the right inside it, and audited. A roster
// spreadsheet is imported after the clerk has seen what becomes of each
// row; the export writes what an import reads back.
class frmStudents : public Form {
public:
    frmStudents();

    CheckBox chkGone{*this, "chkGone", "包括退学、毕业"};
    ListView lvwStudents{*this, "lvwStudents"};
    Label lblNumber{*this, "lblNumber", "学号："};
    TextBox txtNumber{*this, "txtNumber"};
    Label lblName{*this, "lblName", "姓名："};
    TextBox txtName{*this, "txtName"};
    Label lblCode{*this, "lblCode", "简码："};
    TextBox txtCode{*this, "txtCode"};
    Label lblSex{*this, "lblSex", "性别："};
    ComboBox cmbSex{*this, "cmbSex"};
    Label lblBirth{*this, "lblBirth", "出生日期："};
    TextBox txtBirth{*this, "txtBirth"};
    Label lblEntry{*this, "lblEntry", "入园日期："};
    TextBox txtEntry{*this, "txtEntry"};
    Label lblClass{*this, "lblClass", "班级："};
    ComboBox cmbClass{*this, "cmbClass"};
    Label lblType{*this, "lblType", "收费类型："};
    ComboBox cmbType{*this, "cmbType"};
    Label lblCategory{*this, "lblCategory", "学生类别："};
    ComboBox cmbCategory{*this, "cmbCategory"};
    Label lblStatus{*this, "lblStatus", "状态："};
    ComboBox cmbStatus{*this, "cmbStatus"};
    Label lblFather{*this, "lblFather", "父亲/电话："};
    TextBox txtFather{*this, "txtFather"};
    TextBox txtFatherPhone{*this, "txtFatherPhone"};
    Label lblMother{*this, "lblMother", "母亲/电话："};
    TextBox txtMother{*this, "txtMother"};
    TextBox txtMotherPhone{*this, "txtMotherPhone"};
    Label lblDiscounts{*this, "lblDiscounts", "项目折扣（%，100 为不打折）："};
    ListView lvwDiscounts{*this, "lvwDiscounts"};
    TextBox txtDiscount{*this, "txtDiscount"};
    CommandButton cmdDiscount{*this, "cmdDiscount", "设折扣"};
    Label lblMoveDate{*this, "lblMoveDate", "调动日期："};
    TextBox txtMoveDate{*this, "txtMoveDate"};
    CommandButton cmdMove{*this, "cmdMove", "调班/改类型"};
    ListView lvwMoves{*this, "lvwMoves"};
    CommandButton cmdNew{*this, "cmdNew", "清空"};
    CommandButton cmdAdd{*this, "cmdAdd", "新增"};
    CommandButton cmdSave{*this, "cmdSave", "保存"};
    CommandButton cmdRetire{*this, "cmdRetire", "停用"};
    CommandButton cmdImport{*this, "cmdImport", "导入…"};
    CommandButton cmdExport{*this, "cmdExport", "导出"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void fillLists();
    void fillStudents(int selectId);
    void showStudent(int id);
    void clearFields();
    Student typedStudent() const;
    void cmdAdd_Click();
    void cmdSave_Click();
    void cmdMove_Click();
    void cmdRetire_Click();
    void cmdDiscount_Click();
    void cmdImport_Click();
    void cmdExport_Click();
    bool apply(const std::string& operation, const std::string& subject,
               const std::function<void(StudentRoster&, Connection&)>& change);
    int selectedId() const;

    ConnectionPtr cn_;
    int me_ = 0;
};

}  // namespace fo
