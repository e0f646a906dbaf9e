#include "support/XlsxSheet.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fo::test {
namespace {

std::string zipEntry(const std::string& file, const std::string& entry) {
    return commandOutput("unzip -p '" + file + "' '" + entry + "' 2>/dev/null");
}

// The attribute `name` inside the tag that starts at `tag`.
std::string attr(const std::string& xml, std::size_t tag, const std::string& name) {
    const std::size_t end = xml.find('>', tag);
    const std::string key = " " + name + "=\"";
    const std::size_t at = xml.find(key, tag);
    if (at == std::string::npos || at > end) return {};
    const std::size_t start = at + key.size();
    return xml.substr(start, xml.find('"', start) - start);
}

std::string unescape(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + 1)) s.replace(p, std::string(from).size(), to);
    return s;
}

// The texts of every <si> of the shared strings, in order.
std::vector<std::string> sharedStrings(const std::string& xml) {
    std::vector<std::string> out;
    for (std::size_t si = xml.find("<si>"); si != std::string::npos; si = xml.find("<si>", si + 1)) {
        const std::size_t end = xml.find("</si>", si);
        std::string text;
        for (std::size_t t = xml.find("<t", si); t != std::string::npos && t < end; t = xml.find("<t", t + 1)) {
            const std::size_t open = xml.find('>', t) + 1, close = xml.find("</t>", open);
            if (xml[t + 2] != '>' && xml[t + 2] != ' ') continue;  // <tab...> is not a text
            text += xml.substr(open, close - open);
        }
        out.push_back(unescape(text));
    }
    return out;
}

// The number format code of each cell style (cellXfs), built-in ids resolved.
std::vector<std::string> styleFormats(const std::string& xml) {
    std::map<std::string, std::string> codes = {{"0", "General"}, {"1", "0"}, {"2", "0.00"}, {"14", "m/d/yyyy"},
                                                {"22", "m/d/yyyy h:mm"}};
    for (std::size_t f = xml.find("<numFmt "); f != std::string::npos; f = xml.find("<numFmt ", f + 1))
        codes[attr(xml, f, "numFmtId")] = unescape(attr(xml, f, "formatCode"));
    std::vector<std::string> out;
    const std::size_t start = xml.find("<cellXfs"), end = xml.find("</cellXfs>");
    for (std::size_t x = xml.find("<xf ", start); x != std::string::npos && x < end; x = xml.find("<xf ", x + 1)) {
        const std::string id = attr(xml, x, "numFmtId");
        out.push_back(codes.count(id) ? codes[id] : "numFmt " + id);
    }
    return out;
}

}  // namespace

std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

XlsxSheet::XlsxSheet(const std::string& file, int number)
    : sheet_(zipEntry(file, "xl/worksheets/sheet" + std::to_string(number) + ".xml")), workbook_(zipEntry(file, "xl/workbook.xml")) {
    const std::vector<std::string> strings = sharedStrings(zipEntry(file, "xl/sharedStrings.xml"));
    const std::vector<std::string> formats = styleFormats(zipEntry(file, "xl/styles.xml"));
    for (std::size_t c = sheet_.find("<c r="); c != std::string::npos; c = sheet_.find("<c r=", c + 1)) {
        Cell cell;
        cell.type = attr(sheet_, c, "t");
        const std::string style = attr(sheet_, c, "s");
        const std::size_t index = style.empty() ? 0 : std::stoul(style);
        cell.format = index < formats.size() ? formats[index] : "General";
        const std::size_t tagEnd = sheet_.find('>', c);
        if (sheet_[tagEnd - 1] != '/') {
            const std::size_t v = sheet_.find("<v>", tagEnd), close = sheet_.find("</c>", tagEnd);
            if (v != std::string::npos && v < close) cell.value = sheet_.substr(v + 3, sheet_.find("</v>", v) - v - 3);
            const std::size_t f = sheet_.find("<f>", tagEnd);
            if (f != std::string::npos && f < close) cell.formula = unescape(sheet_.substr(f + 3, sheet_.find("</f>", f) - f - 3));
            if (cell.type == "s" && !cell.value.empty()) cell.value = strings.at(std::stoul(cell.value));
        }
        const std::string ref = attr(sheet_, c, "r");
        cells_[ref] = cell;
        std::size_t digits = ref.find_first_of("0123456789");
        rows_ = std::max(rows_, std::atoi(ref.c_str() + digits));
    }
}

XlsxSheet::Cell XlsxSheet::cell(const std::string& ref) const {
    auto it = cells_.find(ref);
    return it == cells_.end() ? Cell{} : it->second;
}

std::vector<std::string> XlsxSheet::header() const {
    std::vector<std::string> out;
    for (char col = 'A'; col <= 'Z'; ++col) {
        auto it = cells_.find(std::string(1, col) + "1");
        if (it == cells_.end()) break;
        out.push_back(it->second.value);
    }
    return out;
}

std::string XlsxSheet::column(const std::string& caption) const {
    const std::vector<std::string> h = header();
    for (std::size_t i = 0; i < h.size(); ++i)
        if (h[i] == caption) return std::string(1, static_cast<char>('A' + i));
    return {};
}

std::string XlsxSheet::attribute(const std::string& element, const std::string& name) const {
    const std::size_t at = sheet_.find("<" + element);
    return at == std::string::npos ? std::string() : unescape(attr(sheet_, at, name));
}

std::string XlsxSheet::elementText(const std::string& element) const {
    const std::size_t at = sheet_.find("<" + element + ">");
    if (at == std::string::npos) return {};
    const std::size_t start = at + element.size() + 2;
    return unescape(sheet_.substr(start, sheet_.find("</" + element + ">", start) - start));
}

}  // namespace fo::test
