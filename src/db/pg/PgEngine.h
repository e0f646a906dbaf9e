#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "db/Engine.h"

struct pg_conn;
struct pg_result;

namespace fo {

// The server engine: one libpq session with a PostgreSQL fee database, for
// an office with several workstations on one set of books. The statements of
// both dialects run on it as written: the fee schema puts the dialect
// functions (isnull, iif, format, getdate, left) and the types the module's
// own work-table DDL names (money, datetime) in the fee schema's own schema,
// searched before pg_catalog; the engine rewrites, token-aware, only what a
// function cannot express (SqlRewrite: a leading "select top N", a number
// written against "and"/"or"), and gives result columns back the case they
// are written with, which the server folds to lower case.
//
// A transaction takes the books' write lock as it begins (an advisory lock
// held to its end), so at most one posting runs at a time on every engine,
// and everything read inside it is the latest committed state plus its own
// writes.
class PgEngine : public Engine {
public:
    // `conninfo` is what libpq reads (see pgConninfo). The timeout is how long
    // a statement waits for a lock, the books' write lock included.
    // `name` is the database as the clerk knows it, for messages.
    PgEngine(const std::string& conninfo, int timeoutSeconds, const std::string& name = {});
    ~PgEngine() override;
    PgEngine(const PgEngine&) = delete;
    PgEngine& operator=(const PgEngine&) = delete;

    // Several ';'-separated statements run in order; the set of the last one
    // that yields columns is returned.
    RecordsetPtr execute(const std::string& sql, long* affected) override;
    void begin() override;     // BEGIN, then the books' write lock
    void commit() override;    // refuses a transaction the server already failed
    void rollback() override;  // nothing to do when none is open
    void setTimeoutSeconds(int seconds) override;
    // A server database carries no engine stamp: its fee schema's fo_schema
    // row is what marks it.
    EngineStamp readStamp() override { return {}; }
    void writeStamp(std::int32_t, int) override {}

    // The schema of a fee database that holds its tables, types and dialect
    // functions; every session searches it first.
    static constexpr const char* FeeSchema = "feeoffice";

    // The key of the books' write lock (pg_advisory_xact_lock), per database.
    static constexpr std::int64_t BooksLockKey = 0x666565626f6f6bLL;  // "feebook"

private:
    // Runs one statement as written; returns its result, which the caller frees.
    pg_result* run(const std::string& text, const std::string& statement);
    [[noreturn]] void fail(pg_result* result, const std::string& statement);

    pg_conn* conn_ = nullptr;
    std::string name_;
};

// The engine for a PostgreSQL link (see PgLink). OpenMode::Existing needs the
// database there; CreateNew makes it on the server when it is missing and
// refuses one that holds any table (DbError AlreadyExists); ExistingOrNew
// makes it when missing.
std::unique_ptr<Engine> openPgEngine(const std::string& link, int timeoutSeconds, OpenMode mode);

}  // namespace fo
