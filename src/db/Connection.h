#pragma once
#include <memory>
#include <string>

#include "db/Engine.h"
#include "db/Recordset.h"

namespace fo {

enum class CursorLocation { Server = 2, Client = 3 };

// A connection as the module uses one: set ConnectionString, Open, Execute
// statements, and begin/commit/roll back a transaction on it. Every result set
// is client-side and materialised, so no read outlives its statement.
//
// The connection string is "Provider=SQLite;Data Source=PATH" for the embedded
// engine; the statements of both dialects run on it unchanged.
class Connection {
public:
    enum State { Closed = 0, Open = 1 };

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& connectionString() const { return connectionString_; }
    // Throws DbError(AlreadyOpen) while open, as a provider does.
    void setConnectionString(const std::string& text);
    CursorLocation cursorLocation() const { return cursorLocation_; }
    void setCursorLocation(CursorLocation c) { cursorLocation_ = c; }
    // Seconds; 0 means the provider's default. The SQLite engine uses it as
    // the busy timeout of the session.
    int commandTimeout() const { return commandTimeout_; }
    void setCommandTimeout(int seconds);
    int state() const { return engine_ ? Open : Closed; }
    bool inTransaction() const { return transactionLevel_ > 0; }

    void open();
    void open(const std::string& connectionString) { setConnectionString(connectionString); open(); }
    // Runs one statement; returns its result set when it yields columns,
    // nullptr otherwise. Errors throw DbError with the engine's description.
    RecordsetPtr execute(const std::string& sql, long* recordsAffected = nullptr);
    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    // Closing with an open transaction rolls it back.
    void close();

    static constexpr int DefaultTimeoutSeconds = 30;

private:
    std::string connectionString_;
    CursorLocation cursorLocation_ = CursorLocation::Server;
    int commandTimeout_ = 0;
    int transactionLevel_ = 0;
    std::unique_ptr<Engine> engine_;
};

using ConnectionPtr = std::shared_ptr<Connection>;

// A new connection, opened on `connectionString`.
ConnectionPtr openConnection(const std::string& connectionString);

// Rolls back on destruction unless committed. Begins on construction.
class Transaction {
public:
    explicit Transaction(Connection& cn) : cn_(&cn) { cn_->beginTrans(); }
    ~Transaction() {
        if (cn_) try { cn_->rollbackTrans(); } catch (...) {}
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() { cn_->commitTrans(); cn_ = nullptr; }
    void rollback() { cn_->rollbackTrans(); cn_ = nullptr; }

private:
    Connection* cn_;
};

// Builds a connection string for the embedded engine on a database file.
std::string sqliteConnectionString(const std::string& path);

}  // namespace fo
