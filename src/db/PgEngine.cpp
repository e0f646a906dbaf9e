#include "db/PgEngine.h"

#include <libpq-fe.h>

#include <cstring>
#include <memory>

#include "db/DbError.h"
#include "db/PgErrors.h"
#include "db/PgResult.h"
#include "db/SqlRewrite.h"
#include "db/TextCase.h"

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

PgEngine::PgEngine(const std::string& conninfo, int timeoutSeconds) {
    const std::string wait = std::to_string(effectiveSeconds(timeoutSeconds));
    // Dates read back as "yyyy-mm-dd hh:mm:ss" whatever the server's default;
    // the fee schema is searched before pg_catalog, so its types and dialect
    // functions are the ones the statements name (also in a copy of the
    // database, which does not carry the database's own settings).
    const std::string options = "-c DateStyle=ISO,YMD -c IntervalStyle=postgres -c lock_timeout=" + wait +
                                "s -c search_path=" + std::string(FeeSchema) + ",pg_catalog,public";
    const char* keywords[] = {"dbname", "client_encoding", "options", "fallback_application_name", "connect_timeout",
                              nullptr};
    const char* values[] = {conninfo.c_str(), "UTF8", options.c_str(), "feeoffice", wait.c_str(), nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
        const std::string message = conn_ ? trimWhitespace(PQerrorMessage(conn_)) : "out of memory";
        PQfinish(conn_);
        conn_ = nullptr;
        throw pgConnectError(message);
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
        Result r(run(rewriteSql(statement), statement));
        if (PQresultStatus(r.get()) == PGRES_TUPLES_OK) {
            result = readPgResult(r.get(), statement);
            changed = -1;
        } else {
            const char* rows = PQcmdTuples(r.get());
            changed = rows && *rows ? std::atol(rows) : 0;
        }
    }
    if (affected) *affected = changed;
    return result;
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
        throw pgConnectError(trimWhitespace(PQerrorMessage(conn_)), statement);
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
}

void PgEngine::rollback() {
    const PGTransactionStatusType status = PQtransactionStatus(conn_);
    if (status == PQTRANS_IDLE || status == PQTRANS_UNKNOWN) return;
    Result(run("ROLLBACK", "ROLLBACK"));
}

}  // namespace fo
