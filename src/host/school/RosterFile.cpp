#include "host/school/RosterFile.h"

#include <iconv.h>
#include <zip.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "host/school/SchoolSetup.h"

namespace fo {
namespace {

bool isUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += n;
    }
    return true;
}

std::string fromGb18030(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw SetupRefusal("不能转换文件的编码。");
    std::string out(bytes.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    char* to = out.data();
    std::size_t inLeft = bytes.size(), outLeft = out.size();
    const std::size_t done = iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) throw SetupRefusal("文件既不是 UTF-8 也不是 GB18030 编码的文本。");
    out.resize(out.size() - outLeft);
    return out;
}

void dropTrailingEmptyRows(std::vector<std::vector<std::string>>& rows) {
    while (!rows.empty()) {
        bool empty = true;
        for (const std::string& cell : rows.back()) empty = empty && cell.find_first_not_of(" \t") == std::string::npos;
        if (!empty) break;
        rows.pop_back();
    }
}

// One part of the package, "" when it is not there.
std::string zipEntry(zip_t* archive, const char* name) {
    zip_stat_t st;
    if (zip_stat(archive, name, 0, &st) != 0) return {};
    zip_file_t* file = zip_fopen(archive, name, 0);
    if (!file) return {};
    std::string out(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t read = zip_fread(file, out.data(), st.size);
    zip_fclose(file);
    if (read < 0) return {};
    out.resize(static_cast<std::size_t>(read));
    return out;
}

// Column index of a cell reference ("C7" is 2).
std::size_t columnOf(const std::string& ref) {
    std::size_t col = 0;
    for (char c : ref) {
        if (c < 'A' || c > 'Z') break;
        col = col * 26 + static_cast<std::size_t>(c - 'A' + 1);
    }
    return col == 0 ? 0 : col - 1;
}

std::string numberText(double v) {
    if (std::fabs(v - std::round(v)) < 1e-9 && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(std::llround(v)));
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// The day of a spreadsheet's date serial (days since 1899-12-30).
std::string serialDay(double serial) {
    long days = static_cast<long>(std::floor(serial)) - 25569;  // to 1970-01-01
    // Civil date from days since the epoch.
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long doe = days - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    const long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char text[16];
    std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld", y, m, d);
    return text;
}

// Which cell styles (by their index in cellXfs) show a date.
std::vector<bool> dateStyles(const std::string& stylesXml) {
    std::vector<bool> out;
    pugi::xml_document doc;
    if (stylesXml.empty() || !doc.load_buffer(stylesXml.data(), stylesXml.size())) return out;
    const pugi::xml_node sheet = doc.child("styleSheet");
    std::map<unsigned, bool> custom;
    for (pugi::xml_node f : sheet.child("numFmts").children("numFmt")) {
        const std::string code = f.attribute("formatCode").as_string();
        bool date = false;
        for (char c : code) date = date || c == 'y' || c == 'd';
        custom[f.attribute("numFmtId").as_uint()] = date;
    }
    for (pugi::xml_node xf : sheet.child("cellXfs").children("xf")) {
        const unsigned id = xf.attribute("numFmtId").as_uint();
        out.push_back((id >= 14 && id <= 22) || (custom.count(id) && custom[id]));
    }
    return out;
}

std::vector<std::vector<std::string>> readXlsx(const std::string& path) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) throw SetupRefusal("不能打开文件“" + path + "”：它不是 .xlsx 工作簿。");
    const std::string shared = zipEntry(archive, "xl/sharedStrings.xml");
    const std::string styles = zipEntry(archive, "xl/styles.xml");
    const std::string sheet = zipEntry(archive, "xl/worksheets/sheet1.xml");
    zip_close(archive);
    if (sheet.empty()) throw SetupRefusal("文件“" + path + "”里没有工作表。");

    std::vector<std::string> strings;
    pugi::xml_document sharedDoc;
    if (!shared.empty() && sharedDoc.load_buffer(shared.data(), shared.size()))
        for (pugi::xml_node si : sharedDoc.child("sst").children("si")) {
            // A plain string, or runs of rich text.
            std::string text = si.child("t").text().as_string();
            for (pugi::xml_node r : si.children("r")) text += r.child("t").text().as_string();
            strings.push_back(text);
        }
    const std::vector<bool> isDate = dateStyles(styles);

    pugi::xml_document doc;
    if (!doc.load_buffer(sheet.data(), sheet.size())) throw SetupRefusal("文件“" + path + "”的工作表读不出来。");
    std::vector<std::vector<std::string>> rows;
    for (pugi::xml_node row : doc.child("worksheet").child("sheetData").children("row")) {
        const std::size_t r = row.attribute("r").as_uint(static_cast<unsigned>(rows.size() + 1));
        if (r == 0 || r > 100000) continue;
        rows.resize(std::max(rows.size(), r));
        std::vector<std::string>& cells = rows[r - 1];
        std::size_t next = 0;
        for (pugi::xml_node c : row.children("c")) {
            const std::string ref = c.attribute("r").as_string();
            const std::size_t col = ref.empty() ? next : columnOf(ref);
            next = col + 1;
            if (col > 200) continue;
            const std::string type = c.attribute("t").as_string();
            const std::string v = c.child("v").text().as_string();
            std::string text;
            if (type == "s") {
                const std::size_t i = static_cast<std::size_t>(std::strtoul(v.c_str(), nullptr, 10));
                text = i < strings.size() ? strings[i] : std::string();
            } else if (type == "inlineStr") {
                text = c.child("is").child("t").text().as_string();
            } else if (type == "str" || type == "b" || type == "e") {
                text = v;
            } else if (!v.empty()) {
                const double number = std::strtod(v.c_str(), nullptr);
                const std::size_t style = c.attribute("s").as_uint();
                text = style < isDate.size() && isDate[style] ? serialDay(number) : numberText(number);
            }
            cells.resize(std::max(cells.size(), col + 1));
            cells[col] = text;
        }
    }
    dropTrailingEmptyRows(rows);
    return rows;
}

bool endsWith(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
    return true;
}

}  // namespace

std::vector<std::vector<std::string>> readCsvText(const std::string& bytes) {
    std::string text = isUtf8(bytes) ? bytes : fromGb18030(bytes);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false, wasQuoted = false;
    const auto endCell = [&] {
        rows.back().push_back(cell);
        cell.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') cell += text[++i];
            else if (c == '"') quoted = false;
            else cell += c;
        } else if (c == '"' && cell.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            endCell();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endCell();
            rows.emplace_back();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || wasQuoted || !rows.back().empty()) endCell();
    dropTrailingEmptyRows(rows);
    return rows;
}

std::vector<std::vector<std::string>> readRosterFile(const std::string& path) {
    if (endsWith(path, ".xlsx")) return readXlsx(path);
    std::ifstream file(path, std::ios::binary);
    if (!file) throw SetupRefusal("不能打开文件“" + path + "”。");
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (endsWith(path, ".csv") || endsWith(path, ".txt")) return readCsvText(bytes.str());
    throw SetupRefusal("文件“" + path + "”不是 .xlsx 或 .csv 文件。");
}

}  // namespace fo
