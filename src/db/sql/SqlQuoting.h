#pragma once
#include <string>
#include <string_view>

namespace fo {

// A name written into a statement as a quoted identifier ("a""b"), so that
// any name, a reserved word or one with spaces included, stands for itself.
inline std::string quotedIdentifier(std::string_view name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// A text written into a statement as a literal ('it''s'), its single quotes
// doubled once.
inline std::string quotedLiteral(std::string_view text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

}  // namespace fo
