#include "host/database/FeeDatabaseCopy.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>

#include "data/CashTotals.h"
#include "data/checks/BooksCheck.h"
#include "data/FeeDatabase.h"
#include "data/FeeSchema.h"
#include "data/FeeStatistics.h"
#include "data/PgFeeSchema.h"
#include "db/Catalog.h"
#include "db/pg/PgLink.h"
#include "db/values/TextCase.h"
#include "host/counters/CounterService.h"
#include "host/database/NewDatabaseFile.h"
#include "host/database/ServerColumns.h"
#include "data/PgServerRoles.h"
#include "host/database/SqlText.h"

namespace fo {
namespace {

// Tables of the schema that each database writes for itself (the cash
// totals: its triggers, as the journal's rows go in).
bool ownedByTheTarget(const std::string& table) {
    const std::string t = lowerAscii(table);
    return t == "fo_schema" || t == "fo_counters" || t == "fo_server_roles" || t == "fo_operator_roles" || t == "fo_right_roles" ||
           t == kCashTotalsTable || t.rfind("sqlite_", 0) == 0;
}

// A value as it stands in an insert on either engine.
std::string literal(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Null: return "null";
    case Value::Kind::Integer:
    case Value::Kind::Currency: return v.toText();
    case Value::Kind::Double: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.17g", v.toDouble());
        return buf;
    }
    case Value::Kind::Text:
    case Value::Kind::Date: return sqlLiteral(v.toText());
    }
    return "null";
}

std::int64_t rowCount(Connection& cn, const std::string& table) {
    RecordsetPtr rs = cn.execute("select count(*) from " + table);
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toInt() : 0;
}

// The columns both sides have, in the target's order.
std::vector<std::string> sharedColumns(Connection& source, Connection& target, const std::string& table) {
    const std::vector<std::string> from = columnNames(source, table);
    std::vector<std::string> out;
    for (const std::string& column : columnNames(target, table))
        if (std::any_of(from.begin(), from.end(), [&](const std::string& c) { return equalsIgnoreCase(c, column); }))
            out.push_back(column);
    return out;
}

// Copies one table's rows, a few hundred to a statement. On a server, an
// empty text in a date column (`dates` says which, by position) is written
// as -infinity, counted in `emptyDates`.
void copyRows(Connection& source, Connection& target, const std::string& table,
              const std::vector<std::string>& columns, const std::vector<bool>& dates,
              std::vector<EmptyDates>& emptyDates) {
    std::string list;
    for (const std::string& c : columns) list += (list.empty() ? "" : ",") + c;
    std::vector<std::int64_t> empty(columns.size(), 0);
    RecordsetPtr rs = source.execute("select " + list + " from " + table);
    constexpr std::size_t kRowsPerInsert = 200;
    std::string values;
    std::size_t pending = 0;
    const auto flush = [&] {
        if (pending == 0) return;
        target.execute("insert into " + table + "(" + list + ") values" + values);
        values.clear();
        pending = 0;
    };
    for (std::size_t r = 0; rs && r < rs->totalRows(); ++r) {
        std::string tuple;
        const std::vector<Value> row = rs->row(r);
        for (std::size_t i = 0; i < row.size(); ++i) {
            const bool emptyDate = dates[i] && row[i].kind() == Value::Kind::Text && row[i].toText().empty();
            empty[i] += emptyDate;
            tuple += (tuple.empty() ? "(" : ",") + (emptyDate ? std::string("'-infinity'") : literal(row[i]));
        }
        values += (pending ? "," : "") + tuple + ")";
        if (++pending == kRowsPerInsert) flush();
    }
    flush();
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (empty[i] > 0) emptyDates.push_back({table, columns[i], empty[i]});
}

// Which of `columns` of `table` are among the server's date columns.
std::vector<bool> dateColumns(const std::vector<ServerColumn>& limits, const std::string& table,
                              const std::vector<std::string>& columns) {
    std::vector<bool> out;
    for (const std::string& c : columns)
        out.push_back(std::any_of(limits.begin(), limits.end(), [&](const ServerColumn& l) {
            return l.date && equalsIgnoreCase(l.table, table) && equalsIgnoreCase(l.column, c);
        }));
    return out;
}

// The new database at `target`, empty and open; `made` says whether it was
// made here (and so may be removed again when the copy fails). A server's
// database may be there already, empty.
ConnectionPtr openEmptyTarget(const std::string& target, bool& made) {
    if (isPostgresLink(target)) {
        RecordsetPtr rs = openConnection(pgLinkToDatabase(target, "postgres"))
                              ->execute("select count(*) from pg_database where datname=" +
                                        sqlLiteral(pgLinkParts(target).database));
        made = rs->field(std::size_t{0}).toInt() == 0;
        return createDatabase(target);
    }
    const std::string path = isLinkString(target) ? ConnectionStringParts::parse(target).dataSource : target;
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        throw std::runtime_error("refusing to copy over the existing file " + path);
    made = true;
    return createDatabase(sqliteConnectionString(path));
}

void removeTarget(const std::string& target) {
    try {
        if (isPostgresLink(target)) {
            dropPgDatabase(target);
            return;
        }
        const std::string path = isLinkString(target) ? ConnectionStringParts::parse(target).dataSource : target;
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path + suffix);
    } catch (...) {
        // The copy's own error is the one worth reporting.
    }
}

}  // namespace

bool CopyReport::sound() const { return rowsMatch() && faults.empty(); }

bool CopyReport::rowsMatch() const {
    return std::all_of(tables.begin(), tables.end(), [](const CopiedTable& t) { return t.sourceRows == t.targetRows; });
}

CopyReport copyFeeDatabase(const std::string& source, const std::string& target,
                           const std::function<void(const std::string&, std::int64_t)>& progress) {
    // Only a fee database is copied; an older one is brought up to date first.
    auto from = openFeeDatabase(linkStringFor(source));
    const std::vector<std::string> sourceTables = tableNames(*from);

    // The source's books stay still while they are read: its write lock
    // holds every posting back until the copy has them all.
    Transaction still(*from);
    const std::map<std::string, std::int64_t> counters = openCounterStore(source, CounterOptions{})->lastValues();
    // A file is written beside its name and named only once it is whole and
    // checked: a failure leaves nothing under the target's name.
    std::optional<NewDatabaseFile> file;
    if (!isPostgresLink(target))
        file.emplace(isLinkString(target) ? ConnectionStringParts::parse(target).dataSource : target);
    const std::string writeTo = file ? file->path() : target;
    bool made = false;
    ConnectionPtr to = openEmptyTarget(writeTo, made);
    CopyReport report;
    try {
        // The target shows nothing until all of it is in.
        Transaction tx(*to);
        createFeeSchema(*to);
        // What the server's columns would refuse is named before any row is
        // written; the embedded engine takes every value as it stands.
        const std::vector<ServerColumn> limits =
            isPostgresLink(to->connectionString()) ? serverColumnsWithLimits(*to) : std::vector<ServerColumn>{};
        if (!limits.empty() && !isPostgresLink(from->connectionString())) refuseWhatTheServerWouldNotTake(*from, limits);
        for (const std::string& table : tableNames(*to)) {
            if (ownedByTheTarget(table)) continue;
            const bool inSource = std::any_of(sourceTables.begin(), sourceTables.end(),
                                              [&](const std::string& t) { return equalsIgnoreCase(t, table); });
            CopiedTable copied{table, 0, 0};
            if (inSource) {
                const std::vector<std::string> columns = sharedColumns(*from, *to, table);
                copyRows(*from, *to, table, columns, dateColumns(limits, table, columns), report.emptyDates);
                copied.sourceRows = rowCount(*from, table);
            }
            report.tables.push_back(copied);
            if (progress) progress(table, copied.sourceRows);
        }
        if (isPostgresLink(to->connectionString())) {
            resetPgIdentities(*to);
            givePgOperatorsRoles(*to);
        } else if (isPostgresLink(from->connectionString())) {
            // The server kept the passwords: each operator sets his first here.
            to->execute("update sys_user set pwhash='', mustsetpw=1 where pwhash='*'");
        }
        tx.commit();
    } catch (...) {
        to->close();
        if (made && !file) removeTarget(target);
        throw;
    }
    still.rollback();
    // The target's planner learns the sizes of what it now holds.
    gatherFeeStatistics(*to);
    // Counters after the books: a draw takes the larger of its last value
    // and what the tables hold, so they are never behind in between.
    {
        auto store = openCounterStore(writeTo, CounterOptions{});
        for (const auto& [name, last] : counters) store->raise(name, last);
        report.counters = counters.size();
        for (CopiedTable& t : report.tables) t.targetRows = rowCount(*to, t.name);
        // The copy's proof beside the row counts: the target's books pass the
        // invariant checker, its counters included.
        CounterService targetCounters(writeTo);
        BooksCheckOptions check;
        check.counters = [&targetCounters] { return targetCounters.readings(); };
        report.faults = checkBooks(*to, check);
    }
    to->close();
    if (file) file->keep();
    return report;
}

}  // namespace fo
