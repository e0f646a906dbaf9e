#include "db/sqlite/SqliteFunctions.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "db/values/Currency.h"
#include "db/values/WideInt.h"
#include "db/values/DateTime.h"
#include "db/sqlite/SqliteNocase.h"

namespace fo {
namespace {

const int kDeterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;

std::string textOf(sqlite3_value* v) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return std::string(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(v)));
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A text that is a number in full (blanks around allowed), as strtod reads it.
bool numericText(const std::string& text, double& out) {
    const char* begin = text.c_str();
    char* end = nullptr;
    out = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0';
}

// A plain decimal text ("-12.3456789", blanks around allowed) rounded once to
// two decimals, half away from zero, from all of its digits: "0.00499" gives
// "0.00", "0.005" gives "0.01". Nothing when the text is not such a number.
std::optional<std::string> rounded00(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::string whole, fraction;
    bool point = false;
    for (char c : text) {
        if (c == '.' && !point) point = true;
        else if (c >= '0' && c <= '9') (point ? fraction : whole) += c;
        else return std::nullopt;
    }
    if (whole.empty() && fraction.empty()) return std::nullopt;
    const bool up = fraction.size() > 2 && fraction[2] >= '5';
    fraction.resize(2, '0');
    // Every digit of whole and fraction, then one more in the last place.
    std::string digits = (whole.empty() ? "0" : whole) + fraction;
    if (up) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) digits.insert(digits.begin(), '1');
        else ++digits[i - 1];
    }
    std::size_t lead = 0;
    while (lead + 3 < digits.size() && digits[lead] == '0') ++lead;
    digits.erase(0, lead);
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    return std::string(negative && !zero ? "-" : "") + digits.substr(0, digits.size() - 2) + "." +
           digits.substr(digits.size() - 2);
}

// A stored floating value stands for the shortest decimal that reads back
// as it (1.005 is "1.005", not 1.00499999999999989...): that is what rounds.
std::optional<std::string> rounded00(double d) {
    if (!std::isfinite(d)) return std::nullopt;
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::fixed);
    if (ec != std::errc()) return std::nullopt;
    return rounded00(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

void resultText(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// isnull(x): 1 when x is null. isnull(x, y): x, or y when x is null.
void isnullFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc == 1) {
        sqlite3_result_int(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? 1 : 0);
        return;
    }
    sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

bool truthy(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return sqlite3_value_int64(v) != 0;
    case SQLITE_FLOAT: return sqlite3_value_double(v) != 0.0;
    case SQLITE_TEXT: {
        double d = 0;
        return numericText(textOf(v), d) && d != 0.0;
    }
    default: return false;
    }
}

// iif(condition, whenTrue, whenFalse)
void iifFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_value(ctx, truthy(argv[0]) ? argv[1] : argv[2]);
}

// format(value, 'yyyy-mm-dd' | 'yyyy-mm-dd hh:mm:ss' | '0.00'); a value the
// format does not apply to comes back unchanged.
void formatFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string fmt = lower(textOf(argv[1]));
    if (fmt == "yyyy-mm-dd" || fmt == "yyyy-mm-dd hh:mm:ss") {
        if (type == SQLITE_TEXT) {
            if (auto d = DateTime::parse(textOf(argv[0]))) {
                resultText(ctx, fmt.size() == 10 ? d->dateText() : d->dateTimeText());
                return;
            }
        }
    } else if (fmt == "0.00") {
        std::optional<std::string> text;
        if (type == SQLITE_INTEGER) {
            text = std::to_string(sqlite3_value_int64(argv[0])) + ".00";
        } else if (type == SQLITE_FLOAT) {
            text = rounded00(sqlite3_value_double(argv[0]));
        } else if (type == SQLITE_TEXT) {
            const std::string value = textOf(argv[0]);
            text = rounded00(value);
            double d = 0;
            if (!text && numericText(value, d)) text = rounded00(d);
        }
        if (text) {
            resultText(ctx, *text);
            return;
        }
    }
    sqlite3_result_value(ctx, argv[0]);
}

// getdate(): the local date and time as "yyyy-mm-dd hh:mm:ss".
void getdateFunction(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, DateTime::now().dateTimeText());
}

// left(s, n): the first n characters (not bytes) of s.
void leftFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::string s = textOf(argv[0]);
    sqlite3_int64 n = sqlite3_value_int64(argv[1]);
    std::size_t end = 0;
    while (end < s.size() && n > 0) {
        ++end;
        while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) ++end;
        --n;
    }
    resultText(ctx, s.substr(0, end));
}

// ---- exact sum ----

using Wide = WideInt;

struct SumState {
    Wide total;          // in ten-thousandths
    sqlite3_int64 count; // non-null values
    sqlite3_int64 inexact; // values that were not integers
};

// SQLite's aggregate memory is only 8-byte aligned, less than a 128-bit
// integer needs, so the state is copied in and out rather than used in place.
class SumSlot {
public:
    SumSlot(sqlite3_context* ctx, int bytes)
        : raw_(sqlite3_aggregate_context(ctx, bytes)) {
        if (raw_) std::memcpy(&state, raw_, sizeof state);
    }
    ~SumSlot() { if (raw_ && dirty_) std::memcpy(raw_, &state, sizeof state); }
    SumSlot(const SumSlot&) = delete;
    SumSlot& operator=(const SumSlot&) = delete;
    explicit operator bool() const { return raw_ != nullptr; }
    SumState* operator->() { dirty_ = true; return &state; }
    const SumState& get() const { return state; }

private:
    void* raw_;
    bool dirty_ = false;
    SumState state{};
};

// A value on the four-decimal scale; false for null. `integer` tells whether
// the value was an integer.
bool scaled(sqlite3_value* v, Wide& out, bool& integer) {
    integer = false;
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return false;
    case SQLITE_INTEGER:
        integer = true;
        out = Wide(sqlite3_value_int64(v)) * Currency::Scale;
        return true;
    case SQLITE_FLOAT: {
        const long double d = sqlite3_value_double(v);
        out = std::isfinite(d) ? static_cast<Wide>(std::roundl(d * Currency::Scale)) : 0;
        return true;
    }
    case SQLITE_TEXT: {
        const std::string text = textOf(v);
        if (auto c = Currency::parse(text)) {
            out = c->raw();
            return true;
        }
        double d = 0;
        out = numericText(text, d) && std::isfinite(d) ? static_cast<Wide>(std::roundl(static_cast<long double>(d) * Currency::Scale)) : 0;
        return true;
    }
    default:
        out = 0;
        return true;
    }
}

void sumStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    SumSlot s(ctx, sizeof(SumState));
    if (!s) { sqlite3_result_error_nomem(ctx); return; }
    Wide v = 0;
    bool integer = false;
    if (!scaled(argv[0], v, integer)) return;
    s->total += v;
    ++s->count;
    if (!integer) ++s->inexact;
}

void sumInverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
    SumSlot s(ctx, sizeof(SumState));
    if (!s) { sqlite3_result_error_nomem(ctx); return; }
    Wide v = 0;
    bool integer = false;
    if (!scaled(argv[0], v, integer)) return;
    s->total -= v;
    --s->count;
    if (!integer) --s->inexact;
}

void sumValue(sqlite3_context* ctx) {
    SumSlot slot(ctx, 0);
    const SumState* s = slot ? &slot.get() : nullptr;
    if (!s || s->count == 0) {
        sqlite3_result_null(ctx);
        return;
    }
    if (s->inexact == 0) {
        const Wide units = s->total / Currency::Scale;
        if (units > INT64_MAX || units < INT64_MIN) {
            sqlite3_result_error(ctx, "integer overflow", -1);
            return;
        }
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(units));
        return;
    }
    sqlite3_result_double(ctx, static_cast<double>(s->total) / static_cast<double>(Currency::Scale));
}

}  // namespace

int registerSqliteFunctions(sqlite3* db) {
    struct Scalar {
        const char* name;
        int args;
        int flags;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const Scalar scalars[] = {
        {"isnull", 1, kDeterministic, isnullFunction},
        {"isnull", 2, kDeterministic, isnullFunction},
        {"iif", 3, kDeterministic, iifFunction},
        {"format", 2, kDeterministic, formatFunction},
        {"getdate", 0, SQLITE_UTF8, getdateFunction},
        {"left", 2, kDeterministic, leftFunction},
    };
    for (const Scalar& f : scalars) {
        const int rc = sqlite3_create_function_v2(db, f.name, f.args, f.flags, nullptr, f.fn, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    const int rc = sqlite3_create_window_function(db, "sum", 1, kDeterministic, nullptr, sumStep, sumValue, sumValue,
                                                  sumInverse, nullptr);
    return rc != SQLITE_OK ? rc : registerNocaseCollation(db);
}

}  // namespace fo
