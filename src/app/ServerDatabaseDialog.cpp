#include "app/ServerDatabaseDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/GuiSupport.h"

namespace fo::app {
namespace {
std::string trimmed(const QLineEdit* e) { return e->text().trimmed().toStdString(); }
}  // namespace

ServerDatabaseDialog::ServerDatabaseDialog(const PgLinkParts& initial, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ServerDatabaseDialog"));
    setWindowTitle(QStringLiteral("打开服务器数据库"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    host_ = new QLineEdit(qs(initial.host), this);
    host_->setPlaceholderText(QStringLiteral("服务器名称或地址，如 192.168.1.10"));
    port_ = new QLineEdit(qs(initial.port.empty() ? std::string("5432") : initial.port), this);
    port_->setValidator(new QIntValidator(1, 65535, port_));
    database_ = new QLineEdit(qs(initial.database), this);
    user_ = new QLineEdit(qs(initial.user), this);
    form->addRow(QStringLiteral("服务器："), host_);
    form->addRow(QStringLiteral("端口："), port_);
    form->addRow(QStringLiteral("数据库："), database_);
    form->addRow(QStringLiteral("用户名："), user_);
    layout->addLayout(form);
    auto* note = new QLabel(QStringLiteral("密码不在此处输入，也不会被保存：请由管理员写入本机用户的 ~/.pgpass 文件。"), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("打开"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (!database_->text().trimmed().isEmpty()) accept();
        else database_->setFocus();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::string ServerDatabaseDialog::link() const {
    return pgProviderString(PgLinkParts{trimmed(host_), trimmed(port_), trimmed(database_), trimmed(user_)});
}

}  // namespace fo::app
