#include "db/pg/PgRewrite.h"

#include <vector>

#include "db/sql/SqlLex.h"
#include "db/sql/SqlRewrite.h"
#include "db/values/TextCase.h"

namespace fo {
using namespace sqllex;
namespace {

// False when neither change can apply: no backslash and no "varchar"
// anywhere. Most statements pass after this one look.
bool mayNeedServerRewrite(std::string_view s) {
    if (s.find('\\') != std::string_view::npos) return true;
    for (std::size_t i = 0; i + 7 <= s.size(); ++i)
        if (lowerAscii(s[i]) == 'v' && equalsIgnoreCase(s.substr(i, 7), "varchar")) return true;
    return false;
}

// A word that ends the pattern of a LIKE at its own depth.
bool endsPattern(std::string_view s, const Piece& p) {
    for (std::string_view word : {"and", "or", "not", "then", "else", "end", "when", "from", "where", "group",
                                  "order", "having", "union", "except", "intersect", "limit", "offset", "into", "as",
                                  "is", "like", "ilike", "between", "in"})
        if (isWord(s, p, word)) return true;
    return isPunct(s, p, ',') || isPunct(s, p, ';') || isPunct(s, p, '=') || isPunct(s, p, '<') ||
           isPunct(s, p, '>');
}

// Whether the pattern that begins at piece `from` is followed by an ESCAPE
// of its own.
bool namesItsEscape(std::string_view s, const std::vector<Piece>& pieces, std::size_t from) {
    int depth = 0;
    for (std::size_t i = nextSignificant(pieces, from); i < pieces.size(); i = nextSignificant(pieces, i)) {
        const Piece& p = pieces[i];
        if (isPunct(s, p, '(')) ++depth;
        if (isPunct(s, p, ')') && --depth < 0) return false;
        if (depth > 0) continue;
        if (isWord(s, p, "escape")) return true;
        if (endsPattern(s, p)) return false;
    }
    return false;
}

std::string doubledBackslashes(std::string_view literal) {
    std::string out;
    out.reserve(literal.size() + 4);
    for (char c : literal) {
        out += c;
        if (c == '\\') out += c;
    }
    return out;
}

}  // namespace

std::string serverSql(std::string_view statement) {
    std::string s = rewriteSql(statement);
    if (!mayNeedServerRewrite(s)) return s;
    const std::vector<Piece> pieces = lex(s);
    std::string out;
    out.reserve(s.size() + 8);
    std::size_t copied = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        if (isWord(s, p, "like") || isWord(s, p, "ilike")) {
            const std::size_t pattern = nextSignificant(pieces, i);
            if (pattern < pieces.size() && pieces[pattern].kind == Lex::Literal &&
                textOf(s, pieces[pattern]).find('\\') != std::string_view::npos &&
                !namesItsEscape(s, pieces, pattern)) {
                out.append(s, copied, pieces[pattern].begin - copied).append(doubledBackslashes(textOf(s, pieces[pattern])));
                copied = pieces[pattern].end;
                i = pattern;
            }
        } else if (isWord(s, p, "varchar")) {
            // varchar ( n ): the parenthesis and what it holds go.
            const std::size_t open = nextSignificant(pieces, i);
            const std::size_t width = open < pieces.size() ? nextSignificant(pieces, open) : pieces.size();
            const std::size_t close = width < pieces.size() ? nextSignificant(pieces, width) : pieces.size();
            if (close < pieces.size() && isPunct(s, pieces[open], '(') && pieces[width].kind == Lex::Number &&
                isPunct(s, pieces[close], ')')) {
                out.append(s, copied, p.end - copied);
                copied = pieces[close].end;
                i = close;
            }
        }
    }
    out.append(s, copied, std::string::npos);
    return out;
}

}  // namespace fo
