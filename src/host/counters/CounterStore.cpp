#include "host/counters/CounterStore.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>
#include <stdexcept>

#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "db/values/TextCase.h"
#include "host/database/SqlText.h"

namespace fo {
namespace {

std::int64_t singleInt(Connection& cn, const std::string& sql) {
    auto rs = cn.execute(sql);
    if (!rs || rs->eof() || rs->field(std::size_t{0}).isNull()) return 0;
    return rs->field(std::size_t{0}).toInt();
}

ConnectionPtr openWithTimeout(const std::string& link, int seconds, OpenMode mode = OpenMode::Existing) {
    auto cn = std::make_shared<Connection>();
    cn->setConnectionString(link);
    cn->setCommandTimeout(seconds);
    cn->open(mode);
    return cn;
}

std::map<std::string, std::int64_t> allCounters(Connection& cn, const std::string& table) {
    std::map<std::string, std::int64_t> out;
    for (auto rs = cn.execute("select name,last from " + table); rs && !rs->eof(); rs->moveNext())
        out[rs->field(std::size_t{0}).toText()] = rs->field(std::size_t{1}).toInt();
    return out;
}

void checkCount(int count) {
    if (count < 1) throw std::invalid_argument("a counter draw needs a count of at least 1");
}

std::size_t characters(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Where document numbers are looked for: after `after`, up to `upTo` (both
// SQL expressions of text).
struct NumberRange {
    std::string after, upTo;
};

NumberRange wholeDay(const CounterSource& source) {
    return {sqlLiteral(source.stem + "0000"), sqlLiteral(source.stem + "9999")};
}

// The largest value the fee tables hold at `source`, as a query of one row
// and column (null when none): ids above `idAbove` (an SQL expression) when
// one is given, document numbers in `numbers`; a range an index reaches at
// once.
std::string largestQuery(const CounterSource& source, const std::string& idAbove, const NumberRange& numbers) {
    std::vector<std::string> queries;
    for (const auto& [table, column] : source.idColumns)
        queries.push_back("select max(" + column + ") as n from " + table +
                          (idAbove.empty() ? std::string() : " where " + column + ">" + idAbove));
    if (!source.stem.empty()) {
        // The stem and four digits; the range lets the engine find them
        // through the djbh index.
        const std::size_t at = characters(source.stem) + 1;
        std::string where = " djbh>" + numbers.after + " and djbh<=" + numbers.upTo +
                            " and length(djbh)=" + std::to_string(at + 3);
        for (std::size_t i = 0; i < 4; ++i) where += " and substr(djbh," + std::to_string(at + i) + ",1) between '0' and '9'";
        for (const std::string& table : source.numberTables)
            queries.push_back("select cast(substr(djbh," + std::to_string(at) + ") as integer) as n from " + table +
                              " where" + where);
    }
    if (queries.empty()) return "select cast(null as integer)";
    std::string all;
    for (const std::string& q : queries) all += (all.empty() ? "" : " union all ") + q;
    return "select max(n) from (" + all + ") as t";
}

}  // namespace

std::unique_ptr<CounterStore> openCounterStore(const std::string& database, const CounterOptions& options) {
    if (isPostgresLink(database)) return std::make_unique<PgCounterStore>(database, options);
    const std::string path = isLinkString(database) ? ConnectionStringParts::parse(database).dataSource : database;
    return std::make_unique<SqliteCounterStore>(path, options);
}

// ---- beside an embedded fee file ----

SqliteCounterStore::SqliteCounterStore(std::string feeDatabasePath, CounterOptions options)
    : feePath_(std::move(feeDatabasePath)), sidePath_(feePath_ + ".counters"), options_(options) {}

Connection& SqliteCounterStore::side() {
    if (!side_ || side_->state() != Connection::Open) {
        // The side file is the counters' own: made when it is missing. The
        // fee database's own rows guard against a lost tail of it (a draw
        // never goes below what the fee database stored, which is synced at
        // every commit), so it need not be synced at every draw.
        side_ = openWithTimeout(sqliteConnectionString(sidePath_) + ";Synchronous=Normal", options_.busyTimeoutSeconds,
                                OpenMode::ExistingOrNew);
        side_->execute("create table if not exists counters(name varchar(100) primary key, last integer not null)");
    }
    return *side_;
}

Connection& SqliteCounterStore::fee() {
    if (!fee_ || fee_->state() != Connection::Open) {
        fee_ = openWithTimeout(sqliteConnectionString(feePath_), options_.busyTimeoutSeconds);
        stored_.clear();  // data versions are only comparable on one connection
    }
    return *fee_;
}

std::int64_t SqliteCounterStore::storedMax(const std::string& key, const CounterSource& source) {
    Connection& cn = fee();
    // The data version changes whenever another session commits to the fee
    // database (this connection never writes). It is read before the rows,
    // so a commit landing in between only costs one more read next time.
    const std::int64_t version = singleInt(cn, "PRAGMA data_version");
    auto found = stored_.find(key);
    if (found != stored_.end() && found->second.version == version) return found->second.value;
    const std::int64_t value = singleInt(cn, largestQuery(source, {}, wholeDay(source)));
    stored_[key] = StoredMax{version, value};
    return value;
}

std::int64_t SqliteCounterStore::draw(const std::string& key, int count, const CounterSource& source) {
    checkCount(count);
    Connection& cn = side();
    const std::int64_t existing = storedMax(key, source);
    // One statement: the side database's write lock makes it atomic across
    // processes, and a value another process drew is in `last` already.
    const std::string n = std::to_string(count), e = std::to_string(existing);
    RecordsetPtr rs = cn.execute("insert into counters(name,last) values(" + sqlLiteral(key) + "," + e + "+" + n +
                                 ") on conflict(name) do update set last=max(last," + e + ")+" + n + " returning last");
    if (!rs || rs->eof()) throw std::logic_error("the counter draw returned no value");
    return rs->field(std::size_t{0}).toInt();
}

std::map<std::string, std::int64_t> SqliteCounterStore::lastValues() {
    // No draw yet: no side file, and reading makes none.
    std::error_code ec;
    if (!side_ && !std::filesystem::exists(sidePath_, ec)) return {};
    return allCounters(side(), "counters");
}

std::int64_t SqliteCounterStore::largestStored(const CounterSource& source) {
    return singleInt(fee(), largestQuery(source, {}, wholeDay(source)));
}

void SqliteCounterStore::raise(const std::string& key, std::int64_t last) {
    side().execute("insert into counters(name,last) values(" + sqlLiteral(key) + "," + std::to_string(last) +
                   ") on conflict(name) do update set last=max(last,excluded.last)");
}

// ---- a table of a server's fee database ----

PgCounterStore::PgCounterStore(std::string link, CounterOptions options)
    : link_(std::move(link)), options_(options) {}

Connection& PgCounterStore::cn() {
    if (!cn_ || cn_->state() != Connection::Open) {
        prepared_.clear();
        cn_ = openWithTimeout(link_, options_.busyTimeoutSeconds);
        // A draw need not wait for the disk: the server writes its log in
        // order, so a posting that used the number cannot be durable before
        // the draw is, and a draw lost in a crash was used by nothing kept.
        cn_->execute("set synchronous_commit = off");
    }
    return *cn_;
}

std::int64_t PgCounterStore::draw(const std::string& key, int count, const CounterSource& source) {
    checkCount(count);
    // One row per counter, raised in one statement on this autocommit
    // connection to the larger of its last value and what the fee tables
    // hold above it, plus the count. Two workstations drawing the same
    // counter at once queue on that row for the statement's moment only; the
    // second sees the first's value (the row's latest version, not its
    // snapshot), so no value is handed out twice. No posting ever touches
    // the row. Each shape of source is planned once per session ($1 name,
    // $2 n, $3 stem).
    std::string shape = source.stem.empty() ? "i" : "n" + std::to_string(source.stem.size());
    for (const auto& [table, column] : source.idColumns) shape += "_" + table + "_" + column;
    for (const std::string& table : source.numberTables) shape += "_" + table;
    const std::string statement = "fo_draw_" + std::to_string(std::hash<std::string>{}(lowerAscii(shape)));
    Connection& c = cn();
    // Named as prepared only once the server has taken it: a prepare that
    // timed out behind another session's lock is made again next time.
    if (!prepared_.count(statement)) {
        const std::string first = largestQuery(source, {}, {"cast($3||'0000' as citext)", "cast($3||'9999' as citext)"});
        const std::string above = largestQuery(source, "fo_counters.last",
                                               {"cast($3||lpad(cast(fo_counters.last as text),4,'0') as citext)",
                                                "cast($3||'9999' as citext)"});
        c.execute("prepare " + statement + "(citext,bigint,text) as insert into fo_counters(name,last) values($1,"
                  "coalesce((" + first + "),0)+$2) on conflict(name) do update set last=greatest(fo_counters.last,"
                  "coalesce((" + above + "),0))+$2 returning last");
        prepared_.insert(statement);
    }
    RecordsetPtr rs = c.execute("execute " + statement + "(" + sqlLiteral(key) + "," + std::to_string(count) + "," +
                                sqlLiteral(source.stem) + ")");
    if (!rs || rs->eof()) throw std::logic_error("the counter draw returned no value");
    return rs->field(std::size_t{0}).toInt();
}

std::int64_t PgCounterStore::largestStored(const CounterSource& source) {
    return singleInt(cn(), largestQuery(source, {}, wholeDay(source)));
}

std::map<std::string, std::int64_t> PgCounterStore::lastValues() {
    return allCounters(cn(), "fo_counters");
}

void PgCounterStore::raise(const std::string& key, std::int64_t last) {
    cn().execute("insert into fo_counters(name,last) values(" + sqlLiteral(key) + "," + std::to_string(last) +
                 ") on conflict(name) do update set last=greatest(fo_counters.last,excluded.last)");
}

}  // namespace fo
