#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

namespace fo::sqllex {

// The pieces SQL text is made of, as the engine-side rewrites see it: they
// never look inside a literal, a quoted or bracketed name, or a comment.
enum class Lex { Blank, Comment, Literal, QuotedName, Word, Number, Punct };

struct Piece {
    Lex kind;
    std::size_t begin, end;
};

bool wordStart(unsigned char c);
bool wordChar(unsigned char c);

// Splits SQL text into pieces; an unterminated literal or comment runs to the end.
std::vector<Piece> lex(std::string_view s);

// The piece is the word `lowerWord` (given in lower case), in any case.
bool isWord(std::string_view s, const Piece& p, std::string_view lowerWord);
bool isPunct(std::string_view s, const Piece& p, char c);
// Neither blank nor comment.
bool significant(const Piece& p);
// Index of the next significant piece after `i`, or pieces.size().
std::size_t nextSignificant(const std::vector<Piece>& pieces, std::size_t i);

inline std::string_view textOf(std::string_view s, const Piece& p) { return s.substr(p.begin, p.end - p.begin); }

}  // namespace fo::sqllex
