#include "db/values/Value.h"
#include "db/values/WideInt.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace fo {
namespace {

// The leading numeric part of a text: blanks, optional sign, digits and at
// most one decimal point. Empty when there is no digit.
std::string_view leadingNumericPart(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool point = false, digit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') digit = true;
        else if (c == '.' && !point) point = true;
        else break;
    }
    if (!digit) return {};
    return text.substr(start, i - start);
}

std::int64_t roundHalfEvenToInt(double d) {
    if (!std::isfinite(d)) return 0;
    const double r = std::nearbyint(d);  // default rounding mode: half to even
    if (r >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    if (r <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}

}  // namespace

Currency leadingNumber(std::string_view text) {
    const std::string_view part = leadingNumericPart(text);
    if (part.empty()) return Currency();
    if (auto c = Currency::parse(part)) return *c;
    // Too many digits for a currency: the nearest end of its range.
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    return Currency::fromRaw(part.front() == '-' ? -max : max);
}

bool Value::isNumber() const {
    const Kind k = kind();
    return k == Kind::Integer || k == Kind::Currency || k == Kind::Double;
}

std::string Value::toText() const {
    switch (kind()) {
    case Kind::Null: return {};
    case Kind::Integer: return std::to_string(std::get<std::int64_t>(v_));
    case Kind::Currency: return std::get<Currency>(v_).plainText();
    case Kind::Double: {
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, std::get<double>(v_));
        return std::string(buf, res.ptr);
    }
    case Kind::Text: return std::get<std::string>(v_);
    case Kind::Date: return std::get<DateTime>(v_).defaultText();
    }
    return {};
}

Currency Value::toCurrency() const {
    switch (kind()) {
    case Kind::Integer: return Currency::fromInt(std::get<std::int64_t>(v_));
    case Kind::Currency: return std::get<Currency>(v_);
    case Kind::Double: {
        const double d = std::get<double>(v_);
        return std::isfinite(d) ? Currency::fromDouble(d) : Currency();
    }
    case Kind::Text: return leadingNumber(std::get<std::string>(v_));
    default: return Currency();
    }
}

std::int64_t Value::toInt() const {
    switch (kind()) {
    case Kind::Integer: return std::get<std::int64_t>(v_);
    case Kind::Currency: return std::get<Currency>(v_).roundHalfEven(0).raw() / Currency::Scale;
    case Kind::Double: return roundHalfEvenToInt(std::get<double>(v_));
    case Kind::Text: return leadingNumber(std::get<std::string>(v_)).roundHalfEven(0).raw() / Currency::Scale;
    default: return 0;
    }
}

double Value::toDouble() const {
    switch (kind()) {
    case Kind::Integer: return static_cast<double>(std::get<std::int64_t>(v_));
    case Kind::Currency: return std::get<Currency>(v_).toDouble();
    case Kind::Double: return std::get<double>(v_);
    case Kind::Text: {
        const std::string part(leadingNumericPart(std::get<std::string>(v_)));
        return part.empty() ? 0.0 : std::strtod(part.c_str(), nullptr);
    }
    default: return 0.0;
    }
}

std::optional<DateTime> Value::toDate() const {
    if (kind() == Kind::Date) return std::get<DateTime>(v_);
    if (kind() == Kind::Text) return DateTime::parse(std::get<std::string>(v_));
    return std::nullopt;
}

bool Value::operator==(const Value& o) const {
    if (kind() == o.kind() || !isNumber() || !o.isNumber()) return v_ == o.v_;
    if (kind() == Kind::Double || o.kind() == Kind::Double) return toDouble() == o.toDouble();
    // An integer against a currency, compared exactly on the currency's scale.
    const bool leftInt = kind() == Kind::Integer;
    const WideInt units = leftInt ? std::get<std::int64_t>(v_) : std::get<std::int64_t>(o.v_);
    const Currency money = leftInt ? std::get<Currency>(o.v_) : std::get<Currency>(v_);
    return units * Currency::Scale == money.raw();
}

std::string format00(const Value& v) { return v.toCurrency().format00(); }

std::string plainAmount(const Value& v) { return v.toCurrency().plainText(); }

}  // namespace fo
