#include "db/Engine.h"
#include "db/values/TextCase.h"

#include <vector>

#include "db/DbError.h"
#include "db/EngineRegistry.h"
#include "db/pg/PgEngine.h"
#include "db/pg/PgLink.h"
#include "db/sqlite/SqliteEngine.h"

namespace fo {
namespace {

// "Key=Value" pairs in order. A value may be quoted with " or ' (the quote
// doubled inside) to hold ';'; an unquoted value runs to the next ';' and may
// contain '='.
std::vector<std::pair<std::string, std::string>> pairsOf(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t eq = text.find('=', i);
        const std::size_t semi = text.find(';', i);
        if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
            i = semi == std::string::npos ? text.size() : semi + 1;  // a piece without '='
            continue;
        }
        std::string key = lowerAscii(trimWhitespace(std::string_view(text).substr(i, eq - i)));
        std::size_t v = eq + 1;
        while (v < text.size() && (text[v] == ' ' || text[v] == '\t')) ++v;
        std::string value;
        if (v < text.size() && (text[v] == '"' || text[v] == '\'')) {
            const char quote = text[v++];
            while (v < text.size()) {
                if (text[v] == quote) {
                    if (v + 1 < text.size() && text[v + 1] == quote) { value += quote; v += 2; continue; }
                    ++v;
                    break;
                }
                value += text[v++];
            }
            const std::size_t end = text.find(';', v);
            i = end == std::string::npos ? text.size() : end + 1;
        } else {
            const std::size_t end = text.find(';', v);
            value = trimWhitespace(std::string_view(text).substr(v, (end == std::string::npos ? text.size() : end) - v));
            i = end == std::string::npos ? text.size() : end + 1;
        }
        if (!key.empty()) out.emplace_back(std::move(key), std::move(value));
    }
    return out;
}

}  // namespace

std::string ConnectionStringParts::get(const std::string& key) const {
    const std::string wanted = lowerAscii(trimWhitespace(key));
    std::string found;
    for (auto& [k, v] : pairsOf(raw))
        if (k == wanted) found = v;  // the last one wins
    return found;
}

ConnectionStringParts ConnectionStringParts::parse(const std::string& text) {
    ConnectionStringParts parts;
    parts.raw = text;
    parts.provider = parts.get("Provider");
    parts.dataSource = parts.get("Data Source");
    return parts;
}

std::unique_ptr<Engine> openEngine(const std::string& connectionString, int timeoutSeconds, OpenMode mode) {
    if (isPostgresLink(connectionString))
        return openPgEngine(connectionString, timeoutSeconds, mode);
    const ConnectionStringParts parts = ConnectionStringParts::parse(connectionString);
    if (const EngineFactory hostEngine = registeredEngine(parts.provider))
        return hostEngine(parts, timeoutSeconds, mode);
    if (!equalsIgnoreCase(parts.provider, "sqlite"))
        throw DbError(DbErrorKind::Connection, dberr::BadProvider,
                      "连接字符串指定了本程序不认识的数据库引擎“" + parts.provider + "”，请检查数据库设置。",
                      "Provider cannot be found. It may not be properly installed: '" + parts.provider + "'");
    if (parts.dataSource.empty())
        throw DbError(DbErrorKind::Connection, dberr::BadProvider, "连接字符串没有指定数据库文件，请检查数据库设置。",
                      "The connection string names no Data Source");
    // Commits are synced to disk unless the string asks otherwise.
    const bool syncEveryCommit = !equalsIgnoreCase(parts.get("Synchronous"), "normal");
    return std::make_unique<SqliteEngine>(parts.dataSource, timeoutSeconds, mode, syncEveryCommit);
}

}  // namespace fo
