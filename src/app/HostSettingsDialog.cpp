#include "app/HostSettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/GuiSupport.h"

namespace fo::app {

const std::vector<std::pair<std::string, std::string>>& HostSettingsDialog::checkSettings() {
    static const std::vector<std::pair<std::string, std::string>> s = {
        {"chkPrintSKR", "打印收款人"},
        {"chkNotLimitJZ", "减免不限于当前月份（按欠费月份记账）"},
        {"chkMrcqts", "按默认出勤天数计算"},
        {"chkXMzhekou", "显示项目折扣"},
        {"chkAutoInputTerm", "自动填写费用所属期"},
    };
    return s;
}

HostSettingsDialog::HostSettingsDialog(const std::map<std::string, std::string>& stored, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("HostSettingsDialog"));
    setWindowTitle(QStringLiteral("系统设置"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("收费与减免"), this);
    auto* form = new QVBoxLayout(group);
    auto valueOf = [&](const std::string& key) {
        auto it = stored.find(key);
        return it == stored.end() ? std::string() : it->second;
    };
    for (const auto& [key, caption] : checkSettings()) {
        auto* box = new QCheckBox(qs(caption), group);
        box->setObjectName(qs(key));
        box->setChecked(valueOf(key) == "1");
        boxes_[key] = box;
        form->addWidget(box);
    }
    layout->addWidget(group);
    auto* receipt = new QFormLayout;
    schoolName_ = new QLineEdit(qs(valueOf("txtSchoolName")), this);
    schoolName_->setObjectName(QStringLiteral("txtSchoolName"));
    receipt->addRow(QStringLiteral("学校名称："), schoolName_);
    colorContent_ = new QLineEdit(qs(valueOf("txtColorContent")), this);
    colorContent_->setObjectName(QStringLiteral("txtColorContent"));
    receipt->addRow(QStringLiteral("收据附注："), colorContent_);
    layout->addLayout(receipt);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::map<std::string, std::string> HostSettingsDialog::values() const {
    std::map<std::string, std::string> v;
    for (const auto& [key, box] : boxes_) v[key] = std::string(1, box->isChecked() ? '1' : '0');
    v["txtColorContent"] = colorContent_->text().toStdString();
    v["txtSchoolName"] = schoolName_->text().trimmed().toStdString();
    return v;
}

}  // namespace fo::app
