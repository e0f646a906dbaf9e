#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "ui/UiServices.h"
#include "ui/Utf8Text.h"
#include "ui/mdl1.h"

namespace fo {
namespace {

// The page set-up texts start with the font code of 楷体_GB2312 in style 常规.
const std::string FontCode = "&\"楷体_GB2312,常规\"";
constexpr std::size_t HeaderFooterMax = 255;  // characters, as the writer limits them

std::string escapeAmpersands(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

std::string pageHeader(const std::string& title) {
    const std::string lead = "&C" + FontCode;
    std::string t = escapeAmpersands(title);
    // A title too long for the header is cut rather than losing the export.
    while (utf8::length(lead + t) > HeaderFooterMax) {
        t = utf8::mid(t, 0, utf8::length(t) - 1);
        if (!t.empty() && t.back() == '&' && (t.size() < 2 || t[t.size() - 2] != '&')) t.pop_back();
    }
    return lead + t;
}

std::string pageFooter() {
    return "&L" + FontCode + "&10制表人：" + "&C" + FontCode + "&10制表日期：" + "&R" + FontCode +
           "&10第&P页 共&N页";
}

// A file name from the title, without characters a file system refuses.
std::string fileStem(const std::string& title) {
    std::string out;
    for (char c : title) {
        if (std::string("/\\:*?\"<>|").find(c) != std::string::npos) c = '_';
        if (c == ' ') c = '_';
        out += c;
    }
    while (!out.empty() && (out.back() == '_' || out.back() == '.')) out.pop_back();
    return out.empty() ? "export" : utf8::mid(out, 0, 80);
}

std::filesystem::path freePath(const std::filesystem::path& folder, const std::string& stem) {
    std::filesystem::path p = folder / (stem + ".xlsx");
    for (int n = 2; std::filesystem::exists(p); ++n) p = folder / (stem + " (" + std::to_string(n) + ").xlsx");
    return p;
}

// Display width in character cells: wide (CJK) characters count double.
double displayWidth(const std::string& text) {
    double w = 0;
    utf8::forEachCodePoint(text, [&](int cp) { w += cp >= 0x1100 ? 2 : 1; });
    return w;
}

void writeCell(lxw_worksheet* ws, lxw_row_t r, lxw_col_t c, const Value& v, lxw_format* fmt, lxw_format* dateFmt) {
    switch (v.kind()) {
    case Value::Kind::Null: worksheet_write_blank(ws, r, c, fmt); break;
    case Value::Kind::Integer:
    case Value::Kind::Currency:
    case Value::Kind::Double: worksheet_write_number(ws, r, c, v.toDouble(), fmt); break;
    case Value::Kind::Date: {
        const DateTime d = *v.toDate();
        lxw_datetime dt{d.year, d.month, d.day, d.hour, d.minute, static_cast<double>(d.second)};
        worksheet_write_datetime(ws, r, c, &dt, dateFmt);
        break;
    }
    case Value::Kind::Text: worksheet_write_string(ws, r, c, v.toText().c_str(), fmt); break;
    }
}

}  // namespace

std::string ExporToExcel_rec(const std::string& title, Recordset& rs) {
    if (rs.state() != Recordset::Open || rs.recordCount() == 0) {
        msgBox("没有记录!");
        return {};
    }
    const std::filesystem::path folder = ui().exportFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = freePath(folder, fileStem(title)).string();

    lxw_workbook* wb = workbook_new(path.c_str());
    if (!wb) {
        msgBox("您好，打印机可能没安装,不能打印\r\n" + path, MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return {};
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, "sheet1");
    lxw_format* head = workbook_add_format(wb);
    format_set_font_name(head, "黑体");
    format_set_bold(head);
    format_set_border(head, LXW_BORDER_THIN);
    lxw_format* body = workbook_add_format(wb);
    format_set_border(body, LXW_BORDER_THIN);
    lxw_format* date = workbook_add_format(wb);
    format_set_border(date, LXW_BORDER_THIN);
    format_set_num_format(date, "yyyy-mm-dd");

    const std::size_t n = rs.fieldCount();
    std::vector<double> widths(n, 0);
    for (std::size_t c = 0; c < n; ++c) {
        const std::string& name = rs.fieldInfo(c).name;
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), name.c_str(), head);
        widths[c] = displayWidth(name);
    }
    // Read a copy, so the caller's set keeps its position.
    Recordset copy = rs;
    copy.moveFirst();
    lxw_row_t r = 1;
    for (; !copy.eof(); copy.moveNext(), ++r)
        for (std::size_t c = 0; c < n; ++c) {
            const Value& v = copy.field(c);
            writeCell(ws, r, static_cast<lxw_col_t>(c), v, body, date);
            widths[c] = std::max(widths[c], displayWidth(v.toText()));
        }
    for (std::size_t c = 0; c < n; ++c)
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             std::clamp(widths[c] + 2, 6.0, 60.0), nullptr);

    std::string problem;
    if (worksheet_set_header(ws, pageHeader(title).c_str()) != LXW_NO_ERROR) problem = "page header";
    if (worksheet_set_footer(ws, pageFooter().c_str()) != LXW_NO_ERROR) problem = "page footer";
    const lxw_error closed = workbook_close(wb);
    if (closed != LXW_NO_ERROR) {
        msgBox("您好，打印机可能没安装,不能打印\r\n" + std::string(lxw_strerror(closed)), MsgButtons::OK,
               MsgIcon::Exclamation, "警告！");
        return {};
    }
    ui().exported(path);
    if (!problem.empty())
        msgBox("您好，打印机可能没安装,不能打印\r\n" + problem, MsgButtons::OK, MsgIcon::Exclamation, "警告！");
    ui().openDocument(path);
    return path;
}

}  // namespace fo
