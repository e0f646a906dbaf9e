#include "db/sqlite/SqliteEngine.h"
#include "db/values/TextCase.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <iterator>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/LockWait.h"
#include "db/sql/SqlRewrite.h"
#include "db/sqlite/SqliteError.h"
#include "db/sqlite/SqliteFunctions.h"
#include "db/sqlite/SqliteRangeEstimate.h"
#include "db/sqlite/SqliteStatement.h"

namespace fo {
namespace {

// How a column's declared type asks its stored values to be read.
enum class ReadAs { Plain, Money, Float, Date };

std::string upper(const char* s) {
    std::string out = s ? s : "";
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

ReadAs readAsFor(const std::string& decl) {
    if (has(decl, "MONEY") || has(decl, "CURRENCY") || has(decl, "DECIMAL") || has(decl, "NUMERIC"))
        return ReadAs::Money;
    if (has(decl, "FLOAT") || has(decl, "DOUBLE") || has(decl, "REAL")) return ReadAs::Float;
    if (has(decl, "DATE") || has(decl, "TIME")) return ReadAs::Date;
    return ReadAs::Plain;
}

DataType dataTypeFor(const std::string& decl, ReadAs readAs) {
    switch (readAs) {
    case ReadAs::Money: return DataType::Currency;
    case ReadAs::Float: return DataType::Double;
    case ReadAs::Date: return DataType::Date;
    case ReadAs::Plain: break;
    }
    if (has(decl, "INT")) return DataType::Integer;
    if (has(decl, "CHAR") || has(decl, "TEXT") || has(decl, "CLOB")) return DataType::VarChar;
    return DataType::Empty;
}

// Packs column `i` of the current row as its declared type asks: amounts as
// currency, dates parsed. Read through the column's value, and text through
// its bytes: no terminator is added to it, so nothing is copied on the way.
void packColumn(sqlite3_stmt* stmt, int i, ReadAs readAs, PackedRow& out) {
    sqlite3_value* v = sqlite3_column_value(stmt, i);
    const int type = sqlite3_value_type(v);
    switch (type) {
    case SQLITE_NULL: out.null(); return;
    case SQLITE_INTEGER: {
        const sqlite3_int64 n = sqlite3_value_int64(v);
        if (readAs == ReadAs::Money && n < 922337203685477LL && n > -922337203685477LL)
            out.money(Currency::fromInt(n));
        else
            out.integer(n);
        return;
    }
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        // Money kept as binary floating point carries residues such as 1e-15;
        // read as currency they vanish.
        if (readAs != ReadAs::Float && std::isfinite(d) && std::fabs(d) < 9.0e14)
            out.money(Currency::fromDouble(d));
        else
            out.real(d);
        return;
    }
    default: {  // text, and blobs as the text of their bytes
        const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
        const std::string_view text(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(v)));
        if (type == SQLITE_TEXT && readAs == ReadAs::Date)
            if (auto d = DateTime::parse(text)) return out.date(*d);
        out.text(text);
    }
    }
}

// Finalises a prepared statement on every path out of a scope.
struct StatementGuard {
    sqlite3_stmt* stmt = nullptr;
    ~StatementGuard() { sqlite3_finalize(stmt); }
};

// Binds the literals taken out of a statement; false when the statement
// does not take exactly that many.
bool bindValues(sqlite3_stmt* stmt, const std::vector<std::variant<std::int64_t, std::string>>& values) {
    if (sqlite3_bind_parameter_count(stmt) != static_cast<int>(values.size())) return false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int at = static_cast<int>(i) + 1;
        const int rc = std::holds_alternative<std::int64_t>(values[i])
                           ? sqlite3_bind_int64(stmt, at, std::get<std::int64_t>(values[i]))
                           : sqlite3_bind_text(stmt, at, std::get<std::string>(values[i]).data(),
                                               static_cast<int>(std::get<std::string>(values[i]).size()),
                                               SQLITE_STATIC);
        if (rc != SQLITE_OK) return false;
    }
    return true;
}

// A statement for one run, taken from the cache or freshly prepared: on
// every path out of the run it goes back to `cache` when one is set, and is
// finalised otherwise.
struct LentStatement {
    sqlite3_stmt* stmt = nullptr;
    StatementCache* cache = nullptr;
    const std::string* text = nullptr;
    LentStatement() = default;
    LentStatement(const LentStatement&) = delete;
    LentStatement& operator=(const LentStatement&) = delete;
    ~LentStatement() {
        if (stmt && cache) cache->give(*text, stmt);
        else sqlite3_finalize(stmt);
    }
};

}  // namespace

// Finalises the statement of a set still being read (defined with it below).
void cutOff(SqliteRowSource& reader);

SqliteEngine::SqliteEngine(const std::string& path, int timeoutSeconds, OpenMode mode, bool syncEveryCommit)
    : path_(path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const bool reuse = mode == OpenMode::CreateNew && fs::exists(path, ec) && fs::file_size(path, ec) > 0;
    // A session is only ever used by one thread at a time (the program's
    // windows and postings run on one), so it needs no lock of its own:
    // without one, each value read no longer takes and frees a mutex.
    int flags = (mode == OpenMode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    if (mode == OpenMode::CreateNew || mode == OpenMode::ExistingOrNew) flags |= SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        const int code = db_ ? sqlite3_extended_errcode(db_) : rc;
        sqlite3_close(db_);
        db_ = nullptr;
        throw sqliteError(code, message + ": " + path, {}, path);
    }
    try {
        if (mode == OpenMode::Existing) readAsItStandsWhenUnwritable(path);
        sqlite3_extended_result_codes(db_, 1);
        setTimeoutSeconds(timeoutSeconds);
        if (registerSqliteFunctions(db_) != SQLITE_OK) fail("register functions");
        if (reuse) refuseAnyContent();
        if (mode == OpenMode::CreateNew || mode == OpenMode::ExistingOrNew) enterWal();
        // A read-only session could still attach another file and write
        // there; it attaches nothing.
        if (mode == OpenMode::ReadOnly) sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, 0);
        // A commit returns only once it is on disk: a posting the clerk was
        // told succeeded survives a power cut.
        run(syncEveryCommit ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
        run("PRAGMA foreign_keys=OFF");
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

namespace {

// A file name as an SQLite URI's path: the characters a URI gives a meaning
// of its own are written as escapes.
std::string uriPath(const std::string& path) {
    std::string out;
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            static const char hex[] = "0123456789ABCDEF";
            out += '%';
            out += hex[(static_cast<unsigned char>(c) >> 4) & 0xf];
            out += hex[static_cast<unsigned char>(c) & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

void SqliteEngine::readAsItStandsWhenUnwritable(const std::string& path) {
    // The system would not let the file be opened for writing, so the
    // engine opened it for reading; it would still make its journal and
    // shared memory beside it, and a read-only file would grow two more.
    // With no journal there, no writer has anything the file does not hold
    // yet: it is read as it stands, and every write is refused as read-only.
    std::error_code ec;
    if (sqlite3_db_readonly(db_, "main") != 1 || std::filesystem::exists(path + "-wal", ec)) return;
    sqlite3_close(db_);
    db_ = nullptr;
    const std::string uri = "file:" + uriPath(path) + "?immutable=1";
    const int rc = sqlite3_open_v2(uri.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI,
                                   nullptr);
    if (rc != SQLITE_OK) fail("open " + path);
}

SqliteEngine::~SqliteEngine() {
    // Sets still being read are cut off (reading them further fails); the
    // kept statements go before the session, which refuses to close while
    // any is left.
    while (!readers_.empty()) cutOff(*readers_.back());
    cache_.clear();
    optimizeOnClose();
    // A prepared Statement the program still holds keeps the session until
    // it goes (it can no longer run: its connection refuses it).
    sqlite3_close_v2(db_);
}

void SqliteEngine::optimizeOnClose() {
    // The statistics stay current without anyone asking: SQLite knows which
    // tables this session's queries would have planned better with fresh
    // ones and analyses those, a bounded sample of each index, so closing
    // stays quick. It never waits for another session's lock (then it is
    // the next close that does it), never runs inside a transaction, and
    // never touches a file that was moved away or cannot be written.
    int moved = 0;
    if (!sqlite3_get_autocommit(db_) || sqlite3_db_readonly(db_, "main") != 0) return;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK || moved) return;
    sqlite3_busy_handler(db_, nullptr, nullptr);
    sqlite3_exec(db_, "PRAGMA analysis_limit=400; PRAGMA optimize", nullptr, nullptr, nullptr);
}

void SqliteEngine::refreshStatistics() {
    run("PRAGMA analysis_limit=1000");
    run("ANALYZE");
}

void SqliteEngine::setTimeoutSeconds(int seconds) {
    timeoutMs_ = (seconds > 0 ? seconds : Connection::DefaultTimeoutSeconds) * 1000;
    sqlite3_busy_handler(db_, &SqliteEngine::onBusy, this);
}

int SqliteEngine::onBusy(void* p, int count) {
    auto& self = *static_cast<SqliteEngine*>(p);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) {
        self.waitStart_ = now;
        if (!self.waiting_) {
            self.waiting_ = true;
            noticeLockWait(true);
        }
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - self.waitStart_).count();
    if (waited >= self.timeoutMs_) return 0;
    // Short steps first, so a lock held for a moment costs a moment.
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50};
    const int step = count < static_cast<int>(std::size(kSteps)) ? kSteps[count] : 100;
    sqlite3_sleep(static_cast<int>(std::min<long long>(step, self.timeoutMs_ - waited)));
    return 1;
}

void SqliteEngine::endWait() {
    if (!waiting_) return;
    waiting_ = false;
    noticeLockWait(false);
}

EngineStamp SqliteEngine::readStamp() {
    WaitScope scope{*this};
    EngineStamp stamp;
    stamp.hasStamp = true;
    stamp.applicationId = static_cast<std::int32_t>(pragmaInt("PRAGMA application_id"));
    stamp.version = static_cast<int>(pragmaInt("PRAGMA user_version"));
    stamp.empty = pragmaInt("select count(*) from sqlite_master") == 0;
    return stamp;
}

void SqliteEngine::writeStamp(std::int32_t applicationId, int version) {
    WaitScope scope{*this};
    run("PRAGMA application_id=" + std::to_string(applicationId));
    run("PRAGMA user_version=" + std::to_string(version));
}

std::int64_t SqliteEngine::pragmaInt(const char* sql) {
    StatementGuard guard;
    if (sqlite3_prepare_v2(db_, sql, -1, &guard.stmt, nullptr) != SQLITE_OK) fail(sql);
    const int rc = sqlite3_step(guard.stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail(sql);
    return rc == SQLITE_ROW ? sqlite3_column_int64(guard.stmt, 0) : 0;
}

void SqliteEngine::refuseAnyContent() {
    // A file that is not a database, or a database with anything in it, is
    // somebody's data: a creation never touches it.
    bool empty = false;
    try {
        empty = pragmaInt("select count(*) from sqlite_master") == 0;
    } catch (const DbError&) {
    }
    if (!empty)
        throw DbError(DbErrorKind::Other, dberr::AlreadyExists,
                      "文件“" + path_ + "”已经存在且不是空的，新建数据库不会覆盖它。请另选一个文件名。",
                      "refusing to create a database over the existing file " + path_);
}

RecordsetPtr SqliteEngine::execute(const std::string& sql, long* affected) {
    refuseMovedFile(sql);
    WaitScope scope{*this};
    RecordsetPtr result;
    long changed = 0;
    for (std::string_view piece : splitStatements(sql)) {
        const std::string statement = trimWhitespace(piece);
        const std::string text = withRangeEstimates(db_, rewriteSql(statement));
        if (runKept(text, statement, result, changed)) continue;
        const char* tail = text.c_str();
        while (tail && *tail) {
            StatementGuard guard;
            if (sqlite3_prepare_v2(db_, tail, -1, &guard.stmt, &tail) != SQLITE_OK) fail(statement);
            if (!guard.stmt) continue;  // only blanks or comments remained
            runPrepared(guard.stmt, statement, result, changed);
        }
    }
    if (affected) *affected = changed;
    return result;
}

std::unique_ptr<EngineStatement> SqliteEngine::prepare(const std::string& sql) {
    refuseMovedFile(sql);
    WaitScope scope{*this};
    bool single = false;
    StatementGuard guard{prepareOne(rewriteSql(trimWhitespace(sql)), sql, single)};
    if (!guard.stmt || !single)
        throw DbError(DbErrorKind::Other, dberr::BadParameter, "程序内部错误：数据库语句的参数不对，本次操作没有保存。",
                      "a prepared statement must be exactly one statement", sql);
    auto prepared = std::make_unique<SqliteStatement>(*this, guard.stmt, sql);
    guard.stmt = nullptr;
    return prepared;
}

sqlite3_stmt* SqliteEngine::prepareOne(const std::string& text, const std::string& statement, bool& single) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, text.c_str(), -1, &stmt, &tail) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(statement);
    }
    while (tail && *tail && std::isspace(static_cast<unsigned char>(*tail))) ++tail;
    single = !(tail && *tail);
    return stmt;
}

RecordsetPtr SqliteEngine::runBound(sqlite3_stmt* stmt, const std::string& statement, long* affected) {
    refuseMovedFile(statement);
    WaitScope scope{*this};
    RecordsetPtr result;
    long changed = 0;
    runPrepared(stmt, statement, result, changed);
    if (affected) *affected = changed;
    return result;
}

bool SqliteEngine::runKept(const std::string& text, const std::string& statement, RecordsetPtr& result,
                           long& changed) {
    if (!StatementCache::worthKeeping(text)) return false;
    // Declared before the statement, which reads the bound texts until it
    // has gone back to the cache.
    const std::optional<LiteralParameters> literals = literalsAsParameters(text);
    const std::string& key = literals ? literals->text : text;
    LentStatement lent;
    lent.stmt = cache_.take(key);
    if (!lent.stmt) {
        const char* tail = nullptr;
        // Not one statement, or not one that prepares: the caller runs the
        // text as written and reports its own error.
        if (sqlite3_prepare_v2(db_, key.c_str(), -1, &lent.stmt, &tail) != SQLITE_OK || !lent.stmt) return false;
        while (*tail && std::isspace(static_cast<unsigned char>(*tail))) ++tail;
        if (*tail) return false;
    }
    if (literals && !bindValues(lent.stmt, literals->values)) return false;
    lent.cache = &cache_;
    lent.text = &key;
    runPrepared(lent.stmt, statement, result, changed);
    return true;
}

void SqliteEngine::runPrepared(sqlite3_stmt* stmt, const std::string& statement, RecordsetPtr& result,
                               long& changed) {
    const sqlite3_int64 before = sqlite3_total_changes64(db_);
    if (sqlite3_column_count(stmt) > 0) {
        result = materialise(stmt, statement);
        changed = -1;
        return;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) fail(statement);
    // The rows the statement itself changed, not those its triggers did
    // (a posting checks each statement's count against its plan). A
    // statement that changed nothing (a definition, too) leaves the total
    // as it was, while the count of the last change would still be there.
    changed = sqlite3_total_changes64(db_) == before ? 0 : static_cast<long>(sqlite3_changes64(db_));
}

RecordsetPtr SqliteEngine::describe(sqlite3_stmt* stmt, int firstStep, const std::string& statement,
                                   std::vector<int>& readAs) {
    if (firstStep != SQLITE_ROW && firstStep != SQLITE_DONE) fail(statement);
    auto rs = std::make_shared<Recordset>();
    const int columns = sqlite3_column_count(stmt);
    readAs.assign(static_cast<std::size_t>(columns), 0);
    for (int i = 0; i < columns; ++i) {
        const std::string decl = upper(sqlite3_column_decltype(stmt, i));
        const ReadAs as = readAsFor(decl);
        readAs[static_cast<std::size_t>(i)] = static_cast<int>(as);
        const char* name = sqlite3_column_name(stmt, i);
        rs->appendField(name ? name : "", dataTypeFor(decl, as));
    }
    return rs;
}

namespace {

// Packs the current row into `out`.
void packRow(sqlite3_stmt* stmt, const std::vector<int>& readAs, PackedRow& out) {
    out.start(readAs.size());
    for (std::size_t i = 0; i < readAs.size(); ++i)
        packColumn(stmt, static_cast<int>(i), static_cast<ReadAs>(readAs[i]), out);
}

}  // namespace

RecordsetPtr SqliteEngine::materialise(sqlite3_stmt* stmt, const std::string& statement) {
    // The first step comes before the columns are read: a kept statement
    // whose tables changed is prepared again inside it, columns and all.
    int rc = sqlite3_step(stmt);
    std::vector<int> readAs;
    RecordsetPtr rs = describe(stmt, rc, statement, readAs);
    PackedRow row;
    for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
        packRow(stmt, readAs, row);
        rs->appendRow(row);
    }
    if (rc != SQLITE_DONE) fail(statement);
    rs->open();
    return rs;
}

// The open statement of a set being read: steps on as the set asks, and is
// finalised after its last row, when the set drops it, or when the session
// ends (then the set is cut off).
class SqliteRowSource final : public RowSource {
public:
    SqliteRowSource(SqliteEngine& engine, sqlite3_stmt* stmt, std::vector<int> readAs, std::string statement)
        : engine_(&engine), stmt_(stmt), readAs_(std::move(readAs)), statement_(std::move(statement)) {
        engine_->readers_.push_back(this);
    }
    ~SqliteRowSource() override { release(); }
    SqliteRowSource(const SqliteRowSource&) = delete;
    SqliteRowSource& operator=(const SqliteRowSource&) = delete;

    // The first step was taken by the query; its row is appended first.
    bool readMore(Recordset& to, std::size_t rows) override {
        if (!stmt_)
            throw DbError(DbErrorKind::Other, dberr::NotOpen, "程序内部错误：列表还没有读完，数据库连接就已关闭。请重新查询。",
                          "the session closed before the set was read to its end", statement_);
        for (std::size_t n = 0; n < rows; ++n) {
            if (pending_ == SQLITE_DONE) {
                release();
                return false;
            }
            if (pending_ != SQLITE_ROW) {
                const int systemErrno = systemErrorOf(engine_->db_);
                const int code = sqlite3_extended_errcode(engine_->db_);
                const std::string message = sqlite3_errmsg(engine_->db_);
                const std::string path = engine_->path_;
                release();
                throw sqliteError(code, message, statement_, path, systemErrno);
            }
            packRow(stmt_, readAs_, row_);
            to.appendRow(row_);
            pending_ = sqlite3_step(stmt_);
        }
        if (pending_ != SQLITE_DONE) return true;
        release();
        return false;
    }

    void setFirstStep(int rc) { pending_ = rc; }

    void cutOff() { release(); }

private:
    void release() {
        if (!stmt_) return;
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        auto& readers = engine_->readers_;
        readers.erase(std::remove(readers.begin(), readers.end(), this), readers.end());
    }

    SqliteEngine* engine_;
    sqlite3_stmt* stmt_;
    std::vector<int> readAs_;
    PackedRow row_;  // the row being packed, its bytes kept from row to row
    std::string statement_;
    int pending_ = SQLITE_DONE;
};

void cutOff(SqliteRowSource& reader) { reader.cutOff(); }

RecordsetPtr SqliteEngine::executeStreamed(const std::string& sql, std::size_t firstRows) {
    refuseMovedFile(sql);
    const std::string statement = trimWhitespace(sql);
    bool single = false;
    sqlite3_stmt* stmt = prepareOne(withRangeEstimates(db_, rewriteSql(statement)), statement, single);
    StatementGuard guard{stmt};  // until the source owns it
    if (!stmt || !single || sqlite3_column_count(stmt) == 0) {
        // Not one query: run as any statement is.
        sqlite3_finalize(guard.stmt);
        guard.stmt = nullptr;
        return execute(sql, nullptr);
    }
    const int rc = sqlite3_step(stmt);
    std::vector<int> readAs;
    RecordsetPtr rs = describe(stmt, rc, statement, readAs);
    guard.stmt = nullptr;
    auto source = std::make_unique<SqliteRowSource>(*this, stmt, std::move(readAs), statement);
    source->setFirstStep(rc);
    // The first rows go in before the set opens on them.
    const bool more = source->readMore(*rs, std::max<std::size_t>(firstRows, 1));
    rs->open();
    if (more) rs->readFrom(std::move(source));
    return rs;
}

void SqliteEngine::run(const std::string& sql) {
    StatementGuard guard;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &guard.stmt, nullptr) != SQLITE_OK) fail(sql);
    int rc;
    while ((rc = sqlite3_step(guard.stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) fail(sql);
}

void SqliteEngine::enterWal() {
    // Sessions opening a new file together all try to switch it to WAL; the
    // switch needs the file to itself and reports "busy" at once instead of
    // waiting, so wait here, as long as any statement would.
    for (int waitedMs = 0;; waitedMs += 5) {
        try {
            run("PRAGMA journal_mode=WAL");
            return;
        } catch (const DbError& e) {
            if ((e.code() & 0xff) != SQLITE_BUSY || waitedMs >= timeoutMs_) throw;
        }
        sqlite3_sleep(5);
    }
}

void SqliteEngine::refuseMovedFile(const std::string& statement) const {
    if (sqlite3_get_autocommit(db_)) refuseMoved(statement);
}

void SqliteEngine::refuseMoved(const std::string& statement) const {
    // In WAL mode SQLite would go on writing into the old name's log, which
    // never reaches the moved file: the session must stop instead.
    int moved = 0;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
        throw sqliteError(SQLITE_READONLY_DBMOVED, "database file has moved: " + path_, statement, path_);
}

void SqliteEngine::begin() {
    refuseMovedFile("BEGIN IMMEDIATE");
    WaitScope scope{*this};
    run("BEGIN IMMEDIATE");
}

void SqliteEngine::commit() {
    refuseMoved("COMMIT");
    WaitScope scope{*this};
    run("COMMIT");
}

void SqliteEngine::rollback() {
    // Some errors (a full disk, an interrupted statement) end the transaction
    // inside the engine already; then there is nothing left to roll back.
    if (sqlite3_get_autocommit(db_)) return;
    run("ROLLBACK");
}

void SqliteEngine::fail(const std::string& statement) const {
    const int systemErrno = systemErrorOf(db_);
    throw sqliteError(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_), statement, path_, systemErrno);
}

}  // namespace fo
