#include "db/sql/SqlRewrite.h"

#include <algorithm>
#include <cctype>

#include "db/sql/SqlLex.h"
#include "db/values/TextCase.h"

namespace fo {
using namespace sqllex;
namespace {

// A number written against a following "and" / "or" ("1=1and xh='1'"), which
// SQL Server reads as two tokens and the engine rejects: a blank goes between.
std::string separatedConjunction(std::string_view number) {
    std::size_t digits = 0;
    while (digits < number.size() && (std::isdigit(static_cast<unsigned char>(number[digits])) || number[digits] == '.'))
        ++digits;
    std::string tail(number.substr(digits));
    for (char& ch : tail) ch = lowerAscii(ch);
    if (digits == 0 || (tail != "and" && tail != "or")) return std::string(number);
    return std::string(number.substr(0, digits)) + " " + std::string(number.substr(digits));
}

// False when no rewrite can apply: no "isnull", "left" or "top" anywhere
// and no digit run into a letter a or o. Most statements are passed through
// after this one look instead of being taken into pieces.
bool mayNeedRewrite(std::string_view s) {
    // ASCII lowering inline: this look runs over every statement sent.
    const auto lowerAt = [&](std::size_t i) { return lowerAscii(s[i]); };
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = lowerAt(i);
        if (c >= '0' && c <= '9' && i + 1 < s.size() && (lowerAt(i + 1) == 'a' || lowerAt(i + 1) == 'o'))
            return true;
        for (std::string_view word : {"isnull", "left", "top"}) {
            if (c != word[0] || i + word.size() > s.size()) continue;
            std::size_t k = 1;
            while (k < word.size() && lowerAt(i + k) == word[k]) ++k;
            if (k == word.size()) return true;
        }
    }
    return false;
}

}  // namespace

std::string rewriteSql(std::string_view s) {
    if (!mayNeedRewrite(s)) return std::string(s);
    const std::vector<Piece> pieces = lex(s);

    // "select top N": remember the pieces to drop and the limit to append.
    std::size_t dropFrom = 0, dropTo = 0;
    std::string limit;
    const std::size_t first = pieces.empty() || significant(pieces[0]) ? 0 : nextSignificant(pieces, 0);
    if (first < pieces.size() && isWord(s, pieces[first], "select")) {
        const std::size_t top = nextSignificant(pieces, first);
        const std::size_t count = top < pieces.size() ? nextSignificant(pieces, top) : pieces.size();
        if (count < pieces.size() && isWord(s, pieces[top], "top") && pieces[count].kind == Lex::Number) {
            dropFrom = first + 1;  // the blank after select stays with the following text
            dropTo = count + 1;
            limit = " limit " + std::string(s.substr(pieces[count].begin, pieces[count].end - pieces[count].begin));
        }
    }
    // The limit goes after the last piece that is neither blank, comment nor ';'.
    std::size_t lastBody = pieces.size();
    for (std::size_t i = pieces.size(); i-- > 0;) {
        if (significant(pieces[i]) && !isPunct(s, pieces[i], ';')) { lastBody = i; break; }
    }

    std::string out;
    out.reserve(s.size() + 16);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        if (i >= dropFrom && i < dropTo) continue;
        const std::string_view text = s.substr(p.begin, p.end - p.begin);
        const bool call = (isWord(s, p, "isnull") || isWord(s, p, "left")) &&
                          nextSignificant(pieces, i) < pieces.size() &&
                          isPunct(s, pieces[nextSignificant(pieces, i)], '(');
        if (call) out += "\"" + std::string(text) + "\"";
        else if (p.kind == Lex::Number) out += separatedConjunction(text);
        else out += text;
        if (i == lastBody && !limit.empty()) out += limit;
    }
    return out;
}

// A word that ends an ORDER BY, GROUP BY or PARTITION BY list.
bool endsByList(std::string_view s, const Piece& p) {
    for (std::string_view word : {"having", "limit", "offset", "window", "union", "except", "intersect", "select",
                                  "from", "where", "on", "rows", "range", "groups"})
        if (isWord(s, p, word)) return true;
    return false;
}

std::optional<LiteralParameters> literalsAsParameters(std::string_view s) {
    constexpr std::size_t kMostValues = 999;
    const std::vector<Piece> pieces = lex(s);
    const std::size_t first = pieces.empty() || significant(pieces[0]) ? 0 : nextSignificant(pieces, 0);
    if (first >= pieces.size()) return std::nullopt;
    const bool query = isWord(s, pieces[first], "select");
    if (!query && !(isWord(s, pieces[first], "insert") || isWord(s, pieces[first], "update") ||
                    isWord(s, pieces[first], "delete") || isWord(s, pieces[first], "replace")))
        return std::nullopt;
    // Result columns are named after their text, and a query reading a
    // subquery sees those names: literals between SELECT and its FROM stay,
    // save in the outermost select of a row change, whose names nobody sees.
    std::vector<int> lists;  // parenthesis depths of the select lists being read
    // A whole number in an ORDER BY or GROUP BY list is a column position,
    // so those lists keep their literals too.
    std::vector<int> byLists;
    int depth = 0;
    const auto glued = [&](std::size_t at) {  // a character that would join a "?" put next to it
        const unsigned char c = static_cast<unsigned char>(s[at]);
        return wordChar(c) || c == '.' || c == '?' || c == ':' || c == '@' || c == '\'' || c == '"';
    };
    LiteralParameters out;
    std::size_t copied = 0;
    for (const Piece& p : pieces) {
        if (p.kind == Lex::Word && (isWord(s, p, "returning") || isWord(s, p, "conflict"))) return std::nullopt;
        if (p.kind == Lex::Punct && std::string_view("?:@$#").find(s[p.begin]) != std::string_view::npos)
            return std::nullopt;
        if (isPunct(s, p, '(')) ++depth;
        if (isPunct(s, p, ')')) {
            while (!lists.empty() && lists.back() >= depth) lists.pop_back();
            while (!byLists.empty() && byLists.back() >= depth) byLists.pop_back();
            --depth;
        }
        if (isWord(s, p, "select") && (query || depth > 0)) lists.push_back(depth);
        if (isWord(s, p, "from") && !lists.empty() && lists.back() == depth) lists.pop_back();
        if (isWord(s, p, "by")) byLists.push_back(depth);
        if (!byLists.empty() && byLists.back() == depth && endsByList(s, p)) byLists.pop_back();
        if (!lists.empty() || !byLists.empty()) continue;
        const std::string_view token = s.substr(p.begin, p.end - p.begin);
        const bool number = p.kind == Lex::Number && token.size() <= 18 &&
                            token.find_first_not_of("0123456789") == std::string_view::npos;
        std::string value;
        bool text = false;  // a '...' literal that is closed where it ends
        if (p.kind == Lex::Literal) {
            for (std::size_t i = 1; i < token.size(); ++i) {
                if (token[i] != '\'') {
                    value += token[i];
                } else if (i + 1 < token.size() && token[i + 1] == '\'') {
                    value += '\'';  // '' stands for one quote
                    ++i;
                } else {
                    text = i + 1 == token.size();
                    break;
                }
            }
        }
        if (!number && !text) continue;
        // x'41' (a blob) and the like keep their literal, as does one that a
        // "?" would run into.
        if ((p.begin > 0 && glued(p.begin - 1)) || (p.end < s.size() && glued(p.end))) continue;
        if (out.values.size() == kMostValues) return std::nullopt;
        out.text.append(s.substr(copied, p.begin - copied)).append("?");
        copied = p.end;
        if (number) out.values.emplace_back(static_cast<std::int64_t>(std::stoll(std::string(token))));
        else out.values.emplace_back(std::move(value));
    }
    if (out.values.empty()) return std::nullopt;
    out.text.append(s.substr(copied));
    return out;
}

std::string numberedParameters(std::string_view s, int& count) {
    count = 0;
    std::string out;
    out.reserve(s.size() + 8);
    std::size_t copied = 0;
    for (const Piece& p : lex(s)) {
        if (!isPunct(s, p, '?')) continue;
        out.append(s.substr(copied, p.begin - copied)).append("$").append(std::to_string(++count));
        copied = p.end;
    }
    return out.append(s.substr(copied));
}

std::vector<std::string_view> splitStatements(std::string_view s) {
    // One statement with nothing that could hide a ';' or be left blank: no
    // need to take it into pieces.
    if (s.find(';') == std::string_view::npos && s.find("--") == std::string_view::npos &&
        s.find("/*") == std::string_view::npos) {
        const bool blank = std::all_of(s.begin(), s.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
        return blank ? std::vector<std::string_view>{} : std::vector<std::string_view>{s};
    }
    const std::vector<Piece> pieces = lex(s);
    std::vector<std::string_view> out;
    std::size_t start = 0;
    std::size_t words = 0;      // significant pieces so far in this statement
    bool creating = false;      // the statement begins with CREATE
    bool trigger = false;       // CREATE [TEMP] TRIGGER: its body holds ';' of its own
    const Piece* previous = nullptr;
    for (const Piece& p : pieces) {
        if (!significant(p)) continue;
        if (isPunct(s, p, ';') && (!trigger || (previous && isWord(s, *previous, "end")))) {
            if (words > 0) out.push_back(s.substr(start, p.begin - start));
            start = p.end;
            words = 0;
            creating = trigger = false;
            previous = nullptr;
            continue;
        }
        if (words == 0) creating = isWord(s, p, "create");
        else if (creating && words <= 2 && isWord(s, p, "trigger")) trigger = true;
        ++words;
        previous = &p;
    }
    if (words > 0) out.push_back(s.substr(start));
    return out;
}

std::vector<std::string_view> sqlWords(std::string_view s) {
    std::vector<std::string_view> out;
    for (const Piece& p : lex(s))
        if (p.kind == Lex::Word) out.push_back(s.substr(p.begin, p.end - p.begin));
    return out;
}

}  // namespace fo
