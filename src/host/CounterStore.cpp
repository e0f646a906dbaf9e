#include "host/CounterStore.h"

#include <algorithm>
#include <stdexcept>

#include "db/PgLink.h"
#include "host/SqlText.h"

namespace fo {
namespace {

std::int64_t singleInt(Connection& cn, const std::string& sql) {
    auto rs = cn.execute(sql);
    if (!rs || rs->eof() || rs->field(std::size_t{0}).isNull()) return 0;
    return rs->field(std::size_t{0}).toInt();
}

ConnectionPtr openWithTimeout(const std::string& link, int seconds) {
    auto cn = std::make_shared<Connection>();
    cn->setConnectionString(link);
    cn->setCommandTimeout(seconds);
    cn->open();
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
        side_ = openWithTimeout(sqliteConnectionString(sidePath_), options_.busyTimeoutSeconds);
        // The fee database's own rows guard against a lost tail of the side
        // file, so the side file need not be synced on every commit.
        side_->execute("PRAGMA synchronous=NORMAL");
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

std::int64_t SqliteCounterStore::storedMax(const std::string& key, const MaxReader& maxExisting) {
    Connection& cn = fee();
    // The data version changes whenever another session commits to the fee
    // database (this connection never writes). It is read before the rows,
    // so a commit landing in between only costs one more read next time.
    const std::int64_t version = singleInt(cn, "PRAGMA data_version");
    auto found = stored_.find(key);
    if (found != stored_.end() && found->second.version == version) return found->second.value;
    const std::int64_t value = maxExisting(cn);
    stored_[key] = StoredMax{version, value};
    return value;
}

std::int64_t SqliteCounterStore::draw(const std::string& key, int count, const MaxReader& maxExisting) {
    checkCount(count);
    Connection& cn = side();
    const std::int64_t existing = storedMax(key, maxExisting);
    // One statement: the side database's write lock makes it atomic across
    // processes, and a value another process drew is in `last` already.
    const std::string n = std::to_string(count), e = std::to_string(existing);
    RecordsetPtr rs = cn.execute("insert into counters(name,last) values(" + sqlLiteral(key) + "," + e + "+" + n +
                                 ") on conflict(name) do update set last=max(last," + e + ")+" + n + " returning last");
    if (!rs || rs->eof()) throw std::logic_error("the counter draw returned no value");
    return rs->field(std::size_t{0}).toInt();
}

std::map<std::string, std::int64_t> SqliteCounterStore::lastValues() { return allCounters(side(), "counters"); }

void SqliteCounterStore::raise(const std::string& key, std::int64_t last) {
    side().execute("insert into counters(name,last) values(" + sqlLiteral(key) + "," + std::to_string(last) +
                   ") on conflict(name) do update set last=max(last,excluded.last)");
}

// ---- a table of a server's fee database ----

PgCounterStore::PgCounterStore(std::string link, CounterOptions options)
    : link_(std::move(link)), options_(options) {}

Connection& PgCounterStore::cn() {
    if (!cn_ || cn_->state() != Connection::Open) {
        cn_ = openWithTimeout(link_, options_.busyTimeoutSeconds);
        // A draw need not wait for the disk: the server writes its log in
        // order, so a posting that used the number cannot be durable before
        // the draw is, and a draw lost in a crash was used by nothing kept.
        cn_->execute("set synchronous_commit = off");
    }
    return *cn_;
}

std::int64_t PgCounterStore::draw(const std::string& key, int count, const MaxReader& maxExisting) {
    checkCount(count);
    Connection& c = cn();
    const std::string n = std::to_string(count), e = std::to_string(maxExisting(c));
    // The row lock of the upsert serialises the draws of every workstation
    // on that counter and ends with the statement.
    RecordsetPtr rs = c.execute("insert into fo_counters(name,last) values(" + sqlLiteral(key) + "," + e + "+" + n +
                                ") on conflict(name) do update set last=greatest(fo_counters.last," + e + ")+" + n +
                                " returning last");
    if (!rs || rs->eof()) throw std::logic_error("the counter draw returned no value");
    return rs->field(std::size_t{0}).toInt();
}

std::map<std::string, std::int64_t> PgCounterStore::lastValues() { return allCounters(cn(), "fo_counters"); }

void PgCounterStore::raise(const std::string& key, std::int64_t last) {
    cn().execute("insert into fo_counters(name,last) values(" + sqlLiteral(key) + "," + std::to_string(last) +
                 ") on conflict(name) do update set last=greatest(fo_counters.last,excluded.last)");
}

}  // namespace fo
