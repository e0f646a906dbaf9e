#include "db/pg/PgResult.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>
#include <unordered_map>

#include "db/sql/SqlRewrite.h"
#include "db/values/TextCase.h"

namespace fo {
namespace {

// Built-in type oids (pg_type); a domain reaches the client as its base type.
enum : Oid {
    BoolOid = 16, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, OidOid = 26, Float4Oid = 700, Float8Oid = 701,
    DateOid = 1082, TimestampOid = 1114, TimestampTzOid = 1184, NumericOid = 1700,
};

enum class ReadAs { Integer, Money, Float, Date, Boolean, Text };

ReadAs readAsFor(Oid type) {
    switch (type) {
    case Int2Oid: case Int4Oid: case Int8Oid: case OidOid: return ReadAs::Integer;
    case NumericOid: return ReadAs::Money;
    case Float4Oid: case Float8Oid: return ReadAs::Float;
    case DateOid: case TimestampOid: case TimestampTzOid: return ReadAs::Date;
    case BoolOid: return ReadAs::Boolean;
    default: return ReadAs::Text;
    }
}

DataType dataTypeFor(ReadAs readAs) {
    switch (readAs) {
    case ReadAs::Integer: case ReadAs::Boolean: return DataType::Integer;
    case ReadAs::Money: return DataType::Currency;
    case ReadAs::Float: return DataType::Double;
    case ReadAs::Date: return DataType::Date;
    case ReadAs::Text: break;
    }
    return DataType::VarChar;
}

Value readValue(std::string_view text, ReadAs readAs) {
    switch (readAs) {
    case ReadAs::Integer: {
        std::int64_t v = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec == std::errc() && end == text.data() + text.size()) return Value(v);
        break;
    }
    case ReadAs::Money:
        // Exact to four decimals; only what lies beyond a currency's range
        // (or NaN) is read as a double.
        if (auto c = Currency::parse(text)) return Value(*c);
        return Value(std::strtod(std::string(text).c_str(), nullptr));
    case ReadAs::Float: return Value(std::strtod(std::string(text).c_str(), nullptr));
    case ReadAs::Date: {
        // A date the embedded engine holds as an empty text is kept on the
        // server as -infinity, which is no null and lies before every date
        // as the empty text does (see the copy): it reads back as that text.
        if (text == "-infinity") return Value(std::string());
        // Whole seconds, as the fee database keeps them; "infinity" and
        // dates before the common era stay text.
        const std::string_view whole = text.substr(0, text.find('.'));
        if (auto d = DateTime::parse(whole)) return Value(*d);
        break;
    }
    case ReadAs::Boolean: return Value(text == "t" ? 1 : 0);
    case ReadAs::Text: break;
    }
    return Value(std::string(text));
}

// The written form of every name in the statement that has capitals, by its
// folded form; the first one written wins.
std::unordered_map<std::string, std::string_view> writtenCase(std::string_view statement) {
    std::unordered_map<std::string, std::string_view> out;
    for (std::string_view word : sqlWords(statement)) {
        const std::string folded = lowerAscii(word);
        if (folded != word) out.emplace(folded, word);
    }
    return out;
}

}  // namespace

RecordsetPtr readPgResult(const pg_result* constResult, std::string_view statement) {
    auto* result = const_cast<PGresult*>(constResult);  // libpq's readers take a non-const pointer
    auto rs = std::make_shared<Recordset>();
    const int columns = PQnfields(result);
    const auto written = writtenCase(statement);
    std::vector<ReadAs> readAs(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) {
        readAs[static_cast<std::size_t>(i)] = readAsFor(PQftype(result, i));
        std::string name = PQfname(result, i);
        if (auto found = written.find(name); found != written.end()) name = std::string(found->second);
        rs->appendField(std::move(name), dataTypeFor(readAs[static_cast<std::size_t>(i)]));
    }
    const int rows = PQntuples(result);
    for (int r = 0; r < rows; ++r) {
        std::vector<Value> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int i = 0; i < columns; ++i) {
            if (PQgetisnull(result, r, i)) {
                row.emplace_back();
                continue;
            }
            const std::string_view text(PQgetvalue(result, r, i), static_cast<std::size_t>(PQgetlength(result, r, i)));
            row.push_back(readValue(text, readAs[static_cast<std::size_t>(i)]));
        }
        rs->appendRow(std::move(row));
    }
    rs->open();
    return rs;
}

}  // namespace fo
