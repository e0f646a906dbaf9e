#include "ui/lists/Utf8Text.h"

namespace fo::utf8 {

namespace {
bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

std::size_t length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if (!isContinuation(c)) ++n;
    return n;
}

std::size_t byteOffset(std::string_view text, std::size_t index) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < index && pos < text.size(); ++i) {
        ++pos;
        while (pos < text.size() && isContinuation(static_cast<unsigned char>(text[pos]))) ++pos;
    }
    return pos;
}

std::string mid(std::string_view text, std::size_t start, std::size_t count) {
    const std::size_t from = byteOffset(text, start);
    if (count == std::string::npos) return std::string(text.substr(from));
    const std::size_t to = from + byteOffset(text.substr(from), count);
    return std::string(text.substr(from, to - from));
}

std::string encode(int cp) {
    std::string out;
    const auto u = static_cast<unsigned>(cp);
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (u >> 18));
        out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
    return out;
}

int decodeAt(std::string_view text, std::size_t& pos) {
    const auto c = static_cast<unsigned char>(text[pos++]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    int cp = extra == 3 ? (c & 0x07) : extra == 2 ? (c & 0x0F) : extra == 1 ? (c & 0x1F) : c;
    while (extra-- > 0 && pos < text.size() && isContinuation(static_cast<unsigned char>(text[pos])))
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    return cp;
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) { return lowerAscii(a) == lowerAscii(b); }

}  // namespace fo::utf8
