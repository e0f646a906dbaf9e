#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "host/api/ModuleGlobals.h"
#include "ui/UiServices.h"
#include "ui/lists/Utf8Text.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// The page set-up texts start with the font code of 楷体_GB2312 in style 常规.
const std::string FontCode = "&\"楷体_GB2312,常规\"";
constexpr std::size_t HeaderFooterMax = 255;  // characters, as the writer limits them
// Wider than this many character cells, a sheet prints across an A4 page.
constexpr double PortraitWidth = 90;
constexpr std::uint8_t PaperA4 = 9;

std::string escapeAmpersands(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

// `text` cut to at most `room` characters without splitting a doubled "&&".
std::string cutEscaped(std::string t, std::size_t room) {
    while (utf8::length(t) > room) {
        t = utf8::mid(t, 0, utf8::length(t) - 1);
        if (!t.empty() && t.back() == '&' && (t.size() < 2 || t[t.size() - 2] != '&')) t.pop_back();
    }
    return t;
}

std::string pageHeader(const std::string& title) {
    const std::string lead = "&C" + FontCode;
    // A title too long for the header is cut rather than losing the export.
    return lead + cutEscaped(escapeAmpersands(title), HeaderFooterMax - utf8::length(lead));
}

// 制表人 is the operator at work, 制表日期 today.
std::string pageFooter() {
    const std::string who = globals().host ? globals().host->gusername() : std::string();
    const std::string left = "&L" + FontCode + "&10制表人：";
    const std::string rest = "&C" + FontCode + "&10制表日期：" + DateTime::today().dateText() + "&R" + FontCode +
                             "&10第&P页 共&N页";
    return left + cutEscaped(escapeAmpersands(who), HeaderFooterMax - utf8::length(left + rest)) + rest;
}

// Display width in character cells: wide (CJK) characters count double.
double displayWidth(const std::string& text) {
    double w = 0;
    utf8::forEachCodePoint(text, [&](int cp) { w += cp >= 0x1100 ? 2 : 1; });
    return w;
}

// What a column holds, as the sheet should keep it: amounts are numbers
// shown "0.00", counts plain numbers, dates dates, the rest text.
enum class CellKind { Text, Amount, Number, Date };

CellKind kindOf(Recordset& rs, std::size_t field) {
    switch (rs.fieldInfo(field).type) {
    case DataType::Currency:
    case DataType::Double: return CellKind::Amount;
    case DataType::Integer: return CellKind::Number;
    case DataType::Date: return CellKind::Date;
    case DataType::VarChar: return CellKind::Text;
    case DataType::Empty: break;
    }
    // A computed column: its first value tells.
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) switch (rs.field(field).kind()) {
        case Value::Kind::Null: continue;
        case Value::Kind::Currency:
        case Value::Kind::Double: return CellKind::Amount;
        case Value::Kind::Integer: return CellKind::Number;
        case Value::Kind::Date: return CellKind::Date;
        case Value::Kind::Text: return CellKind::Text;
        }
    return CellKind::Text;
}

struct Formats {
    lxw_format *head, *text, *amount, *date, *dateTime;
};

// Writes one cell as its column's kind; a value that is not of that kind
// (a caption in an amount column) stays text, an empty one stays blank.
void writeCell(lxw_worksheet* ws, lxw_row_t r, lxw_col_t c, const Value& v, CellKind kind, const Formats& f) {
    const std::string text = v.toText();
    if (v.isNull() || (v.isText() && text.find_first_not_of(' ') == std::string::npos)) {
        worksheet_write_blank(ws, r, c, kind == CellKind::Amount ? f.amount : f.text);
        return;
    }
    switch (kind) {
    case CellKind::Amount:
    case CellKind::Number: {
        const auto number = v.isText() ? Currency::parse(text) : std::optional<Currency>(v.toCurrency());
        if (!number) break;
        worksheet_write_number(ws, r, c, number->toDouble(), kind == CellKind::Amount ? f.amount : f.text);
        return;
    }
    case CellKind::Date:
        if (const auto d = v.toDate()) {
            lxw_datetime dt{d->year, d->month, d->day, d->hour, d->minute, static_cast<double>(d->second)};
            worksheet_write_datetime(ws, r, c, &dt, d->hasTime() ? f.dateTime : f.date);
            return;
        }
        break;
    case CellKind::Text: break;
    }
    worksheet_write_string(ws, r, c, text.c_str(), f.text);
}

lxw_format* bordered(lxw_workbook* wb, const char* numberFormat = nullptr) {
    lxw_format* f = workbook_add_format(wb);
    format_set_border(f, LXW_BORDER_THIN);
    if (numberFormat) format_set_num_format(f, numberFormat);
    return f;
}

void printerProblem(const std::string& detail) {
    msgBox("您好，打印机可能没安装,不能打印\r\n" + detail, MsgButtons::OK, MsgIcon::Exclamation, "警告！");
}


// A name a sheet may carry: at most 31 characters, none of []:*?/\.
std::string sheetNameFrom(const SheetExport& sheet) {
    std::string name = sheet.sheetName;
    if (name.empty()) {
        const std::size_t cut = sheet.fileName.find_first_of(" _0123456789");
        name = sheet.fileName.substr(0, cut);
    }
    std::string clean;
    for (char c : name)
        if (std::string_view("[]:*?/\\").find(c) == std::string_view::npos) clean += c;
    clean = utf8::mid(clean, 0, 31);
    return clean.empty() ? "sheet1" : clean;
}

std::string columnLetters(std::size_t col) {
    std::string letters;
    for (std::size_t n = col + 1; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

// One sheet of rows: field names in row 1, the rows below, then the 合计
// row when asked for. Returns the width of its columns in character cells.
double writeRows(lxw_worksheet* ws, const Formats& f, Recordset& rs, std::size_t firstField, bool totalRow) {
    // Read a copy, so the caller's set keeps its position.
    Recordset copy = rs;
    const std::size_t first = std::min(firstField, copy.fieldCount());
    std::vector<CellKind> kinds;
    std::vector<double> widths;
    std::vector<Currency> sums;
    for (std::size_t c = first; c < copy.fieldCount(); ++c) {
        const std::string& name = copy.fieldInfo(c).name;
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c - first), name.c_str(), f.head);
        kinds.push_back(kindOf(copy, c));
        widths.push_back(displayWidth(name));
        sums.emplace_back();
    }
    lxw_row_t r = 1;
    for (copy.moveFirst(); !copy.eof(); copy.moveNext(), ++r)
        for (std::size_t c = first; c < copy.fieldCount(); ++c) {
            const Value& v = copy.field(c);
            const std::size_t col = c - first;
            writeCell(ws, r, static_cast<lxw_col_t>(col), v, kinds[col], f);
            const std::string shown = kinds[col] == CellKind::Amount && !v.isNull() ? format00(v) : v.toText();
            widths[col] = std::max(widths[col], displayWidth(shown));
            if (kinds[col] == CellKind::Amount && !v.isNull())
                if (const auto n = v.isText() ? Currency::parse(v.toText()) : std::optional<Currency>(v.toCurrency())) sums[col] += *n;
        }
    if (totalRow && r > 1) {
        bool captioned = false;
        for (std::size_t col = 0; col < kinds.size(); ++col) {
            const auto c = static_cast<lxw_col_t>(col);
            if (kinds[col] == CellKind::Amount) {
                const std::string letters = columnLetters(col);
                const std::string formula = "=SUBTOTAL(9," + letters + "2:" + letters + std::to_string(r) + ")";
                worksheet_write_formula_num(ws, r, c, formula.c_str(), f.amount, sums[col].toDouble());
            } else if (!captioned) {
                worksheet_write_string(ws, r, c, "合计", f.head);
                captioned = true;
            } else {
                worksheet_write_blank(ws, r, c, f.text);
            }
        }
    }
    double total = 0;
    for (std::size_t col = 0; col < widths.size(); ++col) {
        const double w = std::clamp(widths[col] + 2, 6.0, 60.0);
        worksheet_set_column(ws, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col), w, nullptr);
        total += w;
    }
    return total;
}

// Printed: on A4, across the page when the columns are wide, every column
// on the page's width, the field names atop every page. Returns what could
// not be set ("" when all was).
std::string setUpPages(lxw_worksheet* ws, const std::string& title, double width) {
    worksheet_set_paper(ws, PaperA4);
    if (width > PortraitWidth) worksheet_set_landscape(ws);
    else worksheet_set_portrait(ws);
    worksheet_fit_to_pages(ws, 1, 0);
    worksheet_repeat_rows(ws, 0, 0);
    std::string problem;
    if (worksheet_set_header(ws, pageHeader(title).c_str()) != LXW_NO_ERROR) problem = "page header";
    if (worksheet_set_footer(ws, pageFooter().c_str()) != LXW_NO_ERROR) problem = "page footer";
    return problem;
}

}  // namespace

std::string ExporToExcel_rec(const std::string& title, Recordset& rs) {
    return exportSheet(SheetExport{title, title, 0}, rs);
}

std::string exportSheet(const SheetExport& sheet, Recordset& rs) { return exportSheets(sheet, rs, {}); }

std::string exportSheets(const SheetExport& sheet, Recordset& rs, const std::vector<MoreSheet>& more) {
    if (rs.state() != Recordset::Open || rs.recordCount() == 0) {
        msgBox("没有记录!");
        return {};
    }
    const std::string path = ui().exportPath(sheet.fileName);
    if (path.empty()) return {};  // the clerk cancelled

    lxw_workbook* wb = workbook_new(path.c_str());
    if (!wb) {
        printerProblem(path);
        return {};
    }
    Formats f{};
    f.head = bordered(wb);
    format_set_font_name(f.head, "黑体");
    format_set_bold(f.head);
    f.text = bordered(wb);
    f.amount = bordered(wb, "0.00");
    f.date = bordered(wb, "yyyy-mm-dd");
    f.dateTime = bordered(wb, "yyyy-mm-dd hh:mm:ss");

    std::string problem;
    const std::string firstName = sheetNameFrom(sheet);
    lxw_worksheet* ws = workbook_add_worksheet(wb, firstName.c_str());
    if (!ws) ws = workbook_add_worksheet(wb, nullptr);
    const double width = writeRows(ws, f, rs, sheet.firstField, sheet.totalRow);
    problem = setUpPages(ws, sheet.title, width);
    for (const MoreSheet& m : more) {
        if (!m.rows || m.rows->state() != Recordset::Open || m.rows->recordCount() == 0) continue;
        const std::string name = sheetNameFrom(SheetExport{{}, {}, 0, m.name});
        lxw_worksheet* next = workbook_add_worksheet(wb, name.c_str());
        if (!next) next = workbook_add_worksheet(wb, nullptr);
        if (const std::string p = setUpPages(next, sheet.title + "：" + m.name, writeRows(next, f, *m.rows, 0, false));
            !p.empty())
            problem = p;
    }
    const lxw_error closed = workbook_close(wb);
    if (closed != LXW_NO_ERROR) {
        printerProblem(lxw_strerror(closed));
        return {};
    }
    ui().exported(path);
    if (!problem.empty()) printerProblem(problem);
    ui().offerToOpen(path);
    return path;
}

}  // namespace fo
