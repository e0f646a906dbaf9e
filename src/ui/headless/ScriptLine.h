#pragma once
#include <optional>
#include <string>
#include <vector>

namespace fo {

// One line of a driver script split into words: blanks separate words, a
// word in double quotes may hold blanks ("\n" inside it is a line break,
// "\"" a quote, "\\" a backslash), a line starting with "#" is a comment.
struct ScriptLine {
    int number = 0;
    std::vector<std::string> words;
};

// The words of `text`; nothing for blank and comment lines. Throws
// std::invalid_argument for an unterminated quote.
std::optional<ScriptLine> parseScriptLine(const std::string& text, int number);

}  // namespace fo
