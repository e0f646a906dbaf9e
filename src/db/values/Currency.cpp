#include "db/values/Currency.h"
#include "db/values/WideInt.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace fo {
namespace {

using Wide = WideInt;

constexpr std::int64_t pow10(int n) {
    std::int64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// Quotient of num/den rounded half away from zero.
Wide divideHalfAway(Wide num, Wide den) {
    Wide q = num / den;
    Wide r = num % den;
    if (r < 0) r = -r;
    Wide absDen = den < 0 ? -den : den;
    if (2 * r >= absDen) q += ((num < 0) != (den < 0)) ? -1 : 1;
    return q;
}

std::int64_t narrow(Wide v) {
    if (v > std::numeric_limits<std::int64_t>::max() || v < std::numeric_limits<std::int64_t>::min())
        throw std::overflow_error("currency value out of range");
    return static_cast<std::int64_t>(v);
}

int clampDigits(int digits) { return digits < 0 ? 0 : (digits > 4 ? 4 : digits); }

}  // namespace

Currency Currency::fromDouble(double d) {
    if (!std::isfinite(d)) throw std::domain_error("currency from a non-finite number");
    const double scaled = std::round(d * static_cast<double>(Scale));  // half away from zero
    if (scaled >= 9.2e18 || scaled <= -9.2e18) throw std::overflow_error("currency value out of range");
    return fromRaw(static_cast<std::int64_t>(scaled));
}

std::optional<Currency> Currency::parse(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    Wide units = 0;     // scaled by 10^decimals
    int decimals = 0;
    int digits = 0;
    bool point = false;
    for (char c : text) {
        if (c == '.') {
            if (point) return std::nullopt;
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        ++digits;
        if (point) {
            // Half away from zero at the fourth decimal looks only at the
            // fifth; later digits cannot change the result.
            if (decimals >= 5) continue;
            ++decimals;
        }
        units = units * 10 + (c - '0');
        if (units > (Wide(1) << 100)) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    Wide raw = units;
    if (decimals < 4) raw *= pow10(4 - decimals);
    else if (decimals == 5) raw = divideHalfAway(raw, 10);
    if (negative) raw = -raw;
    if (raw > std::numeric_limits<std::int64_t>::max() || raw < std::numeric_limits<std::int64_t>::min())
        return std::nullopt;
    return fromRaw(static_cast<std::int64_t>(raw));
}

Currency Currency::operator*(Currency o) const {
    return fromRaw(narrow(divideHalfAway(Wide(raw_) * o.raw_, Scale)));
}

Currency Currency::operator/(Currency o) const {
    if (o.raw_ == 0) throw std::domain_error("currency division by zero");
    return fromRaw(narrow(divideHalfAway(Wide(raw_) * Scale, o.raw_)));
}

Currency Currency::roundHalfEven(int digits) const {
    const std::int64_t unit = pow10(4 - clampDigits(digits));
    if (unit == 1) return *this;
    std::int64_t q = raw_ / unit;
    std::int64_t r = raw_ % unit;
    const std::int64_t absR = r < 0 ? -r : r;
    if (2 * absR > unit || (2 * absR == unit && (q % 2 != 0))) q += raw_ < 0 ? -1 : 1;
    return fromRaw(q * unit);
}

Currency Currency::roundHalfAway(int digits) const {
    const std::int64_t unit = pow10(4 - clampDigits(digits));
    if (unit == 1) return *this;
    return fromRaw(narrow(divideHalfAway(raw_, unit) * unit));
}

std::string Currency::format00() const {
    const std::int64_t cents = roundHalfAway(2).raw_ / 100;
    const std::uint64_t mag = cents < 0 ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
    std::string frac = std::to_string(mag % 100);
    if (frac.size() < 2) frac.insert(0, 1, '0');
    return (cents < 0 ? "-" : "") + std::to_string(mag / 100) + "." + frac;
}

std::string Currency::plainText() const {
    const std::uint64_t mag = raw_ < 0 ? 0 - static_cast<std::uint64_t>(raw_) : static_cast<std::uint64_t>(raw_);
    std::string text = (raw_ < 0 ? "-" : "") + std::to_string(mag / Scale);
    std::uint64_t frac = mag % Scale;
    if (frac != 0) {
        std::string digits = std::to_string(frac);
        digits.insert(0, 4 - digits.size(), '0');
        while (digits.back() == '0') digits.pop_back();
        text += "." + digits;
    }
    return text;
}

}  // namespace fo
