// An export at a desktop: the save dialog starts in the documents folder as
// the desktop names it (user-dirs.dirs) with the export's name, and the file
// goes where the clerk says; cancelling writes nothing.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <optional>

#include "QtTestApp.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

namespace fs = std::filesystem;

class ExportDialog : public QtTest {
protected:
    void SetUp() override {
        QtTest::SetUp();
        home.emplace("HOME", dir.path().string());
        config.emplace("XDG_CONFIG_HOME", dir.file("config"));
        fs::create_directories(dir.file("config"));
        fs::create_directories(documents);
        std::ofstream(dir.file("config") + "/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
                                                              << "XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n";
        ui.setAskUser(true);
        rows.appendField("编号", DataType::VarChar);
        rows.appendField("金额", DataType::Currency);
        rows.open();
        rows.appendRow({Value("SF0001"), Value(*Currency::parse("12.5"))});
    }
    // Works the save dialog when it comes up: notes where it starts and
    // what it offers, then saves under `name` in `folder`, or cancels.
    void whenAsked(const std::string& folder, const std::string& name) {
        QTimer::singleShot(0, [this, folder, name] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            started = dialog->directory().absolutePath().toStdString();
            offered = dialog->selectedFiles().value(0).toStdString();
            if (name.empty()) return dialog->reject();
            dialog->selectFile(QString::fromStdString(folder + "/" + name));
            QMetaObject::invokeMethod(dialog, "accept");
            // Then the offer to open the file: not now.
            QTimer::singleShot(0, [this] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                offer = box->text().toStdString();
                box->button(QMessageBox::No)->click();
            });
        });
    }

    TempDir dir;
    const std::string documents = dir.file("文档");
    Recordset rows;
    std::string started, offered, offer;
    std::optional<ScopedVariable> home, config;  // set once the application is up
};

TEST_F(ExportDialog, StartsInTheDocumentsFolderWithTheExportsNameAndSavesWhereTheClerkSays) {
    whenAsked(dir.path().string(), "十月票据");
    const std::string path = exportSheet(SheetExport{"开票日期", "票据管理 2026-10-01至2026-10-31", 0}, rows);
    EXPECT_EQ(started, documents);
    EXPECT_EQ(offered, documents + "/票据管理_2026-10-01至2026-10-31.xlsx");
    EXPECT_EQ(path, dir.file("十月票据.xlsx")) << "the suffix is added";
    EXPECT_TRUE(fs::exists(path));
    EXPECT_NE(offer.find(path), std::string::npos) << offer;
    EXPECT_NE(offer.find("是否现在打开？"), std::string::npos) << offer;

    // The next export starts where this one was saved; a cancel writes nothing.
    whenAsked("", "");
    EXPECT_EQ(exportSheet(SheetExport{"开票日期", "票据管理", 0}, rows), "");
    EXPECT_EQ(started, dir.path().string());
    EXPECT_EQ(fs::exists(documents + "/票据管理.xlsx"), false);
}

}  // namespace
}  // namespace fo::test
