#pragma once
#include <QDialog>
#include <map>
#include <string>

class QCheckBox;
class QLineEdit;

namespace fo::app {

// The host settings the module reads (sys_setting): the check-box settings
// and the receipt's colour text. Shows the stored values; values() gives
// what the clerk chose ("1" / "0" for check boxes).
class HostSettingsDialog final : public QDialog {
public:
    HostSettingsDialog(const std::map<std::string, std::string>& stored, QWidget* parent);
    std::map<std::string, std::string> values() const;

    // The check-box settings with their captions, in the order shown.
    static const std::vector<std::pair<std::string, std::string>>& checkSettings();

private:
    std::map<std::string, QCheckBox*> boxes_;
    QLineEdit* colorContent_;
    QLineEdit* schoolName_;
};

}  // namespace fo::app
