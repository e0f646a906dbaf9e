#include <QFile>

#include "QtTestApp.h"
#include "qt/PdfBillPrinter.h"
#include "support/TempDir.h"

namespace fo::test {
namespace {

class ReceiptPdf : public QtTest {};

TEST_F(ReceiptPdf, ReceiptIsSavedAsPdfInThePrintFolderAndReported) {
    TempDir dir;
    std::string reported;
    ui.notify = [&](const std::string& s) { reported = s; };
    ui.setPrintFolder(dir.file("prints"));
    Recordset items;
    for (const char* f : {"xmmc", "dj", "sl", "je", "term", "cqts", "bz"}) items.appendField(f);
    items.open();
    items.appendRow({Value("保育费"), Value("800.00"), Value("1"), Value("800.00"), Value("202609"), Value(""), Value("")});
    ReceiptHeader h;
    h.billNumber = "SF00000123";
    h.studentName = "王小明";
    h.total = "800.00";

    auto printer = ui.newBillPrinter();
    ASSERT_TRUE(printer->printBill(h, items));
    const auto& file = static_cast<qt::PdfBillPrinter&>(*printer).lastFile();
    EXPECT_EQ(file.rfind(dir.file("prints") + "/SF00000123-", 0), 0u) << file;
    QFile pdf(qt::qs(file));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(4) == "%PDF");
    EXPECT_GT(pdf.size(), 1000);
    EXPECT_EQ(reported, "已打印：" + file);
}

}  // namespace
}  // namespace fo::test
