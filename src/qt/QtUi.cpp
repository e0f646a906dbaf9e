#include "qt/QtUi.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QUrl>
#include <filesystem>

#include "qt/FormView.h"
#include "qt/QtBillPrinter.h"
#include "qt/QtReportPrinter.h"
#include "ui/Form.h"

namespace fo::qt {

bool hasDesktop() {
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

std::string defaultPrintFolder() {
    return (std::filesystem::path(defaultExportFolder()) / "feeoffice-receipts").string();
}

QtUi::QtUi() = default;

QtUi::~QtUi() {
    for (auto& [form, view] : views_) delete view;
    if (hasUiServices() && &ui() == this) setUiServices(nullptr);
    if (cursorOverridden_) QApplication::restoreOverrideCursor();
}

void QtUi::install() { setUiServices(this); }

QWidget* QtUi::ownerWindow() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return mainWindow_;
}

MsgAnswer QtUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case MsgIcon::Critical: qicon = QMessageBox::Critical; break;
    case MsgIcon::Question: qicon = QMessageBox::Question; break;
    case MsgIcon::Exclamation: qicon = QMessageBox::Warning; break;
    case MsgIcon::Information: qicon = QMessageBox::Information; break;
    case MsgIcon::None: break;
    }
    QMessageBox::StandardButtons qbuttons = QMessageBox::Ok;
    switch (buttons) {
    case MsgButtons::OK: qbuttons = QMessageBox::Ok; break;
    case MsgButtons::OKCancel: qbuttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo: qbuttons = QMessageBox::Yes | QMessageBox::No; break;
    case MsgButtons::YesNoCancel: qbuttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    // A message box always shows the normal pointer, whatever wait is open.
    const bool busy = cursorOverridden_;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(qicon, title.empty() ? QApplication::applicationDisplayName() : qs(title), qs(text), qbuttons,
                    ownerWindow());
    box.setObjectName(QStringLiteral("msgBox"));
    // The buttons speak the clerk's language, as the window texts do.
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
        {QMessageBox::Ok, "确定"}, {QMessageBox::Cancel, "取消"}, {QMessageBox::Yes, "是"}, {QMessageBox::No, "否"}};
    for (const auto& [button, caption] : captions)
        if (QAbstractButton* b = box.button(button)) b->setText(QString::fromUtf8(caption));
    if (buttons == MsgButtons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
    // A short text must not cut the title: the box is at least as wide as
    // its title with the frame's buttons beside it.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int wide = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 140;
        grid->addItem(new QSpacerItem(wide, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    const int answer = box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    switch (answer) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    case QMessageBox::Ok: return MsgAnswer::OK;
    default:
        // Closed with the title bar: the box's escape button's answer.
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoDefaultNo ? MsgAnswer::No : buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::Cancel;
    }
}

void QtUi::showForm(Form& form, bool modal) {
    FormView*& view = views_[&form];
    if (!view) view = new FormView(form, ownerWindow());
    if (!modal) {
        view->show();
        view->raise();
        return;
    }
    view->setWindowModality(Qt::ApplicationModal);
    view->exec();
    // The window's loop ended some other way: close the form as the close box would.
    if (form.isLoaded() && form.isShown() && !form.unload()) form.hide();
    auto it = views_.find(&form);
    if (it != views_.end() && it->second == view) {
        FormView* done = it->second;
        views_.erase(it);
        delete done;
    }
}

void QtUi::formClosed(Form& form) {
    auto it = views_.find(&form);
    if (it == views_.end()) return;
    FormView* view = it->second;
    if (view->isModal()) {
        // showForm deletes it once its loop has returned.
        view->finish();
        return;
    }
    views_.erase(it);
    view->finish();
    view->deleteLater();
}

void QtUi::popupMenu(Form& form, Menu& menu, int, int) {
    if (FormView* v = viewOf(form)) v->popup(menu);
}

void QtUi::sendTab() {
    for (auto& [form, view] : views_)
        if (view->isActiveWindow()) const_cast<Form*>(form)->tabForward();
}

void QtUi::doEvents() { QCoreApplication::processEvents(); }

void QtUi::clipboardClear() { QGuiApplication::clipboard()->clear(); }
void QtUi::clipboardSetText(const std::string& text) { QGuiApplication::clipboard()->setText(qs(text)); }
std::string QtUi::clipboardText() { return ss(QGuiApplication::clipboard()->text()); }

bool QtUi::askUser() const { return askUser_ < 0 ? hasDesktop() : askUser_ == 1; }

std::string QtUi::exportFolder() { return defaultExportFolder(); }

std::string QtUi::exportPath(const std::string& fileName) {
    if (!askUser()) return UiServices::exportPath(fileName);
    // The documents folder as the desktop names it, then where the clerk
    // saved last in this run.
    QString folder = qs(lastSaveFolder_);
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = qs(exportFolder());
    QFileDialog dialog(ownerWindow(), QStringLiteral("导出到 Excel 文件"), folder,
                       QStringLiteral("Excel 工作簿 (*.xlsx)"));
    dialog.setObjectName(QStringLiteral("saveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    dialog.selectFile(QFileInfo(qs(suggestedFilePath(ss(folder), fileName, ".xlsx"))).fileName());
    const bool busy = cursorOverridden_;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (busy) QApplication::restoreOverrideCursor();
    if (!accepted) return {};
    const QString file = dialog.selectedFiles().first();
    lastSaveFolder_ = ss(QFileInfo(file).absolutePath());
    return ss(file);
}

std::string QtUi::openPath(const std::string& caption, const std::string& filter) {
    if (!askUser()) return {};
    QString folder = qs(lastSaveFolder_);
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const bool busy = cursorOverridden_;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const QString file = QFileDialog::getOpenFileName(ownerWindow(), qs(caption), folder, qs(filter));
    if (busy) QApplication::restoreOverrideCursor();
    return ss(file);
}

void QtUi::exported(const std::string& path) {
    if (notify) notify("已导出：" + path);
}

void QtUi::offerToOpen(const std::string& path) {
    if (!askUser()) return;
    if (msgBox("已导出到：\r\n" + path + "\r\n\r\n是否现在打开？", MsgButtons::YesNo, MsgIcon::Question, "提示") ==
        MsgAnswer::Yes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(qs(path)));
}

void QtUi::printed(const std::string& path) {
    if (notify) notify("已打印：" + path);
}

std::string QtUi::printFolder() const { return printFolder_.empty() ? defaultPrintFolder() : printFolder_; }

std::unique_ptr<BillPrinter> QtUi::newBillPrinter() {
    return std::make_unique<QtBillPrinter>(printFolder(), askUser(), ownerWindow());
}

std::unique_ptr<ReportPrinter> QtUi::newReportPrinter() {
    return std::make_unique<QtReportPrinter>(printFolder(), askUser(), ownerWindow());
}

FormView* QtUi::viewOf(const Form& form) const {
    auto it = views_.find(&form);
    return it == views_.end() ? nullptr : it->second;
}

void QtUi::waitCursorChanged(bool busy) {
    if (busy && !cursorOverridden_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursorOverridden_ = true;
    } else if (!busy && cursorOverridden_) {
        QApplication::restoreOverrideCursor();
        cursorOverridden_ = false;
    }
}

}  // namespace fo::qt
