#include "app/OfficeSession.h"

#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/Commands.h"
#include "host/operators/SignIn.h"
#include "qt/ArrearsCharts.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"

namespace fo::app {

OfficeSession::OfficeSession(const std::string& databasePath, int dialect, int operatorId)
    : host_(std::make_shared<ReferenceHost>(databasePath, dialect, operatorId)),
      dialect_(dialect),
      operatorId_(operatorId) {
    host_->installInModuleGlobals();
    settings_ = host_->loadSettings();
    bill_.set_gRun(host_);
    bill_.set_SetgColSysCS(settings_);
    bill_.set_objYfAndTerm(host_->pFindJzDate());
    registerModuleWindows(formRegistry(), bill_);
    // The charts are drawn by Qt itself, so only the desktop and the tour have them.
    formRegistry().addEntry("ArrearsCharts", [] { qt::showArrearsCharts(); });
}

OfficeSession::~OfficeSession() {
    // The windows hold connections to this database: let them go first.
    try {
        FormInstances::releaseAll();
    } catch (...) {
    }
    try {
        SignIn(host_->gLinkString(), host_->databasePath()).signedOut(operatorId_);
    } catch (...) {
    }
}

bool OfficeSession::isAdministrator() const {
    ConnectionPtr cn = host_->pGetCN();
    const auto op = Operators(*cn).find(operatorId_);
    return op && op->admin;
}

std::string OfficeSession::refusal(const std::string& name) const {
    if (name == "frmOperators") return isAdministrator() ? std::string() : "只有管理员可以管理操作员。";
    if (name == "frmSchool" || name == "frmStudents")
        return isAdministrator() ? std::string() : "只有管理员可以设置学校和学生档案。";
    // The right each of the main window's duties asks for, and its least level.
    static const std::map<std::string, std::pair<std::string, int>> rights = {
        {"ShowPJinfo", {rights::Register, rights::View}}, {"ShowJMJL", {rights::Reductions, rights::View}},
        {"ShowBachJm", {rights::Batches, rights::View}},  {"frmBachJM", {rights::Batches, rights::View}},
        {"frmSF", {rights::Charging, rights::View}},       {"frmDayReport", {rights::Charging, rights::View}},
        {"frmMonthReport", {rights::Charging, rights::View}},  {"frmCollectionSummary", {rights::Charging, rights::View}},
        {"frmArrearsAnalysis", {rights::Charging, rights::View}},  {"ArrearsCharts", {rights::Charging, rights::View}},
        {"frmNotices", {rights::Charging, rights::View}},
        {"YMJZ", {rights::MonthEnd, rights::Full}},
    };
    const auto found = rights.find(name);
    if (found == rights.end()) return {};
    const auto& [code, least] = found->second;
    return rights::refusal(*host_, code, least);
}

void OfficeSession::reloadSettings() {
    settings_ = host_->loadSettings();
    bill_.set_SetgColSysCS(settings_);
}

std::string OfficeSession::setting(const std::string& name) const { return settings_->value(name).toText(); }

std::string demoDatabasePath() {
    namespace fs = std::filesystem;
    fs::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) base = data;
    else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".local" / "share";
    else base = fs::current_path();
    return (base / "feeoffice" / "demo.db").string();
}

}  // namespace fo::app
