#include "db/sql/SqlText.h"

#include <charconv>

#include "db/values/Currency.h"

namespace fo {

SqlText& SqlText::add(std::string_view fixed) {
    text_.append(fixed);
    shape_.append(fixed);
    return *this;
}

SqlText& SqlText::value(std::string_view written, Value bound) {
    text_.append(written);
    shape_.append("?");
    values_.push_back(std::move(bound));
    return *this;
}

SqlText& SqlText::number(std::string_view written) {
    std::int64_t whole = 0;
    const auto [end, error] = std::from_chars(written.data(), written.data() + written.size(), whole);
    if (error == std::errc() && end == written.data() + written.size()) return value(written, Value(whole));
    const auto amount = Currency::parse(std::string(written));
    return value(written, amount ? Value(*amount) : Value(std::string(written)));
}

}  // namespace fo
