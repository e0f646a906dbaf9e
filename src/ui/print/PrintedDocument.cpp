#include "ui/print/PrintedDocument.h"

#include <filesystem>
#include <fstream>

#include "ui/UiServices.h"

namespace fo {

PrintedSheet sheetOf(const std::string& heading, Recordset& rs, std::size_t amountsFrom) {
    PrintedSheet sheet;
    sheet.heading = heading;
    for (std::size_t c = 0; c < rs.fieldCount(); ++c) {
        sheet.columns.push_back(rs.fieldInfo(c).name);
        sheet.rightAligned.push_back(c >= amountsFrom);
    }
    if (rs.state() != Recordset::Open) return sheet;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < rs.fieldCount(); ++c) row.push_back(rs.field(c).toText());
        const bool total = !row.empty() && row.front() == "合计";
        sheet.rows.push_back(std::move(row));
        sheet.emphasised.push_back(total);
    }
    return sheet;
}

std::string printDocument(const PrintedDocument& document) {
    if (std::unique_ptr<ReportPrinter> printer = ui().newReportPrinter()) return printer->print(document);
    // No printer to draw on: the text, for the printer of the clerk's choice.
    const std::string folder = ui().exportFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = freeFilePath(folder, document.title, ".txt");
    std::ofstream out(path, std::ios::binary);
    out << document.text;
    out.close();
    if (!out) {
        msgBox("打印失败：不能写入 " + path, MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return {};
    }
    ui().printed(path);
    return path;
}

void printReport(const std::string& title, PrintedSheet sheet, const std::string& text, bool landscape) {
    PrintedDocument document;
    document.title = title;
    document.sheets.push_back(std::move(sheet));
    document.landscape = landscape;
    document.text = text;
    const std::string target = printDocument(document);
    if (!target.empty()) msgBox("已打印到 " + target, MsgButtons::OK, MsgIcon::Information, "提示");
}

bool writeDocumentPdf(const PrintedDocument& document, const std::string& path) {
    std::unique_ptr<ReportPrinter> printer = ui().newReportPrinter();
    if (!printer) {
        msgBox("这里不能生成 PDF 文件，请在桌面上导出。", MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return false;
    }
    if (printer->writePdf(document, path)) return true;
    msgBox("导出失败：不能写入 " + path, MsgButtons::OK, MsgIcon::Exclamation, "警告！");
    return false;
}

}  // namespace fo
