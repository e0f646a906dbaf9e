#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "db/Engine.h"
#include "db/StatementCache.h"

struct sqlite3;
struct sqlite3_stmt;

namespace fo {

class SqliteRowSource;

// The embedded engine: one SQLite session on a database file in WAL mode, so
// readers on other sessions see the last committed state without waiting for
// a writer. Statements of both dialects run on it through the functions it
// registers (isnull, iif, format, getdate, left, an exact sum) and the small
// token rewrite of SqlRewrite.
//
// Opening an existing file writes nothing to it: WAL mode is set when a
// database is created and stays with the file. Every commit is synced to
// disk before it returns (synchronous=FULL) unless `syncEveryCommit` is
// false ("Synchronous=Normal" in the connection string): then commits reach
// the disk with the next checkpoint, and a power cut may take the last ones.
class SqliteEngine : public Engine {
public:
    SqliteEngine(const std::string& path, int timeoutSeconds, OpenMode mode = OpenMode::Existing,
                 bool syncEveryCommit = true);
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine&) = delete;
    SqliteEngine& operator=(const SqliteEngine&) = delete;

    // Several ';'-separated statements (schema scripts) run in order; the set
    // of the last one that yields columns is returned.
    RecordsetPtr execute(const std::string& sql, long* affected) override;
    std::unique_ptr<EngineStatement> prepare(const std::string& sql) override;
    // Runs a prepared statement with its values bound, as execute runs one
    // (the lock wait, a moved file, the error); for SqliteStatement.
    RecordsetPtr runBound(sqlite3_stmt* stmt, const std::string& statement, long* affected);
    [[noreturn]] void fail(const std::string& statement) const;
    // A query read on as its set asks: the statement stays open on this
    // session (in WAL mode a reader never blocks a writer on another
    // session) until the last row is read or the set is dropped.
    RecordsetPtr executeStreamed(const std::string& sql, std::size_t firstRows) override;
    void begin() override;     // BEGIN IMMEDIATE: takes the write lock now
    // Refuses (DbError Missing) when the file was moved during the
    // transaction, which then stays open to be rolled back.
    void commit() override;
    void rollback() override;  // nothing to do when the engine already ended it
    void setTimeoutSeconds(int seconds) override;
    // application_id and user_version of the file's header.
    EngineStamp readStamp() override;
    void writeStamp(std::int32_t applicationId, int version) override;
    // ANALYZE over a bounded sample of each index, so that it stays quick on
    // any size of books.
    void refreshStatistics() override;

    sqlite3* handle() const { return db_; }

private:
    friend class SqliteRowSource;
    // A whole statement worth keeping, run through the cache with its
    // literals bound; false when it must run as written instead.
    bool runKept(const std::string& text, const std::string& statement, RecordsetPtr& result, long& changed);
    void runPrepared(sqlite3_stmt* stmt, const std::string& statement, RecordsetPtr& result, long& changed);
    void run(const std::string& sql);
    void enterWal();
    // Reopens the file to be read as it stands when it cannot be written.
    void readAsItStandsWhenUnwritable(const std::string& path);
    void optimizeOnClose();
    // Throws DbError(Missing) when the file was moved or deleted since the
    // session opened it. Inside a transaction the commit looks instead: a
    // statement there writes nothing that the commit would not refuse.
    void refuseMovedFile(const std::string& statement) const;
    void refuseMoved(const std::string& statement) const;  // in a transaction too
    // A creation may reuse a file only when it holds no database content.
    void refuseAnyContent();
    // Prepares the first statement of `text` (null for none); `single` says
    // whether nothing but blanks follows it. A text that does not prepare
    // fails as `statement`.
    sqlite3_stmt* prepareOne(const std::string& text, const std::string& statement, bool& single);
    std::int64_t pragmaInt(const char* pragma);
    RecordsetPtr materialise(sqlite3_stmt* stmt, const std::string& statement);
    // An empty set with the statement's columns, which has taken its first step.
    RecordsetPtr describe(sqlite3_stmt* stmt, int firstStep, const std::string& statement, std::vector<int>& readAs);

    // The busy handler: waits in small steps up to the time-out, telling
    // the lock-wait observer when a wait starts; endWait tells it the end.
    static int onBusy(void* engine, int count);
    void endWait();
    struct WaitScope {
        SqliteEngine& engine;
        ~WaitScope() { engine.endWait(); }
    };

    sqlite3* db_ = nullptr;
    std::string path_;
    StatementCache cache_;
    int timeoutMs_ = 0;
    bool waiting_ = false;
    std::chrono::steady_clock::time_point waitStart_;
    // Statements still open for sets being read; cut off when the session ends.
    std::vector<SqliteRowSource*> readers_;
};

}  // namespace fo
