#include "host/CounterService.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "db/DbError.h"
#include "host/SqlText.h"

namespace fo {
namespace {

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool plainIdentifier(const std::string& name) {
    return !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) &&
           std::all_of(name.begin(), name.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

std::int64_t singleInt(Connection& cn, const std::string& sql) {
    auto rs = cn.execute(sql);
    if (!rs || rs->eof() || rs->field(0).isNull()) return 0;
    return rs->field(0).toInt();
}

// True when `table` exists and has `column`; both are plain identifiers.
bool hasColumn(Connection& cn, const std::string& table, const std::string& column) {
    return singleInt(cn, "select count(*) from pragma_table_info(" + sqlLiteral(table) +
                             ") where lower(name)=" + sqlLiteral(lower(column))) > 0;
}

std::int64_t maxOf(Connection& cn, const std::string& table, const std::string& column) {
    if (!hasColumn(cn, table, column)) return 0;
    return singleInt(cn, "select max(" + column + ") from " + table);
}

// The largest daily sequence stored under `stem` (prefix + "yyyymmdd"), by
// whatever wrote it.
std::int64_t storedSequence(Connection& cn, const std::string& stem) {
    std::int64_t highest = 0;
    for (const char* table : {"kdw_sfjl", "PJML", "INandOutML"}) {
        if (!hasColumn(cn, table, "djbh")) continue;
        auto rs = cn.execute(std::string("select max(djbh) from ") + table + " where djbh like " +
                             sqlLiteral(stem + "____"));
        if (!rs || rs->eof() || rs->field(0).isNull()) continue;
        const std::string tail = rs->field(0).toText().substr(stem.size());
        if (digitsOnly(tail)) highest = std::max<std::int64_t>(highest, std::stoll(tail));
    }
    return highest;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

ConnectionPtr openWithTimeout(const std::string& link, int seconds, OpenMode mode) {
    auto cn = std::make_shared<Connection>();
    cn->setConnectionString(link);
    cn->setCommandTimeout(seconds);
    cn->open(mode);
    return cn;
}

}  // namespace

CounterService::CounterService(std::string feeDatabasePath)
    : CounterService(std::move(feeDatabasePath), Options{}) {}

CounterService::CounterService(std::string feeDatabasePath, Options options)
    : feePath_(std::move(feeDatabasePath)), sidePath_(feePath_ + ".counters"), options_(options) {}

Connection& CounterService::side() {
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

Connection& CounterService::fee() {
    if (!fee_ || fee_->state() != Connection::Open) {
        fee_ = openWithTimeout(sqliteConnectionString(feePath_), options_.busyTimeoutSeconds, OpenMode::Existing);
        stored_.clear();  // data versions are only comparable on one connection
    }
    return *fee_;
}

CounterService::MaxReader CounterService::idReader(const std::string& counter) const {
    const std::string key = lower(counter);
    if (key == "inandoutml")
        return [](Connection& cn) { return std::max(maxOf(cn, "kdw_sfjl", "id"), maxOf(cn, "INandOutML", "id")); };
    if (key == "qfhzb") return [](Connection& cn) { return maxOf(cn, "qfhzb", "qfkid"); };
    if (plainIdentifier(counter)) return [counter](Connection& cn) { return maxOf(cn, counter, "id"); };
    return [](Connection&) { return std::int64_t{0}; };
}

CounterService::MaxReader CounterService::readerOfKey(const std::string& key) const {
    // "bill:<prefix>:<yyyymmdd>" for document numbers, the counter's name otherwise.
    if (key.rfind("bill:", 0) == 0) {
        const std::size_t colon = key.rfind(':');
        const std::string stem = upper(key.substr(5, colon - 5)) + key.substr(colon + 1);
        return [stem](Connection& cn) { return storedSequence(cn, stem); };
    }
    return idReader(key);
}

std::vector<CounterReading> CounterService::readings() {
    std::vector<CounterReading> out;
    std::error_code ec;
    if (!std::filesystem::exists(sidePath_, ec)) return out;
    std::lock_guard lock(mutex_);
    for (RecordsetPtr rs = side().execute("select name,last from counters order by name"); rs && !rs->eof();
         rs->moveNext()) {
        CounterReading r;
        r.counter = rs->field(std::size_t{0}).toText();
        r.lastIssued = rs->field(std::size_t{1}).toInt();
        r.stored = readerOfKey(r.counter)(fee());
        out.push_back(std::move(r));
    }
    return out;
}

std::int64_t CounterService::storedMax(const std::string& key, const MaxReader& maxExisting) {
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

std::int64_t CounterService::draw(const std::string& key, int count, const MaxReader& maxExisting) {
    if (count < 1) throw std::invalid_argument("a counter draw needs a count of at least 1");
    std::lock_guard lock(mutex_);
    Connection& cn = side();
    const std::int64_t existing = storedMax(key, maxExisting);
    // One statement: the side database's write lock makes it atomic across
    // processes, and a value another process drew is in `last` already.
    const std::string n = std::to_string(count), e = std::to_string(existing);
    RecordsetPtr rs = cn.execute("insert into counters(name,last) values(" + sqlLiteral(key) + "," + e + "+" + n +
                                 ") on conflict(name) do update set last=max(last," + e + ")+" + n + " returning last");
    if (!rs || rs->eof()) throw std::logic_error("the counter draw returned no value");
    return rs->field(std::size_t{0}).toInt() - count + 1;
}

std::int64_t CounterService::nextId(const std::string& counter, int count) {
    return draw(lower(counter), count, idReader(counter));
}

std::string CounterService::nextBillNo(const std::string& prefix) {
    return nextBillNo(prefix, DateTime::today());
}

std::string CounterService::nextBillNo(const std::string& prefix, const DateTime& date) {
    char day[16];
    std::snprintf(day, sizeof day, "%04d%02d%02d", date.year, date.month, date.day);
    const std::string stem = prefix + day;
    auto readExisting = [stem](Connection& cn) { return storedSequence(cn, stem); };
    const std::int64_t seq = draw("bill:" + lower(prefix) + ":" + day, 1, readExisting);
    char number[24];
    std::snprintf(number, sizeof number, "%04lld", static_cast<long long>(seq));
    return stem + number;
}

}  // namespace fo
