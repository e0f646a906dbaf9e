#include "ui/headless/ScriptLine.h"

#include <stdexcept>

namespace fo {

std::optional<ScriptLine> parseScriptLine(const std::string& text, int number) {
    ScriptLine line{number, {}};
    std::size_t i = 0;
    const auto blank = [&](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < text.size() && blank(text[i])) ++i;
    if (i == text.size() || text[i] == '#') return std::nullopt;
    while (i < text.size()) {
        while (i < text.size() && blank(text[i])) ++i;
        if (i == text.size()) break;
        std::string word;
        if (text[i] == '"') {
            ++i;
            bool closed = false;
            while (i < text.size()) {
                const char c = text[i++];
                if (c == '"') { closed = true; break; }
                if (c == '\\' && i < text.size()) {
                    const char e = text[i++];
                    word += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    word += c;
                }
            }
            if (!closed) throw std::invalid_argument("unterminated quote");
        } else {
            while (i < text.size() && !blank(text[i])) word += text[i++];
        }
        line.words.push_back(word);
    }
    return line;
}

}  // namespace fo
