#include "host/database/ServerColumns.h"

#include <map>
#include <stdexcept>

#include "db/Catalog.h"
#include "db/values/TextCase.h"

namespace fo {
namespace {

constexpr std::size_t kRowsNamed = 20;

// A stored value that is neither null, a date nor an empty text, in SQL:
// SQLite's date functions, through the day number, give back a valid date's
// text unchanged and anything else changed (a day the month does not have
// moves on into the next) or null. The rows this finds are looked at once
// more by the engine's reading, which takes other written forms of a date
// as dates too.
std::string noDate(const std::string& c) {
    const std::string day = "julianday(" + c + ")";
    return "(typeof(" + c + ") in ('integer','real','blob') or (typeof(" + c + ")='text' and " + c +
           "<>'' and coalesce(strftime('%Y-%m-%d'," + day + "),'')<>" + c +
           " and coalesce(strftime('%Y-%m-%d %H:%M:%S'," + day + "),'')<>" + c + "))";
}

// The characters of a UTF-8 text, as both engines count them.
std::size_t characterCount(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

// A stored value as the message quotes it: its first 30 characters.
std::string shown(const Value& v) {
    const std::string text = v.toText();
    std::size_t cut = 0, characters = 0;
    for (; cut < text.size(); ++cut)
        if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80 && ++characters > 30) break;
    return "“" + text.substr(0, cut) + (cut < text.size() ? "…" : "") + "”";
}

// Why the server refuses `v` in `column`, or nothing.
std::string refusal(const ServerColumn& column, const Value& v) {
    if (v.isNull()) return {};
    if (column.date) {
        if (v.kind() == Value::Kind::Date || (v.kind() == Value::Kind::Text && v.toText().empty())) return {};
        return shown(v) + "不是日期";
    }
    const std::size_t length = characterCount(v.toText());
    if (column.width > 0 && length > static_cast<std::size_t>(column.width))
        return shown(v) + "有 " + std::to_string(length) + " 个字，该列最多 " + std::to_string(column.width) + " 个字";
    return {};
}

}  // namespace

std::vector<ServerColumn> serverColumnsWithLimits(Connection& server) {
    std::vector<ServerColumn> out;
    RecordsetPtr rs = server.execute(
        "select table_name, column_name, data_type, coalesce(character_maximum_length, 0) from "
        "information_schema.columns where table_schema = current_schema() and (data_type like 'timestamp%' or "
        "data_type = 'date' or character_maximum_length is not null) order by table_name, ordinal_position");
    for (; rs && !rs->eof(); rs->moveNext()) {
        const std::string type = rs->field(std::size_t{2}).toText();
        out.push_back({rs->field(std::size_t{0}).toText(), rs->field(std::size_t{1}).toText(),
                       type.rfind("timestamp", 0) == 0 || type == "date",
                       static_cast<int>(rs->field(std::size_t{3}).toInt())});
    }
    return out;
}

void refuseWhatTheServerWouldNotTake(Connection& source, const std::vector<ServerColumn>& columns) {
    std::map<std::string, std::vector<ServerColumn>> byTable;
    for (const ServerColumn& c : columns) byTable[lowerAscii(c.table)].push_back(c);
    const std::vector<std::string> tables = tableNames(source);
    std::vector<std::string> lines;
    std::size_t refused = 0;
    for (const std::string& table : tables) {
        const auto limits = byTable.find(lowerAscii(table));
        if (limits == byTable.end()) continue;
        const std::vector<std::string> held = columnNames(source, table);
        std::vector<ServerColumn> checked;
        std::string list, where;
        for (const ServerColumn& c : limits->second) {
            bool there = false;
            for (const std::string& h : held) there = there || equalsIgnoreCase(h, c.column);
            if (!there) continue;
            checked.push_back(c);
            list += "," + c.column;
            where += std::string(where.empty() ? "" : " or ") +
                     (c.date ? noDate(c.column) : "length(" + c.column + ")>" + std::to_string(c.width));
        }
        if (checked.empty()) continue;
        RecordsetPtr rs = source.execute("select rowid" + list + " from " + table + " where " + where + " order by rowid");
        for (; rs && !rs->eof(); rs->moveNext()) {
            for (std::size_t i = 0; i < checked.size(); ++i) {
                const std::string why = refusal(checked[i], rs->field(i + 1));
                if (why.empty()) continue;
                if (++refused <= kRowsNamed)
                    lines.push_back(table + "." + checked[i].column + "（rowid " + rs->field(std::size_t{0}).toText() +
                                    "）：" + why);
            }
        }
    }
    if (refused == 0) return;
    std::string message = "源数据库有 " + std::to_string(refused) +
                          " 处内容数据库服务器不接受，没有复制任何数据。请先改正这些行（例如用 feeoffice sql 把不是日期的"
                          "内容改为正确的日期或 null），再复制：";
    for (const std::string& line : lines) message += "\n  " + line;
    if (refused > lines.size()) message += "\n  ……另有 " + std::to_string(refused - lines.size()) + " 处";
    throw std::runtime_error(message);
}

}  // namespace fo
