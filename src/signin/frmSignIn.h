#pragma once
#include <optional>
#include <string>

#include "host/operators/SignIn.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The sign-in window of the fee office: the operator and his password, on
// the database the program opens. When he has no password yet, or must
// choose a new one, the same window asks for it twice before he is in. It
// also serves an operator who wants to change his own password.
class frmSignIn : public Form {
public:
    frmSignIn();

    Label lblDatabase{*this, "lblDatabase"};
    Label lblUser{*this, "lblUser", "操作员："};
    ComboBox cmbUser{*this, "cmbUser"};
    Label lblPassword{*this, "lblPassword", "密码："};
    TextBox txtPassword{*this, "txtPassword"};
    Label lblNew{*this, "lblNew", "新密码："};
    TextBox txtNew{*this, "txtNew"};
    Label lblRepeat{*this, "lblRepeat", "再输一次："};
    TextBox txtRepeat{*this, "txtRepeat"};
    Label lblMessage{*this, "lblMessage"};
    CommandButton cmdOK{*this, "cmdOK", "登录"};
    CommandButton cmdCancel{*this, "cmdCancel", "取消"};

    // Sets the database (its link string and the name the clerk knows it
    // by) and the operator chosen at first; call before showing.
    void prepare(const std::string& linkString, const std::string& databaseName, int operatorId = 0);
    // The same, for `operatorId` to change his own password.
    void prepareChange(const std::string& linkString, const std::string& databaseName, int operatorId);
    // Who signed in (or changed his password) once the window closed;
    // nothing when it was cancelled.
    std::optional<int> signedIn() const { return signedIn_; }

    // Shows the window modally and returns who signed in.
    static std::optional<int> ask(const std::string& linkString, const std::string& databaseName,
                                  int operatorId = 0, const std::string& caption = {});

protected:
    void Form_Load() override;

private:
    void cmdOK_Click();
    void signIn();
    void setPassword();
    // Shows the new-password boxes, with `message` above them.
    void askForNewPassword(const std::string& message);
    void say(const std::string& message);
    int chosenOperator() const;

    std::string linkString_, databaseName_;
    int preselected_ = 0;
    bool changing_ = false, newPassword_ = false;
    std::optional<int> signedIn_;
};

}  // namespace fo
