#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <string_view>
#include <vector>

#include "db/values/Value.h"

namespace fo {

// A statement as the module composes it, with the values written into it
// kept apart too, so that a statement run once per row can be prepared once
// and run with its values bound instead of being read anew each time:
// text() is the statement as written, shape() the same with "?" where each
// value stands, values() those values in order. A text composed whole (from
// a plain string) has no shape and runs as it is written.
class FEEOFFICE_API SqlText {
public:
    SqlText() = default;
    SqlText(std::string text) : text_(std::move(text)), shape_(text_) {}  // NOLINT: a statement as written
    SqlText(const char* text) : text_(text), shape_(text_) {}              // NOLINT

    // Fixed text, the same in every row.
    SqlText& add(std::string_view fixed);
    // A value: `written` as it stands in the text, `bound` as it is bound.
    SqlText& value(std::string_view written, Value bound);
    // A number written as it stands in the text ("17", "12.50"): bound as a
    // whole number when it is one, otherwise as money, exactly.
    SqlText& number(std::string_view written);

    const std::string& text() const { return text_; }  // the statement with every value written out
    const std::string& shape() const { return shape_; }  // the statement with "?" for each value
    const std::vector<Value>& values() const { return values_; }  // the values, in the order of the "?"
    // True when a value was set apart, so the shape can be prepared.
    bool bindable() const { return !values_.empty(); }

private:
    std::string text_, shape_;
    std::vector<Value> values_;
};

}  // namespace fo
