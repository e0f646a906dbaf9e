#include "db/sql/SqlSelect.h"

#include <vector>

#include "db/sql/SqlLex.h"
#include "db/values/TextCase.h"

namespace fo {
namespace {

using namespace sqllex;

// The significant pieces of `sql` at parenthesis depth 0.
struct TopLevel {
    std::vector<Piece> pieces;
    std::vector<std::size_t> top;  // indexes into pieces
};

TopLevel topLevel(std::string_view sql) {
    TopLevel t{lex(sql), {}};
    int depth = 0;
    for (std::size_t i = 0; i < t.pieces.size(); ++i) {
        const Piece& p = t.pieces[i];
        if (!significant(p)) continue;
        if (isPunct(sql, p, '(')) ++depth;
        else if (isPunct(sql, p, ')')) --depth;
        else if (depth == 0) t.top.push_back(i);
    }
    return t;
}

std::string trimmed(std::string_view s) { return trimWhitespace(std::string(s)); }

}  // namespace

std::map<std::string, std::string> selectedColumns(std::string_view sql) {
    const TopLevel t = topLevel(sql);
    std::map<std::string, std::string> columns;
    std::size_t k = 0;
    while (k < t.top.size() && !isWord(sql, t.pieces[t.top[k]], "select")) ++k;
    if (k == t.top.size()) return columns;
    ++k;
    // "top N" and "distinct" belong to the select, not to its first column.
    if (k < t.top.size() && isWord(sql, t.pieces[t.top[k]], "top")) k += 2;
    if (k < t.top.size() && isWord(sql, t.pieces[t.top[k]], "distinct")) ++k;
    if (k >= t.top.size()) return columns;
    // The first item starts at the next piece, which may open a parenthesis.
    std::size_t itemBegin = t.pieces[nextSignificant(t.pieces, t.top[k - 1])].begin;
    std::size_t alias = std::string::npos;  // where the item's alias starts
    std::size_t aliasEnd = 0;
    const auto close = [&](std::size_t end) {
        std::string expression, name;
        if (alias != std::string::npos) {
            expression = trimmed(sql.substr(itemBegin, alias - itemBegin));
            name = trimmed(sql.substr(aliasEnd, end - aliasEnd));
        } else {
            expression = trimmed(sql.substr(itemBegin, end - itemBegin));
            const std::size_t dot = expression.rfind('.');
            name = dot == std::string::npos ? expression : expression.substr(dot + 1);
        }
        if (name.size() >= 2 && (name.front() == '[' || name.front() == '"')) name = name.substr(1, name.size() - 2);
        if (!name.empty()) columns[name] = expression;
    };
    for (; k < t.top.size(); ++k) {
        const Piece& p = t.pieces[t.top[k]];
        if (isWord(sql, p, "from")) {
            close(p.begin);
            break;
        }
        if (isPunct(sql, p, ',')) {
            close(p.begin);
            alias = std::string::npos;
            const std::size_t next = nextSignificant(t.pieces, t.top[k]);
            if (next < t.pieces.size()) itemBegin = t.pieces[next].begin;
        } else if (isWord(sql, p, "as")) {
            alias = p.begin;
            aliasEnd = p.end;
        }
    }
    return columns;
}

std::string withCondition(std::string_view sql, std::string_view condition) {
    const TopLevel t = topLevel(sql);
    std::size_t where = std::string::npos, tail = sql.size();
    for (std::size_t k = 0; k < t.top.size(); ++k) {
        const Piece& p = t.pieces[t.top[k]];
        if (isWord(sql, p, "where") && where == std::string::npos) where = p.end;
        const bool clause = isWord(sql, p, "order") || isWord(sql, p, "group") || isWord(sql, p, "having");
        if (clause && tail == sql.size()) tail = p.begin;
    }
    std::string out(sql.substr(0, tail));
    while (!out.empty() && (out.back() == ' ' || out.back() == '\r' || out.back() == '\n')) out.pop_back();
    if (where == std::string::npos) out += " where (" + std::string(condition) + ")";
    else {
        // The statement's own condition is kept whole, whatever its ors.
        out.insert(where, " (");
        out += ") and (" + std::string(condition) + ")";
    }
    return out + " " + std::string(sql.substr(tail));
}

}  // namespace fo
