#include "db/pg/PgEngine.h"

#include <libpq-fe.h>

#include <cstring>
#include <memory>

#include "db/DbError.h"
#include "db/pg/PgCredentials.h"
#include "db/pg/PgErrors.h"
#include "db/pg/PgLink.h"
#include "db/pg/PgResult.h"
#include "db/pg/PgRewrite.h"
#include "db/pg/PgStatement.h"
#include "db/sql/SqlQuoting.h"
#include "db/sql/SqlRewrite.h"
#include "db/values/TextCase.h"

namespace fo {
namespace {

struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

int effectiveSeconds(int seconds) { return seconds > 0 ? seconds : 30; }

// Notices ("table … does not exist, skipping") are for a console, not for
// a clerk; errors arrive as results.
void ignoreNotice(void*, const char*) {}

}  // namespace

PgEngine::PgEngine(const std::string& conninfo, int timeoutSeconds, const std::string& name, const std::string& role,
                   const std::string& password, bool readOnly)
    : name_(name), readOnly_(readOnly) {
    const std::string wait = std::to_string(effectiveSeconds(timeoutSeconds));
    // Dates read back as "yyyy-mm-dd hh:mm:ss" whatever the server's default;
    // the fee schema is searched before pg_catalog, so its types and dialect
    // functions are the ones the statements name (also in a copy of the
    // database, which does not carry the database's own settings).
    // A backslash in a literal is itself, as on every other engine, whatever
    // the server's configuration says.
    const std::string options = "-c DateStyle=ISO,YMD -c IntervalStyle=postgres -c standard_conforming_strings=on "
                                "-c lock_timeout=" + wait +
                                "s -c search_path=" + std::string(FeeSchema) + ",pg_catalog,public" +
                                (readOnly ? " -c default_transaction_read_only=on" : "");
    // Later keywords win over what the conninfo says: the signed-in role.
    const char* keywords[] = {"dbname", "client_encoding", "options", "fallback_application_name", "connect_timeout",
                              role.empty() ? nullptr : "user", "password", nullptr};
    const char* values[] = {conninfo.c_str(), "UTF8", options.c_str(), "feeoffice", wait.c_str(),
                            role.c_str(), password.c_str(), nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
        const std::string message = conn_ ? trimWhitespace(PQerrorMessage(conn_)) : "out of memory";
        PQfinish(conn_);
        conn_ = nullptr;
        throw pgConnectError(message, name_);
    }
    PQsetNoticeProcessor(conn_, ignoreNotice, nullptr);
}

PgEngine::~PgEngine() { PQfinish(conn_); }

void PgEngine::setTimeoutSeconds(int seconds) {
    Result(run("set lock_timeout = '" + std::to_string(effectiveSeconds(seconds)) + "s'", "set lock_timeout"));
}

RecordsetPtr PgEngine::execute(const std::string& sql, long* affected) {
    RecordsetPtr result;
    long changed = 0;
    for (std::string_view piece : splitStatements(sql)) {
        const std::string statement = trimWhitespace(piece);
        // A read-only session wraps the statement in a read-only transaction
        // that has already read (a snapshot taken), after which the server
        // refuses to make it read-write; the rollback also undoes a SET.
        const bool wrap = readOnly_ && PQtransactionStatus(conn_) == PQTRANS_IDLE;
        if (wrap) {
            Result(run("BEGIN READ ONLY", statement));
            Result(run("select 1", statement));
        }
        try {
            Result r(run(serverSql(statement), statement));
            if (RecordsetPtr set = resultOf(r.get(), statement, changed)) result = set;
        } catch (...) {
            if (wrap) PQclear(PQexec(conn_, "ROLLBACK"));
            throw;
        }
        if (wrap) PQclear(PQexec(conn_, "ROLLBACK"));
    }
    if (affected) *affected = changed;
    return result;
}

RecordsetPtr PgEngine::resultOf(PGresult* r, const std::string& statement, long& changed) {
    if (PQresultStatus(r) == PGRES_TUPLES_OK) {
        changed = -1;
        return readPgResult(r, statement);
    }
    const char* rows = PQcmdTuples(r);
    changed = rows && *rows ? std::atol(rows) : 0;
    return nullptr;
}

std::unique_ptr<EngineStatement> PgEngine::prepare(const std::string& sql) {
    if (readOnly_)
        throw DbError(DbErrorKind::Other, dberr::BadParameter, "程序内部错误：只读的数据库连接不能执行这条语句。",
                      "a read-only session runs no prepared statements", sql);
    const std::vector<std::string_view> pieces = splitStatements(sql);
    if (pieces.size() != 1)
        throw DbError(DbErrorKind::Other, dberr::BadParameter, "程序内部错误：数据库语句的参数不对，本次操作没有保存。",
                      "a prepared statement must be exactly one statement", sql);
    int parameters = 0;
    std::string serverText = numberedParameters(serverSql(trimWhitespace(pieces.front())), parameters);
    return std::make_unique<PgStatement>(*this, sql, std::move(serverText), parameters);
}

std::string PgEngine::prepareOnServer(const std::string& serverText, const std::vector<unsigned>& types,
                                      const std::string& statement) {
    deallocateReleased();
    const std::string name = "fo_" + std::to_string(++prepared_);
    std::vector<Oid> oids(types.begin(), types.end());
    PGresult* r = PQprepare(conn_, name.c_str(), serverText.c_str(), static_cast<int>(oids.size()), oids.data());
    if (!r || PQresultStatus(r) != PGRES_COMMAND_OK) fail(r, statement);
    PQclear(r);
    return name;
}

RecordsetPtr PgEngine::runPrepared(const std::string& name, const std::vector<const char*>& values,
                                   const std::string& statement, long* affected) {
    PGresult* r = PQexecPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(), nullptr,
                                 nullptr, 0);
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(r, statement);
    Result owned(r);
    long changed = 0;
    RecordsetPtr set = resultOf(r, statement, changed);
    if (affected) *affected = changed;
    return set;
}

void PgEngine::runSeries(std::vector<SeriesRun>& runs) {
    if (runs.empty()) return;
    auto statementOf = [&runs](std::size_t i) -> PgStatement& { return *static_cast<PgStatement*>(runs[i].statement); };
    // Prepared where needed first, each in its own round trip (once per
    // kind of statement), since a pipeline's answers only come at its end.
    std::vector<PgStatement::Bound> bound(runs.size());
    inSeries_ = true;
    try {
        for (std::size_t i = 0; i < runs.size(); ++i) statementOf(i).bind(*runs[i].values, bound[i]);
    } catch (...) {
        inSeries_ = false;
        throw;
    }
    inSeries_ = false;
    if (PQenterPipelineMode(conn_) != 1) fail(nullptr, statementOf(0).text());
    std::size_t sent = 0;
    while (sent < runs.size() &&
           PQsendQueryPrepared(conn_, bound[sent].name.c_str(), static_cast<int>(bound[sent].params.size()),
                               bound[sent].params.data(), nullptr, nullptr, 0) == 1)
        ++sent;
    bool whole = PQpipelineSync(conn_) == 1 && sent == runs.size();
    // Every answer is read before any is looked at: the session leaves the
    // pipeline whatever they say.
    std::vector<Result> answers;
    for (std::size_t i = 0; i < sent && whole; ++i) {
        Result answer(PQgetResult(conn_));
        if (!answer) whole = false;
        while (PGresult* rest = PQgetResult(conn_)) PQclear(rest);  // to the end of this statement's answer
        answers.push_back(std::move(answer));
    }
    if (whole) {
        const Result sync(PQgetResult(conn_));
        whole = sync && PQresultStatus(sync.get()) == PGRES_PIPELINE_SYNC;
    }
    if (PQexitPipelineMode(conn_) != 1 || !whole) fail(nullptr, statementOf(0).text());
    // The first that failed; those after it the server skipped.
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const ExecStatusType status = PQresultStatus(answers[i].get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(answers[i].release(), statementOf(i).text());
        runs[i].set = resultOf(answers[i].get(), statementOf(i).text(), runs[i].affected);
    }
}

void PgEngine::deallocateReleased() {
    if (inSeries_ || released_.empty() || PQtransactionStatus(conn_) == PQTRANS_INERROR) return;
    for (const std::string& name : released_) PQclear(PQexec(conn_, ("DEALLOCATE " + name).c_str()));
    released_.clear();
}

PGresult* PgEngine::run(const std::string& text, const std::string& statement) {
    PGresult* r = PQexec(conn_, text.c_str());
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY) fail(r, statement);
    return r;
}

void PgEngine::fail(PGresult* r, const std::string& statement) {
    Result owned(r);
    if (!r || PQstatus(conn_) == CONNECTION_BAD) {
        // The server went away or the link broke: the session is gone.
        throw pgConnectError(trimWhitespace(PQerrorMessage(conn_)), name_, statement);
    }
    const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
    const char* primary = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
    const char* detail = PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL);
    std::string message = primary ? primary : trimWhitespace(PQresultErrorMessage(r));
    if (detail && *detail) message += " (" + std::string(detail) + ")";
    throw pgStatementError(state ? state : "XX000", message, statement);
}

void PgEngine::begin() {
    Result(run("BEGIN", "BEGIN"));
    try {
        Result(run("select pg_advisory_xact_lock(" + std::to_string(BooksLockKey) + ")", "BEGIN"));
    } catch (...) {
        // Waited too long for another posting: no transaction is left open.
        try {
            Result(run("ROLLBACK", "ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
}

void PgEngine::commit() {
    // A statement that failed inside the transaction has aborted it on the
    // server, where COMMIT would quietly roll it back: say so instead.
    if (PQtransactionStatus(conn_) == PQTRANS_INERROR)
        throw pgStatementError("25P02", "current transaction is aborted, commands ignored until end of transaction block",
                               "COMMIT");
    Result(run("COMMIT", "COMMIT"));
    deallocateReleased();
}

void PgEngine::rollback() {
    const PGTransactionStatusType status = PQtransactionStatus(conn_);
    if (status == PQTRANS_IDLE || status == PQTRANS_UNKNOWN) return;
    Result(run("ROLLBACK", "ROLLBACK"));
    deallocateReleased();
}

namespace {

std::int64_t countOf(Engine& engine, const std::string& sql) {
    RecordsetPtr rs = engine.execute(sql, nullptr);
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toInt() : 0;
}

}  // namespace

std::unique_ptr<Engine> openPgEngine(const std::string& link, int timeoutSeconds, OpenMode mode) {
    const PgLinkParts parts = pgLinkParts(link);
    const std::string name = shownWithoutPassword(link);
    bool made = false;
    if (mode == OpenMode::CreateNew || mode == OpenMode::ExistingOrNew) {
        PgEngine server(pgConninfo(pgLinkToDatabase(link, "postgres")), timeoutSeconds, name);
        if (countOf(server, "select count(*) from pg_database where datname = " + quotedLiteral(parts.database)) == 0) {
            // Byte order for text, as the embedded engine sorts; the fee
            // schema's citext still folds case.
            server.execute("create database " + quotedIdentifier(parts.database) +
                               " template template0 encoding 'UTF8' lc_collate 'C' lc_ctype 'C'",
                           nullptr);
            made = true;
        }
    }
    const std::optional<PgSignedInRole> signedIn = pgSignedInRoleFor(link);
    const bool readOnly = mode == OpenMode::ReadOnly;
    auto engine = signedIn ? std::make_unique<PgEngine>(pgConninfo(link), timeoutSeconds, name, signedIn->role,
                                                        signedIn->password, readOnly)
                           : std::make_unique<PgEngine>(pgConninfo(link), timeoutSeconds, name, "", "", readOnly);
    if (mode == OpenMode::CreateNew && !made &&
        countOf(*engine, "select count(*) from information_schema.tables "
                         "where table_schema not in ('pg_catalog', 'information_schema')") > 0)
        throw DbError(DbErrorKind::Other, dberr::AlreadyExists,
                      "服务器上的数据库“" + parts.database + "”已经存在且不是空的，新建数据库不会改动它。请另选一个数据库名称。",
                      "refusing to create a database in " + parts.database + ", which already holds tables");
    return engine;
}

}  // namespace fo
