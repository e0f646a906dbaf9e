#pragma once
#include "FeeOfficeApi.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/Engine.h"
#include "db/Recordset.h"
#include "db/Statement.h"

namespace fo {

enum class CursorLocation { Server = 2, Client = 3 };

// A connection as the module uses one: set ConnectionString, Open, Execute
// statements, and begin/commit/roll back a transaction on it. Every result set
// is client-side and materialised, so no read outlives its statement.
//
// The connection string is "Provider=SQLite;Data Source=PATH" for the embedded
// engine; the statements of both dialects run on it unchanged. Adding
// ";Synchronous=Normal" gives up syncing every commit to disk (for a file
// whose lost tail can be repaired, or to measure what syncing costs).
class FEEOFFICE_API Connection {
public:
    enum State { Closed = 0, Open = 1 };  // what state() answers

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& connectionString() const { return connectionString_; }  // the connection string set last
    // Throws DbError(AlreadyOpen) while open, as a provider does.
    void setConnectionString(const std::string& text);
    CursorLocation cursorLocation() const { return cursorLocation_; }
    void setCursorLocation(CursorLocation c) { cursorLocation_ = c; }
    // Seconds; 0 means the provider's default. The engines use it as the
    // wait for another session's lock; a link of the Provider=… form that says "Lock Wait=S"
    // waits S seconds whatever is set here.
    int commandTimeout() const { return commandTimeout_; }
    void setCommandTimeout(int seconds);
    int state() const { return engine_ ? Open : Closed; }
    bool inTransaction() const { return transactionLevel_ > 0; }

    // Opens the database the connection string names; never creates one
    // unless `mode` says so (a DbError of kind Missing when it is not there).
    void open(OpenMode mode = OpenMode::Existing);
    void open(const std::string& connectionString, OpenMode mode = OpenMode::Existing) {
        setConnectionString(connectionString);
        open(mode);
    }
    // Runs one statement; returns its result set when it yields columns,
    // nullptr otherwise. Errors throw DbError; a text without any statement
    // is an error too, as for any engine.
    RecordsetPtr execute(const std::string& sql, long* recordsAffected = nullptr);
    // Prepares one statement with "?" parameters, to run many times with
    // values bound (see Statement); errors throw DbError as execute does.
    Statement prepare(const std::string& sql);
    // Runs a query whose rows are read in chunks as they are asked for (see
    // Engine::executeStreamed): the register's list over a million receipts
    // shows its first rows before the last is read. Drop the set (or read it
    // whole) before closing the connection.
    RecordsetPtr executeStreamed(const std::string& sql, std::size_t firstRows);
    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    // Closing with an open transaction rolls it back.
    void close();
    // Runs `done` once when the open transaction ends: after its commit
    // (true) or after its rollback, a close included (false). The connection
    // is still open and outside any transaction when it runs; what it throws
    // is swallowed, since the transaction's fate is already sealed. Outside
    // a transaction, where every statement commits as it runs, it runs at once.
    void whenTransactionEnds(std::function<void(bool committed)> done);

    // The stamp the engine keeps in the database (see Engine::readStamp).
    EngineStamp readEngineStamp();
    void writeEngineStamp(std::int32_t applicationId, int version);
    // Gathers the planner's statistics anew (see Engine::refreshStatistics).
    void refreshStatistics();

    static constexpr int DefaultTimeoutSeconds = 30;  // the command time-out a new connection gets

private:
    std::string connectionString_;
    CursorLocation cursorLocation_ = CursorLocation::Server;
    int commandTimeout_ = 0;
    int transactionLevel_ = 0;
    std::unique_ptr<Engine> engine_;
    // Lives while the session is open; the statements prepared on it hold it weakly.
    std::shared_ptr<const int> session_;
    std::vector<std::function<void(bool)>> whenEnds_;

    void transactionEnded(bool committed);
    // Refuses a closed connection and an empty text; tells the observer.
    void beforeStatement(const std::string& sql) const;
};

using ConnectionPtr = std::shared_ptr<Connection>;

// A new connection, opened on `connectionString`; the database must exist.
FEEOFFICE_API ConnectionPtr openConnection(const std::string& connectionString);
// A new connection on a new, empty database that this call creates; throws
// DbError(AlreadyExists) when the database is there and holds anything.
FEEOFFICE_API ConnectionPtr createDatabase(const std::string& connectionString);

// Rolls back on destruction unless committed. Begins on construction.
class FEEOFFICE_API Transaction {
public:
    explicit Transaction(Connection& cn) : cn_(&cn) { cn_->beginTrans(); }  // begins a transaction on `cn`
    ~Transaction() {
        if (cn_) try { cn_->rollbackTrans(); } catch (...) {}
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() { cn_->commitTrans(); cn_ = nullptr; }  // commits; the destructor then does nothing
    void rollback() { cn_->rollbackTrans(); cn_ = nullptr; }  // rolls back now rather than at the end of the scope

private:
    Connection* cn_;
};

// Builds a connection string for the embedded engine on a database file.
FEEOFFICE_API std::string sqliteConnectionString(const std::string& path);

// True when `database` is a connection string ("Provider=…") or a
// "postgresql://…" URI rather than the path of a database file.
FEEOFFICE_API bool isLinkString(const std::string& database);
// The connection string of a database given the way a clerk or a script
// names one: a file path (the embedded engine), a connection string, or a
// PostgreSQL URI (both as they stand).
FEEOFFICE_API std::string linkStringFor(const std::string& database);

}  // namespace fo
