#pragma once
#include <string>

#include "db/Engine.h"
#include "db/StatementCache.h"

struct sqlite3;
struct sqlite3_stmt;

namespace fo {

// The embedded engine: one SQLite session on a database file in WAL mode, so
// readers on other sessions see the last committed state without waiting for
// a writer. Statements of both dialects run on it through the functions it
// registers (isnull, iif, format, getdate, left, an exact sum) and the small
// token rewrite of SqlRewrite.
class SqliteEngine : public Engine {
public:
    SqliteEngine(const std::string& path, int timeoutSeconds);
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine&) = delete;
    SqliteEngine& operator=(const SqliteEngine&) = delete;

    // Several ';'-separated statements (schema scripts) run in order; the set
    // of the last one that yields columns is returned.
    RecordsetPtr execute(const std::string& sql, long* affected) override;
    void begin() override;     // BEGIN IMMEDIATE: takes the write lock now
    void commit() override;
    void rollback() override;  // nothing to do when the engine already ended it
    void setTimeoutSeconds(int seconds) override;

    sqlite3* handle() const { return db_; }

private:
    // A whole statement worth keeping, run through the cache with its
    // literals bound; false when it must run as written instead.
    bool runKept(const std::string& text, const std::string& statement, RecordsetPtr& result, long& changed);
    void runPrepared(sqlite3_stmt* stmt, const std::string& statement, RecordsetPtr& result, long& changed);
    void run(const std::string& sql);
    void enterWal(int timeoutSeconds);
    RecordsetPtr materialise(sqlite3_stmt* stmt, const std::string& statement);
    [[noreturn]] void fail(const std::string& statement) const;

    sqlite3* db_ = nullptr;
    StatementCache cache_;
};

}  // namespace fo
