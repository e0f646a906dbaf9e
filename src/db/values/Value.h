#pragma once
#include "FeeOfficeApi.h"
#include <cstdint>
#include <string>
#include <string_view>
#include <optional>
#include <type_traits>
#include <variant>

#include "db/values/Currency.h"
#include "db/values/DateTime.h"

namespace fo {

// The type of a field, as a set built field by field declares it.
enum class DataType {
    Empty,     // no declared type (a computed column)
    Integer,   // adInteger
    Currency,  // adCurrency
    Double,    // adDouble
    VarChar,   // adVarChar
    Date,      // adDate
};

// A field value or an argument: null, integer, currency, double, text or date.
// Conversions between them follow the rules the module relies on and live
// here only.
class FEEOFFICE_API Value {
public:
    enum class Kind { Null, Integer, Currency, Double, Text, Date };  // what a value holds

    Value() = default;  // null
    Value(std::int64_t v) : v_(v) {}  // an integer
    Value(int v) : v_(static_cast<std::int64_t>(v)) {}  // an integer
    // Any other integer type (long long, size_t...), which would otherwise be
    // ambiguous between the integer and double constructors.
    template <class T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, int> &&
                 !std::is_same_v<T, std::int64_t>)
    Value(T v) : v_(static_cast<std::int64_t>(v)) {}
    Value(Currency v) : v_(v) {}
    Value(double v) : v_(v) {}
    Value(std::string v) : v_(std::move(v)) {}
    Value(const char* v) : v_(std::string(v)) {}
    Value(std::string_view v) : v_(std::string(v)) {}
    Value(DateTime v) : v_(v) {}
    static Value null() { return Value(); }

    Kind kind() const { return static_cast<Kind>(v_.index()); }  // what it holds
    bool isNull() const { return kind() == Kind::Null; }  // whether it is null
    bool isText() const { return kind() == Kind::Text; }  // whether it is text
    bool isNumber() const;  // integer, currency or double

    // Text form: null -> "", integer "42", currency in its plain form ("12.5"),
    // double in shortest round-trip form, date in its default text form.
    std::string toText() const;
    // Numbers convert exactly; text through its leading numeric part (see
    // leadingNumber); dates are not numbers (0); null is 0.
    Currency toCurrency() const;
    std::int64_t toInt() const;  // currency and double round half to even
    double toDouble() const;
    // Dates as they are, text parsed as a date; nothing otherwise.
    std::optional<DateTime> toDate() const;

    const std::string* textPtr() const { return std::get_if<std::string>(&v_); }  // the text without a copy; nullptr unless Text

    // Equality as values: numbers compare by value across kinds, text by
    // bytes, null equals only null.
    bool operator==(const Value& o) const;

private:
    std::variant<std::monostate, std::int64_t, Currency, double, std::string, DateTime> v_;
};

// The leading numeric part of a text, as a clerk's typing is read: leading
// blanks skipped, an optional sign, digits and one decimal point; the rest is
// ignored. "12.5元" -> 12.5, "abc" -> 0, "" -> 0, "-.5" -> -0.5. More than four
// decimals round half away from zero.
FEEOFFICE_API Currency leadingNumber(std::string_view text);

// "0.00" formatting of any value (its currency value).
FEEOFFICE_API std::string format00(const Value& v);
// The plain text form of an amount (50 -> "50", 12.5 -> "12.5").
FEEOFFICE_API std::string plainAmount(const Value& v);

}  // namespace fo
