#pragma once
#include "FeeOfficeApi.h"
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fo {

// Money as a fixed-point number with four decimals, like a currency type:
// the value is raw()/10000. Arithmetic and comparisons never go through
// binary floating point.
class FEEOFFICE_API Currency {
public:
    static constexpr std::int64_t Scale = 10000;  // raw units per currency unit

    constexpr Currency() = default;
    static constexpr Currency fromRaw(std::int64_t raw) { Currency c; c.raw_ = raw; return c; }  // from raw units (1/10000)
    static constexpr Currency fromInt(std::int64_t units) { return fromRaw(units * Scale); }  // from whole units
    // Nearest currency value to a double (half away from zero at the 5th decimal).
    static Currency fromDouble(double d);
    // Exact parse of a decimal text such as "-12.5", "0.00", "1e3" is not accepted;
    // returns nothing when the whole text is not a plain decimal number.
    static std::optional<Currency> parse(std::string_view text);

    constexpr std::int64_t raw() const { return raw_; }  // in raw units (1/10000)
    double toDouble() const { return static_cast<double>(raw_) / Scale; }  // for display and engines only, never for arithmetic

    constexpr Currency operator-() const { return fromRaw(-raw_); }  // negated
    constexpr Currency operator+(Currency o) const { return fromRaw(raw_ + o.raw_); }  // exact sum
    constexpr Currency operator-(Currency o) const { return fromRaw(raw_ - o.raw_); }  // exact difference
    Currency& operator+=(Currency o) { raw_ += o.raw_; return *this; }  // adds exactly
    Currency& operator-=(Currency o) { raw_ -= o.raw_; return *this; }  // subtracts exactly
    // Products and quotients round half away from zero to four decimals.
    Currency operator*(Currency o) const;
    Currency operator/(Currency o) const;  // throws std::domain_error on division by zero
    constexpr auto operator<=>(const Currency&) const = default;
    constexpr bool isZero() const { return raw_ == 0; }

    // Rounds to `digits` decimals (0..4), half to even (banker's rounding).
    Currency roundHalfEven(int digits) const;
    // Rounds to `digits` decimals (0..4), half away from zero.
    Currency roundHalfAway(int digits) const;

    // "0.00": two decimals, half away from zero ("12.345" -> "12.35", "-0.005" -> "-0.01").
    std::string format00() const;
    // The plain text form of an amount: no trailing zeros, no trailing point
    // (50 -> "50", 12.5 -> "12.5", -0.25 -> "-0.25").
    std::string plainText() const;

private:
    std::int64_t raw_ = 0;
};

}  // namespace fo
