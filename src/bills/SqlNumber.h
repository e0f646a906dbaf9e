#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "db/values/Value.h"

namespace fo {

// Numbers that a statement writes unquoted (ids, amounts, day counts) arrive
// as text typed or composed by the host. Placed into SQL unchecked, a stray
// letter would break the statement or change its meaning, so each one is
// checked first: after trimming blanks the whole text must be a plain
// decimal number (optional sign, digits, at most one decimal point).
//
// Returns the literal to place into the statement ("+5" -> "5", ".5" -> "0.5",
// "-.5" -> "-0.5", "12." -> "12", other texts unchanged apart from trimming),
// or nothing when the text is not a number. An empty text gives "0" when
// `emptyIsZero`, nothing otherwise.
std::optional<std::string> sqlNumberLiteral(std::string_view text, bool emptyIsZero);

// The same for a field value: numbers are written in their plain form (a
// double rounded to four decimals), null counts as empty, text is checked as
// above, a date is not a number.
std::optional<std::string> valueNumberLiteral(const Value& value, bool emptyIsZero);

}  // namespace fo
