#include "db/RecordsetFilter.h"

#include <cctype>
#include <optional>

#include "db/DbError.h"

namespace fo {
namespace {

// ---------- tokens ----------

enum class Tok { End, LParen, RParen, Op, Word, Name, Text, Number, Date };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // operator, word, name, literal body
};

bool isWordChar(unsigned char c) {
    return !(std::isspace(c) || c == '(' || c == ')' || c == '=' || c == '<' || c == '>' ||
             c == '\'' || c == '[' || c == ']' || c == '#' || c == '"');
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

[[noreturn]] void bad(const std::string& expression, const std::string& why) {
    throw DbError(DbErrorKind::Other, dberr::BadFilter, "程序内部错误：筛选条件无法识别：" + expression,
                  "Filter not understood (" + why + "): " + expression, expression);
}

std::vector<Token> tokenize(const std::string& e) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < e.size()) {
        const unsigned char c = static_cast<unsigned char>(e[i]);
        if (std::isspace(c)) { ++i; continue; }
        if (c == '(') { out.push_back({Tok::LParen, "("}); ++i; continue; }
        if (c == ')') { out.push_back({Tok::RParen, ")"}); ++i; continue; }
        if (c == '=' ) { out.push_back({Tok::Op, "="}); ++i; continue; }
        if (c == '<' || c == '>') {
            std::string op(1, static_cast<char>(c));
            if (i + 1 < e.size() && (e[i + 1] == '=' || (c == '<' && e[i + 1] == '>'))) op += e[++i];
            out.push_back({Tok::Op, op});
            ++i;
            continue;
        }
        if (c == '\'' || c == '#') {
            const char quote = static_cast<char>(c);
            std::string body;
            ++i;
            for (;;) {
                if (i >= e.size()) bad(e, "unterminated literal");
                if (e[i] == quote) {
                    if (quote == '\'' && i + 1 < e.size() && e[i + 1] == '\'') { body += '\''; i += 2; continue; }
                    ++i;
                    break;
                }
                body += e[i++];
            }
            out.push_back({quote == '\'' ? Tok::Text : Tok::Date, body});
            continue;
        }
        if (c == '[') {
            const std::size_t close = e.find(']', i + 1);
            if (close == std::string::npos) bad(e, "unterminated field name");
            out.push_back({Tok::Name, e.substr(i + 1, close - i - 1)});
            i = close + 1;
            continue;
        }
        if (c == ']' || c == '"') bad(e, "unexpected character");
        std::size_t j = i;
        while (j < e.size() && isWordChar(static_cast<unsigned char>(e[j]))) ++j;
        std::string word = e.substr(i, j - i);
        i = j;
        // A number: optional sign, digits, at most one point.
        std::size_t k = (word[0] == '-' || word[0] == '+') ? 1 : 0;
        bool digit = false, point = false, numeric = k < word.size();
        for (; k < word.size() && numeric; ++k) {
            if (word[k] >= '0' && word[k] <= '9') digit = true;
            else if (word[k] == '.' && !point) point = true;
            else numeric = false;
        }
        out.push_back({numeric && digit ? Tok::Number : Tok::Word, word});
    }
    out.push_back({Tok::End, {}});
    return out;
}

// ---------- value comparison ----------

int threeWay(auto a, auto b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Compares a field value with a literal the way a filter reads it; nothing
// when the two cannot be compared.
std::optional<int> compare(const Value& field, const Value& literal) {
    if (field.isNull() || literal.isNull()) return std::nullopt;
    if (literal.kind() == Value::Kind::Date || field.kind() == Value::Kind::Date) {
        auto a = field.toDate();
        auto b = literal.toDate();
        if (!a || !b) return std::nullopt;
        return threeWay(*a, *b);
    }
    const bool fieldNumber = field.isNumber();
    const bool literalNumber = literal.isNumber();
    if (fieldNumber || literalNumber) {
        // One side is a number: the other must read as one in full.
        Value a = field, b = literal;
        if (!fieldNumber) {
            auto parsed = Currency::parse(*field.textPtr());
            if (!parsed) return threeWay(lowerAscii(field.toText()), lowerAscii(literal.toText()));
            a = Value(*parsed);
        }
        if (!literalNumber) {
            auto parsed = Currency::parse(*literal.textPtr());
            if (!parsed) return threeWay(lowerAscii(field.toText()), lowerAscii(literal.toText()));
            b = Value(*parsed);
        }
        if (a.kind() == Value::Kind::Double || b.kind() == Value::Kind::Double)
            return threeWay(a.toDouble(), b.toDouble());
        if (a.kind() == Value::Kind::Integer && b.kind() == Value::Kind::Integer)
            return threeWay(a.toInt(), b.toInt());
        return threeWay(a.toCurrency(), b.toCurrency());
    }
    return threeWay(lowerAscii(field.toText()), lowerAscii(literal.toText()));
}

// UTF-8 text as code points, ASCII letters folded to lower case.
std::u32string foldedCodePoints(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        if (i + len > s.size()) len = 1;
        char32_t cp = len == 1 ? c : (c & (0x7F >> len));
        for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        if (cp >= 'A' && cp <= 'Z') cp = cp - 'A' + 'a';
        out.push_back(cp);
        i += len;
    }
    return out;
}

// `%` and `*` match any run of characters, `_` exactly one.
bool likeMatch(const std::u32string& text, const std::u32string& pattern) {
    std::size_t t = 0, p = 0, starP = std::u32string::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == U'%' || pattern[p] == U'*')) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == U'_' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && (pattern[p] == U'%' || pattern[p] == U'*')) ++p;
    return p == pattern.size();
}

// ---------- expression tree ----------

class Node : public RecordsetFilter {};

class Logical : public Node {
public:
    Logical(bool isAnd, std::shared_ptr<const Node> l, std::shared_ptr<const Node> r)
        : isAnd_(isAnd), l_(std::move(l)), r_(std::move(r)) {}
    bool matches(const std::vector<Value>& row) const override {
        return isAnd_ ? (l_->matches(row) && r_->matches(row)) : (l_->matches(row) || r_->matches(row));
    }

private:
    bool isAnd_;
    std::shared_ptr<const Node> l_, r_;
};

class Comparison : public Node {
public:
    Comparison(std::size_t field, std::string op, Value literal)
        : field_(field), op_(std::move(op)), literal_(std::move(literal)) {
        if (op_ == "like") pattern_ = foldedCodePoints(literal_.toText());
    }
    bool matches(const std::vector<Value>& row) const override {
        const Value& v = row[field_];
        if (op_ == "like") return !v.isNull() && likeMatch(foldedCodePoints(v.toText()), pattern_);
        if (literal_.isNull()) return op_ == "=" ? v.isNull() : (op_ == "<>" && !v.isNull());
        const auto c = compare(v, literal_);
        if (!c) return false;
        if (op_ == "=") return *c == 0;
        if (op_ == "<>") return *c != 0;
        if (op_ == "<") return *c < 0;
        if (op_ == ">") return *c > 0;
        if (op_ == "<=") return *c <= 0;
        return *c >= 0;  // ">="
    }

private:
    std::size_t field_;
    std::string op_;
    Value literal_;
    std::u32string pattern_;
};

class Parser {
public:
    Parser(const std::string& expression, const std::vector<FieldInfo>& fields)
        : expr_(expression), fields_(fields), toks_(tokenize(expression)) {}

    std::shared_ptr<const Node> parse() {
        auto node = orExpr();
        if (peek().kind != Tok::End) bad(expr_, "unexpected '" + peek().text + "'");
        return node;
    }

private:
    const Token& peek() const { return toks_[pos_]; }
    const Token& next() { return toks_[pos_ < toks_.size() - 1 ? pos_++ : pos_]; }
    bool atWord(const char* w) const { return peek().kind == Tok::Word && lowerAscii(peek().text) == w; }

    std::shared_ptr<const Node> orExpr() {
        auto left = andExpr();
        while (atWord("or")) {
            next();
            left = std::make_shared<Logical>(false, left, andExpr());
        }
        return left;
    }

    std::shared_ptr<const Node> andExpr() {
        auto left = factor();
        while (atWord("and")) {
            next();
            left = std::make_shared<Logical>(true, left, factor());
        }
        return left;
    }

    std::shared_ptr<const Node> factor() {
        if (peek().kind == Tok::LParen) {
            next();
            auto inner = orExpr();
            if (peek().kind != Tok::RParen) bad(expr_, "missing ')'");
            next();
            return inner;
        }
        return comparison();
    }

    std::shared_ptr<const Node> comparison() {
        const Token name = next();
        if (name.kind != Tok::Word && name.kind != Tok::Name) bad(expr_, "field name expected");
        int index = -1;
        for (std::size_t i = 0; i < fields_.size() && index < 0; ++i)
            if (lowerAscii(fields_[i].name) == lowerAscii(name.text)) index = static_cast<int>(i);
        if (index < 0) bad(expr_, "unknown field " + name.text);

        std::string op;
        if (peek().kind == Tok::Op) op = next().text;
        else if (atWord("like")) { next(); op = "like"; }
        else if (atWord("is")) {
            next();
            op = "=";
            if (atWord("not")) { next(); op = "<>"; }
            if (!atWord("null")) bad(expr_, "null expected after is");
            next();
            return std::make_shared<Comparison>(static_cast<std::size_t>(index), op, Value());
        } else bad(expr_, "operator expected after " + name.text);

        const Token lit = next();
        Value literal;
        switch (lit.kind) {
        case Tok::Text: literal = Value(lit.text); break;
        case Tok::Number: {
            if (lit.text.find('.') == std::string::npos) {
                auto c = Currency::parse(lit.text);
                if (!c) bad(expr_, "number out of range");
                literal = Value(c->raw() / Currency::Scale);
            } else {
                auto c = Currency::parse(lit.text);
                if (!c) bad(expr_, "number out of range");
                literal = Value(*c);
            }
            break;
        }
        case Tok::Date: {
            auto d = DateTime::parse(lit.text);
            if (!d) bad(expr_, "bad date #" + lit.text + "#");
            literal = Value(*d);
            break;
        }
        case Tok::Word:
            if (lowerAscii(lit.text) == "null") break;
            [[fallthrough]];
        default: bad(expr_, "value expected after " + op);
        }
        if (op == "like" && literal.isNull()) bad(expr_, "like needs a text pattern");
        return std::make_shared<Comparison>(static_cast<std::size_t>(index), op, literal);
    }

    const std::string& expr_;
    const std::vector<FieldInfo>& fields_;
    std::vector<Token> toks_;
    std::size_t pos_ = 0;
};

}  // namespace

std::shared_ptr<const RecordsetFilter> RecordsetFilter::compile(const std::string& expression,
                                                                const std::vector<FieldInfo>& fields) {
    return Parser(expression, fields).parse();
}

}  // namespace fo
