#pragma once
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace fo {

// A text as an SQL literal: between single quotes, with every single quote
// doubled, so the stored value equals the text.
inline std::string sqlLiteral(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

// True for a non-empty text of ASCII digits alone: an id that can stand in a
// statement as it is, where any other text goes in as a literal.
inline bool digitsOnly(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace fo
