#include "db/Connection.h"

#include "db/DbError.h"
#include "db/StatementObserver.h"

namespace fo {
namespace {

const char* const kClosed = "Operation is not allowed when the object is closed.";
const char* const kOpen = "Operation is not allowed when the object is open.";

int effectiveTimeout(int seconds) { return seconds > 0 ? seconds : Connection::DefaultTimeoutSeconds; }

}  // namespace

Connection::~Connection() {
    try {
        close();
    } catch (...) {
        // A destructor cannot report; the engine has released its session anyway.
    }
}

void Connection::setConnectionString(const std::string& text) {
    if (engine_) throw DbError(dberr::AlreadyOpen, kOpen);
    connectionString_ = text;
}

void Connection::setCommandTimeout(int seconds) {
    commandTimeout_ = seconds < 0 ? 0 : seconds;
    if (engine_) engine_->setTimeoutSeconds(effectiveTimeout(commandTimeout_));
}

void Connection::open() {
    if (engine_) throw DbError(dberr::AlreadyOpen, kOpen);
    engine_ = openEngine(connectionString_, effectiveTimeout(commandTimeout_));
    transactionLevel_ = 0;
}

RecordsetPtr Connection::execute(const std::string& sql, long* recordsAffected) {
    if (!engine_) throw DbError(dberr::NotOpen, kClosed, sql);
    if (StatementObserver* observer = statementObserver()) observer->statementSent(sql);
    long affected = 0;
    RecordsetPtr rs = engine_->execute(sql, &affected);
    if (recordsAffected) *recordsAffected = affected;
    return rs;
}

void Connection::beginTrans() {
    if (!engine_) throw DbError(dberr::NotOpen, kClosed);
    if (transactionLevel_ > 0)
        throw DbError(dberr::BadTransaction, "A transaction is already open on this connection.");
    engine_->begin();
    transactionLevel_ = 1;
}

void Connection::commitTrans() {
    if (!engine_) throw DbError(dberr::NotOpen, kClosed);
    if (transactionLevel_ == 0) throw DbError(dberr::BadTransaction, "No transaction is active.");
    engine_->commit();  // a failed commit leaves the transaction open for a rollback
    transactionLevel_ = 0;
}

void Connection::rollbackTrans() {
    if (!engine_) throw DbError(dberr::NotOpen, kClosed);
    if (transactionLevel_ == 0) throw DbError(dberr::BadTransaction, "No transaction is active.");
    transactionLevel_ = 0;
    engine_->rollback();
}

void Connection::close() {
    if (!engine_) return;
    if (transactionLevel_ > 0) {
        transactionLevel_ = 0;
        try {
            engine_->rollback();
        } catch (...) {
            // Closing the session discards the transaction in any case.
        }
    }
    engine_.reset();
}

ConnectionPtr openConnection(const std::string& connectionString) {
    auto cn = std::make_shared<Connection>();
    cn->open(connectionString);
    return cn;
}

std::string sqliteConnectionString(const std::string& path) {
    const bool needsQuotes = path.find(';') != std::string::npos || path.find('"') != std::string::npos ||
                             path.find('\'') == 0 || (!path.empty() && (path.front() == ' ' || path.back() == ' '));
    if (!needsQuotes) return "Provider=SQLite;Data Source=" + path;
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return "Provider=SQLite;Data Source=" + quoted + "\"";
}

}  // namespace fo
