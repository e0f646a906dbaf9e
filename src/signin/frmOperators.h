#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "host/operators/Operators.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The operators of the fee office, for an administrator only: add one,
// rename him, make him an administrator, disable him, give him a new
// password, and choose the student categories he sees and the rights he
// has. These are what the host answers from when the module asks who may
// see which student (userXSLBLIST) and who may press which button (GetQx).
// An operator who has posted anything is never deleted, only disabled.
// Every change is written to the audit log.
class frmOperators : public Form {
public:
    frmOperators();

    ListView lvwUsers{*this, "lvwUsers"};
    Label lblName{*this, "lblName", "姓名："};
    TextBox txtName{*this, "txtName"};
    CheckBox chkAdmin{*this, "chkAdmin", "管理员（全部权限，管理操作员）"};
    CheckBox chkDisabled{*this, "chkDisabled", "停用（不能登录）"};
    Label lblCategories{*this, "lblCategories", "可见的学生类别："};
    ListView lvwCategories{*this, "lvwCategories"};
    Label lblRights{*this, "lblRights", "功能权限："};
    ListView lvwRights{*this, "lvwRights"};
    Label lblLevel{*this, "lblLevel", "所选功能的权限："};
    ComboBox cmbLevel{*this, "cmbLevel"};
    Label lblPassword{*this, "lblPassword", "初始/重设密码："};
    TextBox txtPassword{*this, "txtPassword"};
    CommandButton cmdResetPassword{*this, "cmdResetPassword", "重设密码"};
    CommandButton cmdAdd{*this, "cmdAdd", "新增"};
    CommandButton cmdSave{*this, "cmdSave", "保存"};
    CommandButton cmdDelete{*this, "cmdDelete", "删除"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};

    // The captions of the levels 0..3 in cmbLevel and in the rights list.
    static const std::vector<std::string>& levelCaptions();

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void fillUsers(int selectId);
    void lvwUsers_ItemClick(ListItem& item);
    void showOperator(int id);
    void lvwRights_ItemClick(ListItem& item);
    void cmbLevel_Click();
    void cmdAdd_Click();
    void cmdSave_Click();
    void cmdResetPassword_Click();
    void cmdDelete_Click();
    // Runs `change` in one transaction and reports a refusal or failure;
    // returns whether it was written.
    bool apply(const std::function<void(Operators&)>& change);
    int selectedId() const;
    std::string selectedName() const;

    ConnectionPtr cn_;
    int me_ = 0;
};

}  // namespace fo
