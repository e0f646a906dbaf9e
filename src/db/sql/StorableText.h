#pragma once
#include <string_view>

namespace fo {

// True when `text` can be stored as it is on every engine: well-formed UTF-8
// (no stray or overlong bytes, no surrogates) without a NUL, which one
// engine would store cut short and another refuse.
bool isStorableText(std::string_view text);

// Throws DbError (dberr::BadText, the clerk's Chinese text) when `text`
// cannot be stored; `statement` is what the error names.
void requireStorableText(std::string_view text, std::string_view statement);

}  // namespace fo
