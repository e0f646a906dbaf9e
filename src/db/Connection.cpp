#include "db/Connection.h"

#include "db/DbError.h"
#include "db/Engine.h"
#include "db/sql/StorableText.h"
#include "db/pg/PgLink.h"
#include "db/StatementObserver.h"

namespace fo {
namespace {

const char* const kClosed = "Operation is not allowed when the object is closed.";
const char* const kOpen = "Operation is not allowed when the object is open.";

// Misuse of a connection by the program itself: the clerk is told that it
// failed, the engine text keeps what went wrong.
DbError misuse(int code, const char* engineText, const std::string& statement = {}) {
    return DbError(DbErrorKind::Other, code, "程序内部错误：数据库连接的使用顺序不对，本次操作没有保存。", engineText,
                   statement);
}

bool blank(const std::string& sql) {
    for (char c : sql)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

// A link of the Provider=… form may say how long a session waits for another's lock
// ("Lock Wait=5"): an office whose workstations share a slow network share
// may want longer than the default, a test a second. It stands over what the
// program asks (the SQL Server dialect's longer command timeout included),
// since it is the administrator's word on that office.
int linkLockWait(const std::string& link) {
    const ConnectionStringParts parts = ConnectionStringParts::parse(link);
    if (isPostgresLink(link) && parts.provider.empty()) return 0;  // a postgresql:// address has no such key
    const std::string text = parts.get("Lock Wait");
    int seconds = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || seconds > 3600) return 0;
        seconds = seconds * 10 + (c - '0');
    }
    return seconds;
}

int effectiveTimeout(const std::string& link, int seconds) {
    if (const int wait = linkLockWait(link); wait > 0) return wait;
    return seconds > 0 ? seconds : Connection::DefaultTimeoutSeconds;
}

}  // namespace

Connection::~Connection() {
    try {
        close();
    } catch (...) {
        // A destructor cannot report; the engine has released its session anyway.
    }
}

void Connection::setConnectionString(const std::string& text) {
    if (engine_) throw misuse(dberr::AlreadyOpen, kOpen);
    connectionString_ = text;
}

void Connection::setCommandTimeout(int seconds) {
    commandTimeout_ = seconds < 0 ? 0 : seconds;
    if (engine_) engine_->setTimeoutSeconds(effectiveTimeout(connectionString_, commandTimeout_));
}

void Connection::open(OpenMode mode) {
    if (engine_) throw misuse(dberr::AlreadyOpen, kOpen);
    engine_ = openEngine(connectionString_, effectiveTimeout(connectionString_, commandTimeout_), mode);
    session_ = std::make_shared<const int>(0);
    transactionLevel_ = 0;
}

void Connection::beforeStatement(const std::string& sql) const {
    if (!engine_) throw misuse(dberr::NotOpen, kClosed, sql);
    if (blank(sql))
        throw DbError(DbErrorKind::Other, dberr::EmptyStatement, "程序内部错误：要执行的数据库语句是空的，本次操作没有保存。",
                      "Command text was not set for the command object.", sql);
    // Every engine alike: text that one would store cut at a NUL and another
    // refuse is refused here, before anything runs.
    requireStorableText(sql, sql);
    if (StatementObserver* observer = statementObserver()) observer->statementSent(sql);
}

RecordsetPtr Connection::executeStreamed(const std::string& sql, std::size_t firstRows) {
    beforeStatement(sql);
    return engine_->executeStreamed(sql, firstRows);
}

RecordsetPtr Connection::execute(const std::string& sql, long* recordsAffected) {
    beforeStatement(sql);
    long affected = 0;
    RecordsetPtr rs = engine_->execute(sql, &affected);
    if (recordsAffected) *recordsAffected = affected;
    return rs;
}

Statement Connection::prepare(const std::string& sql) {
    if (!engine_) throw misuse(dberr::NotOpen, kClosed, sql);
    if (blank(sql))
        throw DbError(DbErrorKind::Other, dberr::EmptyStatement, "程序内部错误：要执行的数据库语句是空的，本次操作没有保存。",
                      "Command text was not set for the command object.", sql);
    return Statement(sql, engine_->prepare(sql), session_);
}

void Connection::beginTrans() {
    if (!engine_) throw misuse(dberr::NotOpen, kClosed);
    if (transactionLevel_ > 0)
        throw misuse(dberr::BadTransaction, "A transaction is already open on this connection.");
    engine_->begin();
    transactionLevel_ = 1;
}

void Connection::commitTrans() {
    if (!engine_) throw misuse(dberr::NotOpen, kClosed);
    if (transactionLevel_ == 0) throw misuse(dberr::BadTransaction, "No transaction is active.");
    engine_->commit();  // a failed commit leaves the transaction open for a rollback
    transactionLevel_ = 0;
    transactionEnded(true);
}

void Connection::rollbackTrans() {
    if (!engine_) throw misuse(dberr::NotOpen, kClosed);
    if (transactionLevel_ == 0) throw misuse(dberr::BadTransaction, "No transaction is active.");
    transactionLevel_ = 0;
    try {
        engine_->rollback();
    } catch (...) {
        transactionEnded(false);
        throw;
    }
    transactionEnded(false);
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
        transactionEnded(false);
    }
    session_.reset();
    engine_.reset();
}

EngineStamp Connection::readEngineStamp() {
    if (!engine_) throw misuse(dberr::NotOpen, kClosed);
    return engine_->readStamp();
}

void Connection::writeEngineStamp(std::int32_t applicationId, int version) {
    if (!engine_) throw misuse(dberr::NotOpen, kClosed);
    engine_->writeStamp(applicationId, version);
}

void Connection::whenTransactionEnds(std::function<void(bool committed)> done) {
    if (!done) return;
    if (transactionLevel_ > 0) {
        whenEnds_.push_back(std::move(done));
        return;
    }
    // Outside a transaction every statement has committed as it ran.
    try {
        done(true);
    } catch (...) {
    }
}

void Connection::transactionEnded(bool committed) {
    // Taken first: what runs may begin and end a transaction of its own.
    std::vector<std::function<void(bool)>> waiting;
    waiting.swap(whenEnds_);
    for (auto& done : waiting) {
        try {
            done(committed);
        } catch (...) {
        }
    }
}

void Connection::refreshStatistics() {
    if (!engine_) throw misuse(dberr::NotOpen, kClosed);
    engine_->refreshStatistics();
}

ConnectionPtr openConnection(const std::string& connectionString) {
    auto cn = std::make_shared<Connection>();
    cn->open(connectionString);
    return cn;
}

ConnectionPtr createDatabase(const std::string& connectionString) {
    auto cn = std::make_shared<Connection>();
    cn->open(connectionString, OpenMode::CreateNew);
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

bool isLinkString(const std::string& database) {
    return isPostgresLink(database) || !ConnectionStringParts::parse(database).provider.empty();
}

std::string linkStringFor(const std::string& database) {
    return isLinkString(database) ? database : sqliteConnectionString(database);
}

}  // namespace fo
