#include "db/sql/SqlRanges.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "db/sql/SqlLex.h"
#include "db/values/TextCase.h"

namespace fo {
using namespace sqllex;
namespace {

// Words that end a FROM list or stand in it without naming a table or alias.
bool fromKeyword(std::string_view s, const Piece& p) {
    for (std::string_view w : {"where", "on", "using", "join", "inner", "left", "right", "full", "outer", "cross",
                               "natural", "group", "order", "having", "limit", "union", "except", "intersect",
                               "window", "as", "indexed", "not"})
        if (isWord(s, p, w)) return true;
    return false;
}

// Words that end a WHERE clause.
bool endsWhere(std::string_view s, const Piece& p) {
    for (std::string_view w : {"group", "order", "having", "limit", "union", "except", "intersect", "window"})
        if (isWord(s, p, w)) return true;
    return isPunct(s, p, ';');
}

std::string unquoted(std::string_view s, const Piece& p) {
    std::string_view t = textOf(s, p);
    if (p.kind == Lex::QuotedName && t.size() >= 2) t = t.substr(1, t.size() - 2);
    return std::string(t);
}

bool isName(const Piece& p) { return p.kind == Lex::Word || p.kind == Lex::QuotedName; }

// The significant pieces of a query, with the parenthesis depth each stands at.
struct Token {
    const Piece* piece;
    int depth;
};

class RangeFinder {
public:
    explicit RangeFinder(std::string_view s) : s_(s), pieces_(lex(s)) {
        int depth = 0;
        for (const Piece& p : pieces_) {
            if (!significant(p)) continue;
            if (isPunct(s_, p, ')')) --depth;
            t_.push_back({&p, depth});
            if (isPunct(s_, p, '(')) ++depth;
        }
    }

    std::vector<RangeCondition> find() {
        std::size_t i = 0;
        if (i < t_.size() && word(i, "explain")) {
            ++i;
            if (word(i, "query") && word(i + 1, "plan")) i += 2;
        }
        if (!word(i, "select")) return {};
        std::size_t from = i;
        while (from < t_.size() && !(t_[from].depth == 0 && word(from, "from"))) ++from;
        const std::size_t where = readFrom(from + 1);
        if (where >= t_.size() || !word(where, "where")) return {};
        std::size_t end = where + 1;
        while (end < t_.size() && !(t_[end].depth == 0 && endsWhere(s_, *t_[end].piece))) ++end;
        // The AND that belongs to a BETWEEN joins its bounds, not two conditions.
        bool pending = false;
        for (std::size_t k = where + 1; k < end; ++k) {
            if (t_[k].depth != 0) continue;
            if (word(k, "between")) pending = true;
            else if (pending && word(k, "and")) boundAnds_.push_back(k), pending = false;
        }
        std::vector<RangeCondition> out;
        for (std::size_t k = where + 1; k < end; ++k)
            if (t_[k].depth == 0 && word(k, "between"))
                if (auto r = rangeAt(k)) out.push_back(std::move(*r));
        return out;
    }

private:
    bool word(std::size_t i, std::string_view w) const { return i < t_.size() && isWord(s_, *t_[i].piece, w); }
    bool punct(std::size_t i, char c) const { return i < t_.size() && isPunct(s_, *t_[i].piece, c); }

    // Reads "table [as] alias, ... [join table [as] alias on ...]" from `i`
    // and returns where the WHERE (or whatever ends the list) stands.
    std::size_t readFrom(std::size_t i) {
        bool expectTable = true;
        for (; i < t_.size(); ++i) {
            const Token& tk = t_[i];
            if (tk.depth > 0) continue;
            if (word(i, "where") || endsWhere(s_, *tk.piece)) return i;
            if (punct(i, ',') || word(i, "join")) {
                expectTable = true;
                continue;
            }
            if (!expectTable) continue;
            expectTable = false;
            if (punct(i, '(')) {  // a subquery's rows: no table of ours
                while (i + 1 < t_.size() && t_[i + 1].depth > 0) ++i;
                continue;
            }
            if (!isName(*tk.piece)) continue;
            std::string table = unquoted(s_, *tk.piece);
            if (punct(i + 1, '.') && i + 2 < t_.size() && isName(*t_[i + 2].piece)) {
                i += 2;
                table = unquoted(s_, *t_[i].piece);
            }
            tables_[lowerAscii(table)] = table;
            std::size_t a = i + 1;
            if (word(a, "as")) ++a;
            if (a < t_.size() && isName(*t_[a].piece) && !fromKeyword(s_, *t_[a].piece)) {
                tables_[lowerAscii(unquoted(s_, *t_[a].piece))] = table;
                i = a;
            }
            named_.push_back(table);
        }
        return i;
    }

    // A constant bound starting at `i`; the index after it, or 0 when none.
    std::size_t boundAt(std::size_t i) const {
        if (i >= t_.size()) return 0;
        const Piece& p = *t_[i].piece;
        if (p.kind == Lex::Literal || p.kind == Lex::Number) return i + 1;
        if (punct(i, '-') && i + 1 < t_.size() && t_[i + 1].piece->kind == Lex::Number) return i + 2;
        if (p.kind != Lex::Word || !punct(i + 1, '(')) return 0;
        // A function of literals only.
        std::size_t k = i + 2;
        for (; k < t_.size() && t_[k].depth > t_[i].depth; ++k) {
            const Piece& q = *t_[k].piece;
            if (q.kind != Lex::Literal && q.kind != Lex::Number && !punct(k, ',') && !punct(k, '-')) return 0;
        }
        return punct(k, ')') ? k + 1 : 0;
    }

    std::optional<RangeCondition> rangeAt(std::size_t between) {
        // The column: "name" or "qualifier.name", standing alone after WHERE, AND or OR.
        if (between == 0 || !isName(*t_[between - 1].piece) || word(between - 1, "not")) return std::nullopt;
        std::size_t start = between - 1;
        std::string qualifier;
        if (start >= 2 && punct(start - 1, '.') && isName(*t_[start - 2].piece)) {
            qualifier = unquoted(s_, *t_[start - 2].piece);
            start -= 2;
        }
        if (start == 0 || !(word(start - 1, "where") || word(start - 1, "and") || word(start - 1, "or")))
            return std::nullopt;
        if (std::find(boundAnds_.begin(), boundAnds_.end(), start - 1) != boundAnds_.end()) return std::nullopt;
        const std::size_t lowEnd = boundAt(between + 1);
        if (!lowEnd || !word(lowEnd, "and")) return std::nullopt;
        const std::size_t highEnd = boundAt(lowEnd + 1);
        if (!highEnd) return std::nullopt;
        if (highEnd < t_.size() && !word(highEnd, "and") && !word(highEnd, "or") && !endsWhere(s_, *t_[highEnd].piece))
            return std::nullopt;

        RangeCondition r;
        if (!qualifier.empty()) {
            const auto t = tables_.find(lowerAscii(qualifier));
            if (t == tables_.end()) return std::nullopt;
            r.table = t->second;
        } else if (named_.size() == 1) {
            r.table = named_.front();
        } else {
            return std::nullopt;
        }
        r.column = unquoted(s_, *t_[between - 1].piece);
        const auto spanText = [&](std::size_t from, std::size_t to) {
            return std::string(s_.substr(t_[from].piece->begin, t_[to - 1].piece->end - t_[from].piece->begin));
        };
        r.low = spanText(between + 1, lowEnd);
        r.high = spanText(lowEnd + 1, highEnd);
        r.begin = t_[start].piece->begin;
        r.end = t_[highEnd - 1].piece->end;
        return r;
    }

    std::string_view s_;
    std::vector<Piece> pieces_;
    std::vector<Token> t_;
    std::map<std::string, std::string> tables_;  // lower-case table or alias to the table
    std::vector<std::string> named_;             // the tables FROM names, in order
    std::vector<std::size_t> boundAnds_;         // the ANDs between a BETWEEN's bounds
};

}  // namespace

std::vector<RangeCondition> constantRanges(std::string_view query) {
    // Most statements are no query or have no range at all: a look at the
    // first word and for the word "between" before taking them apart (this
    // runs for every statement a posting sends).
    std::size_t first = 0;
    while (first < query.size() && std::isspace(static_cast<unsigned char>(query[first]))) ++first;
    const auto startsWith = [&](std::string_view word) {
        return query.size() - first >= word.size() && equalsIgnoreCase(query.substr(first, word.size()), word);
    };
    if (!startsWith("select") && !startsWith("explain")) return {};
    bool between = false;
    for (std::size_t i = 0; !between && i + 7 <= query.size(); ++i)
        between = (query[i] | 0x20) == 'b' && equalsIgnoreCase(query.substr(i, 7), "between");
    if (!between) return {};
    return RangeFinder(query).find();
}

std::string withLikelihoods(std::string_view query, const std::vector<RangeCondition>& ranges,
                            const std::vector<std::string>& shares) {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < ranges.size() && i < shares.size(); ++i) {
        if (shares[i].empty()) continue;
        const RangeCondition& r = ranges[i];
        out.append(query.substr(copied, r.begin - copied))
            .append("likelihood(")
            .append(query.substr(r.begin, r.end - r.begin))
            .append(", ")
            .append(shares[i])
            .append(")");
        copied = r.end;
    }
    return out.append(query.substr(copied));
}

}  // namespace fo
