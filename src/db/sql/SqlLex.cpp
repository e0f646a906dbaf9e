#include "db/sql/SqlLex.h"

#include <cctype>

#include "db/values/TextCase.h"

namespace fo::sqllex {

bool wordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool wordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

std::vector<Piece> lex(std::string_view s) {
    std::vector<Piece> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t b = i;
        const unsigned char c = static_cast<unsigned char>(s[i]);
        Lex kind;
        if (std::isspace(c)) {
            while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
            kind = Lex::Blank;
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n') ++i;
            kind = Lex::Comment;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            const std::size_t close = s.find("*/", i + 2);
            i = close == std::string_view::npos ? s.size() : close + 2;
            kind = Lex::Comment;
        } else if (c == '\'' || c == '"' || c == '`') {
            ++i;
            while (i < s.size()) {
                if (s[i] == static_cast<char>(c)) {
                    if (i + 1 < s.size() && s[i + 1] == static_cast<char>(c)) { i += 2; continue; }
                    ++i;
                    break;
                }
                ++i;
            }
            kind = c == '\'' ? Lex::Literal : Lex::QuotedName;
        } else if (c == '[') {
            const std::size_t close = s.find(']', i + 1);
            i = close == std::string_view::npos ? s.size() : close + 1;
            kind = Lex::QuotedName;
        } else if (wordStart(c)) {
            while (i < s.size() && wordChar(static_cast<unsigned char>(s[i]))) ++i;
            kind = Lex::Word;
        } else if (std::isdigit(c)) {
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
            kind = Lex::Number;
        } else {
            ++i;
            kind = Lex::Punct;
        }
        out.push_back({kind, b, i});
    }
    return out;
}

bool isWord(std::string_view s, const Piece& p, std::string_view lowerWord) {
    if (p.kind != Lex::Word || p.end - p.begin != lowerWord.size()) return false;
    for (std::size_t i = 0; i < lowerWord.size(); ++i)
        if (lowerAscii(s[p.begin + i]) != lowerWord[i]) return false;
    return true;
}

bool significant(const Piece& p) { return p.kind != Lex::Blank && p.kind != Lex::Comment; }

std::size_t nextSignificant(const std::vector<Piece>& pieces, std::size_t i) {
    ++i;
    while (i < pieces.size() && !significant(pieces[i])) ++i;
    return i;
}

bool isPunct(std::string_view s, const Piece& p, char c) {
    return p.kind == Lex::Punct && s[p.begin] == c;
}

}  // namespace fo::sqllex
