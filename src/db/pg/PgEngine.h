#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
    // `role` and `password`, when given, are whom it logs in as (an
    // operator who signed in), whatever user `conninfo` names. A `readOnly`
    // session runs each statement in a read-only transaction of its own
    // whose mode is fixed before the statement runs, so no text sent on it
    // (a SET, a COMMIT, several statements) can make it write.
    PgEngine(const std::string& conninfo, int timeoutSeconds, const std::string& name = {},
             const std::string& role = {}, const std::string& password = {}, bool readOnly = false);
    ~PgEngine() override;
    PgEngine(const PgEngine&) = delete;
    PgEngine& operator=(const PgEngine&) = delete;

    // Several ';'-separated statements run in order; the set of the last one
    // that yields columns is returned.
    RecordsetPtr execute(const std::string& sql, long* affected) override;
    // One statement with "?" parameters, prepared on the server when it
    // first runs (see PgStatement).
    std::unique_ptr<EngineStatement> prepare(const std::string& sql) override;
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

    // For PgStatement: prepares `serverText` with parameter `types` under a
    // new name of this session; runs a prepared statement with its values
    // (nullptr for null); gives a name up, to be deallocated when the
    // session can next run a statement; and the token that lives as long
    // as the session.
    std::string prepareOnServer(const std::string& serverText, const std::vector<unsigned>& types,
                                const std::string& statement);
    RecordsetPtr runPrepared(const std::string& name, const std::vector<const char*>& values,
                             const std::string& statement, long* affected);
    // Runs prepared statements of this session (PgStatements) in order in
    // one pipeline: all are sent, then every answer is read. The first that
    // failed is thrown once every answer is in (the server skipped the rest
    // and the transaction is failed, so only a rollback ends it).
    void runSeries(std::vector<SeriesRun>& runs);
    void release(const std::string& name) { released_.push_back(name); }
    std::weak_ptr<const int> alive() const { return alive_; }

private:
    // The set of a statement that yields columns, or its changed rows.
    RecordsetPtr resultOf(pg_result* r, const std::string& statement, long& changed);
    // Deallocates the released statements, unless a failed transaction
    // refuses every statement until it ends.
    void deallocateReleased();
    // Runs one statement as written; returns its result, which the caller frees.
    pg_result* run(const std::string& text, const std::string& statement);
    [[noreturn]] void fail(pg_result* result, const std::string& statement);

    pg_conn* conn_ = nullptr;
    std::string name_;
    std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
    long prepared_ = 0;  // statements prepared so far, for their names
    std::vector<std::string> released_;
    bool inSeries_ = false;  // the statements released while a series binds are still to run in it
    bool readOnly_ = false;
};

// The engine for a PostgreSQL link (see PgLink). OpenMode::Existing needs the
// database there; CreateNew makes it on the server when it is missing and
// refuses one that holds any table (DbError AlreadyExists); ExistingOrNew
// makes it when missing; ReadOnly opens a read-only session on it. While an
// operator is signed in to the database (PgCredentials), its sessions log in
// as his role.
std::unique_ptr<Engine> openPgEngine(const std::string& link, int timeoutSeconds, OpenMode mode);

}  // namespace fo
