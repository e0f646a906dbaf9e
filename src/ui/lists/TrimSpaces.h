#pragma once
#include <string>
#include <string_view>

namespace fo {

// A typed text without the spaces at either end, as the windows compare and
// store what a clerk typed. Only the ASCII space counts: tabs and full-width
// blanks stay.
inline std::string trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

}  // namespace fo
