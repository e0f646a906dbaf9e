#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace fo::utf8 {

// Positions in a text box count characters, not bytes, as a clerk sees them.
std::size_t length(std::string_view text);
// Byte offset of character `index` (clamped to the end).
std::size_t byteOffset(std::string_view text, std::size_t index);
// Characters [start, start + count) of `text`.
std::string mid(std::string_view text, std::size_t start, std::size_t count = std::string::npos);
// The character `codePoint` encoded as UTF-8.
std::string encode(int codePoint);
// Splits `text` into code points; invalid bytes come back one by one.
template <class F> void forEachCodePoint(std::string_view text, F f);
int decodeAt(std::string_view text, std::size_t& pos);

template <class F> void forEachCodePoint(std::string_view text, F f) {
    std::size_t pos = 0;
    while (pos < text.size()) f(decodeAt(text, pos));
}

// Case-insensitive comparison of ASCII letters; other bytes compare as they are.
std::string lowerAscii(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace fo::utf8
