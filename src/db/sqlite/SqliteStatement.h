#pragma once
#include <string>

#include "db/Statement.h"

struct sqlite3_stmt;

namespace fo {

class SqliteEngine;

// A statement of the embedded engine prepared once, its parameters bound
// anew for each run. Money is bound as SQLite would read it written out: a
// whole amount as an integer, any other as the nearest floating point
// number, so that a bound row is stored exactly as the same row written as
// text.
class SqliteStatement final : public EngineStatement {
public:
    // Takes `stmt`, prepared on `engine` from `text` (the text as the caller
    // wrote it, for errors).
    SqliteStatement(SqliteEngine& engine, sqlite3_stmt* stmt, std::string text);
    ~SqliteStatement() override;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    int parameterCount() const override;
    RecordsetPtr execute(const std::vector<Value>& values, long* affected) override;

private:
    SqliteEngine& engine_;
    sqlite3_stmt* stmt_;
    std::string text_;
};

}  // namespace fo
