#pragma once
#include <string>

#include "db/values/DateTime.h"

// Small text helpers of the school's set-up.
namespace fo::schooltext {

inline std::string num(long v) { return std::to_string(v); }

// Blanks around a name are no part of it.
inline std::string trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// A day written "yyyy-mm-dd" that exists.
inline bool isDay(const std::string& text) {
    const auto d = DateTime::parse(text);
    return d && text.size() == 10 && d->dateText() == text;
}

}  // namespace fo::schooltext
