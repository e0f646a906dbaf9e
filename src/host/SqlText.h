#pragma once
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

}  // namespace fo
