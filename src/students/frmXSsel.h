#pragma once
#include <string>

#include "db/Recordset.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ControlArray.h"
#include "ui/controls/DataGrid.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/Panel.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The student picker ("学生信息"): students in a grid, narrowed as the clerk
// types. The caller sets the search text and an extra condition, shows the
// window modally and reads the pick afterwards.
class frmXSsel : public Form {
public:
    frmXSsel();

    DataGrid DataGrid1{*this, "DataGrid1"};
    Label Label1{*this, "Label1", "输入学号、姓名或简码后按下回车键"};
    TextBox txtFilter{*this, "txtFilter"};
    Frame Frame1{*this, "Frame1", "包括"};
    ControlArray<CheckBox> Check1{*this, "Check1", {0, 1, 2}};
    CommandButton CmdSel{*this, "CmdSel", "选择"};
    CommandButton cmdExit{*this, "cmdExit", "取消"};
    CommandButton Command1{*this, "Command1", "刷新"};

    // --- set by the caller ---
    bool blnPayer = false;     // only students who pay for themselves (付款人代码=学号)
    std::string strFind;       // matched against 学号, 姓名, 简码
    std::string strWhere;      // appended after " and del=0 "

    // --- the pick ---
    bool blnSelected = false;
    std::string xsXm, xsId, xsXh, fqxm, mqxm, sflxid, sflxMc, ysk, fkrdm;

    void initData();

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void txtFilter_Change();
    void CmdSel_Click();
    void setWidth();
    void SaveWidth();
    void hideKeys();

    RecordsetPtr rs_;
};

}  // namespace fo
