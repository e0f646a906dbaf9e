#include "bills/ReceiptTextPrinter.h"

#include <filesystem>
#include <fstream>

#include "ui/UiServices.h"

namespace fo {

bool ReceiptTextPrinter::printBill(const ReceiptHeader& h, Recordset& items) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    const std::string path = freeFilePath(folder_, "receipt-" + h.billNumber, ".txt");
    std::ofstream out(path, std::ios::binary);
    if (!out) return false;
    if (!h.schoolName.empty()) out << h.schoolName << "\n";
    if (!h.reprintMark.empty()) out << h.reprintMark << "\n";
    out << (h.billNameForSF.empty() ? "收据" : h.billNameForSF) << "\n"
        << "编号: " << h.billNumber << "    纸张格式: " << (h.paperName.empty() ? h.paperFormat : h.paperName) << "\n"
        << "班级: " << h.className << "    学号: " << h.studentNumber << "    姓名: " << h.studentName << "\n"
        << "开票日期: " << h.issueDate << "\n"
        << h.itemsCaption << "\n";
    if (!(items.eof() && items.bof()))
        for (items.moveFirst(); !items.eof(); items.moveNext())
            out << "  " << items.field("xmmc").toText() << "\t" << items.field("term").toText() << "\t"
                << items.field("je").toText() << "\n";
    out << "合计: " << h.total << "    大写: " << h.totalInWords << "\n"
        << "备注: " << h.remark << "\n"
        << "开票人: " << h.issuer << "    收款人: " << h.payee << "\n";
    out.close();
    if (!out) return false;
    lastFile_ = path;
    ui().printed(lastFile_);
    return true;
}

}  // namespace fo
