#include "bills/SqlNumber.h"

#include <cmath>

namespace fo {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::string> sqlNumberLiteral(std::string_view text, bool emptyIsZero) {
    text = trimmed(text);
    if (text.empty()) return emptyIsZero ? std::optional<std::string>("0") : std::nullopt;

    std::string sign;
    if (text.front() == '+' || text.front() == '-') {
        if (text.front() == '-') sign = "-";
        text.remove_prefix(1);
    }
    std::string intPart, fracPart;
    bool seenPoint = false;
    for (char c : text) {
        if (c == '.' && !seenPoint) seenPoint = true;
        else if (isDigit(c)) (seenPoint ? fracPart : intPart) += c;
        else return std::nullopt;
    }
    if (intPart.empty() && fracPart.empty()) return std::nullopt;
    if (intPart.empty()) intPart = "0";
    return sign + intPart + (fracPart.empty() ? std::string() : "." + fracPart);
}

std::optional<std::string> valueNumberLiteral(const Value& value, bool emptyIsZero) {
    switch (value.kind()) {
    case Value::Kind::Null:
        return emptyIsZero ? std::optional<std::string>("0") : std::nullopt;
    case Value::Kind::Integer:
    case Value::Kind::Currency:
        return value.toText();
    case Value::Kind::Double:
        if (!std::isfinite(value.toDouble())) return std::nullopt;
        return Currency::fromDouble(value.toDouble()).plainText();
    case Value::Kind::Text:
        return sqlNumberLiteral(value.toText(), emptyIsZero);
    case Value::Kind::Date:
        break;
    }
    return std::nullopt;
}

}  // namespace fo
