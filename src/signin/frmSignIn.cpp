#include "signin/frmSignIn.h"

#include "db/DbError.h"
#include "ui/FormInstance.h"
#include "ui/controls/KeyCodes.h"

namespace fo {
namespace {

// What the clerk reads when the database itself fails: its own Chinese
// description, never an engine's English.
std::string failure(const std::exception& e) {
    if (const auto* db = dynamic_cast<const DbError*>(&e)) return "不能登录：" + db->description();
    return "不能登录：读写数据库时出错。";
}

}  // namespace

frmSignIn::frmSignIn() : Form("frmSignIn") {
    setCaption("操作员登录");
    resize(5400, 4200);
    lblDatabase.move(240, 180, 4800, 300);
    lblUser.move(240, 660, 1100, 300);
    cmbUser.move(1400, 630, 3600, 300);
    cmbUser.setStyle(ComboBox::Style::DropDownList);
    lblPassword.move(240, 1080, 1100, 300);
    txtPassword.move(1400, 1050, 3600, 300);
    lblNew.move(240, 1500, 1100, 300);
    txtNew.move(1400, 1470, 3600, 300);
    lblRepeat.move(240, 1920, 1100, 300);
    txtRepeat.move(1400, 1890, 3600, 300);
    lblMessage.move(240, 2340, 4800, 600);
    lblMessage.setForeColor(color::Red);
    cmdOK.move(2400, 3060, 1200, 375);
    cmdCancel.move(3800, 3060, 1200, 375);
    for (TextBox* box : {&txtPassword, &txtNew, &txtRepeat}) {
        box->setPasswordChar("*");
        box->setMaxLength(128);
    }
    cmdOK.setDefault(true);
    cmdCancel.setCancel(true);

    cmdOK.Click = [this] { cmdOK_Click(); };
    cmdCancel.Click = [this] { unload(); };

    using namespace layout;
    // The captions in one column, the boxes beside them lined up.
    setLayout(column({ctl(lblDatabase),
                      grid({row({ctl(lblUser), ctl(cmbUser)}), row({ctl(lblPassword), ctl(txtPassword)}),
                            row({ctl(lblNew), ctl(txtNew)}), row({ctl(lblRepeat), ctl(txtRepeat)})}),
                      ctl(lblMessage), stretch(), row({stretch(), ctl(cmdOK), ctl(cmdCancel)})}));
}

void frmSignIn::prepare(const std::string& linkString, const std::string& databaseName, int operatorId) {
    linkString_ = linkString;
    databaseName_ = databaseName;
    preselected_ = operatorId;
    changing_ = false;
}

void frmSignIn::prepareChange(const std::string& linkString, const std::string& databaseName, int operatorId) {
    prepare(linkString, databaseName, operatorId);
    changing_ = true;
}

std::optional<int> frmSignIn::ask(const std::string& linkString, const std::string& databaseName, int operatorId,
                                  const std::string& caption) {
    auto window = formInstance<frmSignIn>();
    window->prepare(linkString, databaseName, operatorId);
    if (!caption.empty()) window->setCaption(caption);
    window->showModal();
    return window->signedIn();
}

void frmSignIn::Form_Load() {
    signedIn_.reset();
    newPassword_ = false;
    lblDatabase.setCaption("数据库：" + databaseName_);
    for (Control* c : std::initializer_list<Control*>{&lblNew, &txtNew, &lblRepeat, &txtRepeat}) c->setVisible(false);
    cmbUser.Clear();
    try {
        for (const Operator& op : SignIn(linkString_, databaseName_).operatorsToChoose()) {
            if (changing_ && op.id != preselected_) continue;
            cmbUser.AddItem(op.name);
            cmbUser.setItemData(cmbUser.NewIndex(), op.id);
            if (op.id == preselected_) cmbUser.setListIndex(cmbUser.NewIndex());
        }
    } catch (const std::exception& e) {
        say(failure(e));
        cmdOK.setEnabled(false);
        return;
    }
    if (cmbUser.ListIndex() < 0 && cmbUser.ListCount() > 0) cmbUser.setListIndex(0);
    if (changing_) {
        setCaption("修改密码");
        lblPassword.setCaption("原密码：");
        cmbUser.setEnabled(false);
        askForNewPassword({});
    }
    txtPassword.SetFocus();
}

int frmSignIn::chosenOperator() const {
    return cmbUser.ListIndex() < 0 ? 0 : static_cast<int>(cmbUser.ItemData(cmbUser.ListIndex()));
}

void frmSignIn::say(const std::string& message) { lblMessage.setCaption(message); }

void frmSignIn::cmdOK_Click() {
    if (chosenOperator() == 0) {
        say("请选择操作员。");
        return;
    }
    try {
        if (newPassword_) setPassword();
        else signIn();
    } catch (const std::exception& e) {
        say(failure(e));
    }
}

void frmSignIn::signIn() {
    const SignInResult result = SignIn(linkString_, databaseName_).attempt(chosenOperator(), txtPassword.text());
    switch (result.status) {
    case SignInStatus::SignedIn:
        signedIn_ = result.op.id;
        unload();
        return;
    case SignInStatus::NeedsNewPassword:
        askForNewPassword(result.message);
        return;
    default:
        txtPassword.setText({});
        txtPassword.SetFocus();
        say(result.message);
    }
}

void frmSignIn::askForNewPassword(const std::string& message) {
    newPassword_ = true;
    cmbUser.setEnabled(false);
    txtPassword.setLocked(!changing_);
    for (Control* c : std::initializer_list<Control*>{&lblNew, &txtNew, &lblRepeat, &txtRepeat}) c->setVisible(true);
    cmdOK.setCaption("确定");
    say(message.empty() ? std::string() : message + "（至少 " + std::to_string(SignIn::MinPasswordLength) + " 个字符）");
    if (!changing_) txtNew.SetFocus();
}

void frmSignIn::setPassword() {
    const std::string why =
        SignIn(linkString_, databaseName_).setNewPassword(chosenOperator(), txtPassword.text(), txtNew.text(), txtRepeat.text());
    if (!why.empty()) {
        txtNew.setText({});
        txtRepeat.setText({});
        txtNew.SetFocus();
        say(why);
        return;
    }
    signedIn_ = chosenOperator();
    unload();
}

}  // namespace fo
