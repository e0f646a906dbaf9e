#include "db/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include "db/sqlite/SqliteEngine.h"

namespace fo {
namespace {

int bindValue(sqlite3_stmt* stmt, int at, const Value& v, std::string& text) {
    switch (v.kind()) {
    case Value::Kind::Null: return sqlite3_bind_null(stmt, at);
    case Value::Kind::Integer: return sqlite3_bind_int64(stmt, at, v.toInt());
    case Value::Kind::Currency: {
        const Currency c = v.toCurrency();
        if (c.raw() % Currency::Scale == 0) return sqlite3_bind_int64(stmt, at, c.raw() / Currency::Scale);
        return sqlite3_bind_double(stmt, at, c.toDouble());
    }
    case Value::Kind::Double: return sqlite3_bind_double(stmt, at, v.toDouble());
    case Value::Kind::Text:
    case Value::Kind::Date: break;
    }
    text = v.toText();
    return sqlite3_bind_text(stmt, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Leaves the statement ready for its next run on every path out of one.
struct ResetAfterRun {
    sqlite3_stmt* stmt;
    ~ResetAfterRun() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

}  // namespace

SqliteStatement::SqliteStatement(SqliteEngine& engine, sqlite3_stmt* stmt, std::string text)
    : engine_(engine), stmt_(stmt), text_(std::move(text)) {}

// The session closes with sqlite3_close_v2, so a statement may outlive it:
// the session goes with the last of its statements.
SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

int SqliteStatement::parameterCount() const { return sqlite3_bind_parameter_count(stmt_); }

RecordsetPtr SqliteStatement::execute(const std::vector<Value>& values, long* affected) {
    ResetAfterRun reset{stmt_};
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (bindValue(stmt_, static_cast<int>(i) + 1, values[i], text) != SQLITE_OK) engine_.fail(text_);
    return engine_.runBound(stmt_, text_, affected);
}

}  // namespace fo
