#include "host/CounterService.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "db/Catalog.h"
#include "db/TextCase.h"
#include "host/SqlText.h"

namespace fo {
namespace {

bool plainIdentifier(const std::string& name) {
    return !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

std::int64_t singleInt(Connection& cn, const std::string& sql) {
    auto rs = cn.execute(sql);
    if (!rs || rs->eof() || rs->field(std::size_t{0}).isNull()) return 0;
    return rs->field(std::size_t{0}).toInt();
}

}  // namespace

CounterService::CounterService(std::string database) : CounterService(std::move(database), Options{}) {}

CounterService::CounterService(std::string database, Options options)
    : database_(std::move(database)), store_(openCounterStore(database_, options)) {}

std::string CounterService::sideDatabasePath() const {
    const auto* side = dynamic_cast<const SqliteCounterStore*>(store_.get());
    return side ? side->sidePath() : std::string();
}

bool CounterService::hasColumn(Connection& cn, const std::string& table, const std::string& column) {
    const std::string key = lowerAscii(table) + "." + lowerAscii(column);
    auto found = columns_.find(key);
    if (found != columns_.end()) return found->second;
    const auto names = columnNames(cn, table);
    const bool present = std::any_of(names.begin(), names.end(),
                                     [&](const std::string& n) { return equalsIgnoreCase(n, column); });
    columns_[key] = present;
    return present;
}

CounterStore::MaxReader CounterService::idReader(const std::string& counter) {
    const auto maxOf = [this](Connection& cn, const std::string& table, const std::string& column) -> std::int64_t {
        if (!hasColumn(cn, table, column)) return 0;
        return singleInt(cn, "select max(" + column + ") from " + table);
    };
    const std::string key = lowerAscii(counter);
    if (key == "inandoutml")
        return [maxOf](Connection& cn) { return std::max(maxOf(cn, "kdw_sfjl", "id"), maxOf(cn, "INandOutML", "id")); };
    if (key == "qfhzb") return [maxOf](Connection& cn) { return maxOf(cn, "qfhzb", "qfkid"); };
    if (plainIdentifier(counter)) return [maxOf, counter](Connection& cn) { return maxOf(cn, counter, "id"); };
    return [](Connection&) { return std::int64_t{0}; };
}

std::int64_t CounterService::nextId(const std::string& counter, int count) {
    std::lock_guard lock(mutex_);
    return store_->draw(lowerAscii(counter), count, idReader(counter)) - count + 1;
}

std::string CounterService::nextBillNo(const std::string& prefix) {
    return nextBillNo(prefix, DateTime::today());
}

std::string CounterService::nextBillNo(const std::string& prefix, const DateTime& date) {
    char day[16];
    std::snprintf(day, sizeof day, "%04d%02d%02d", date.year, date.month, date.day);
    const std::string stem = prefix + day;
    // Numbers of that day already stored by whatever wrote them; the range
    // lets the engine find them through the djbh index.
    auto readExisting = [this, stem](Connection& cn) {
        std::int64_t highest = 0;
        for (const char* table : {"kdw_sfjl", "PJML", "INandOutML"}) {
            if (!hasColumn(cn, table, "djbh")) continue;
            auto rs = cn.execute(std::string("select max(djbh) from ") + table + " where djbh>=" + sqlLiteral(stem) +
                                 " and djbh<" + sqlLiteral(stem + "~") + " and djbh like " + sqlLiteral(stem + "____"));
            if (!rs || rs->eof() || rs->field(std::size_t{0}).isNull()) continue;
            const std::string tail = rs->field(std::size_t{0}).toText().substr(stem.size());
            if (digitsOnly(tail)) highest = std::max<std::int64_t>(highest, std::stoll(tail));
        }
        return highest;
    };
    std::lock_guard lock(mutex_);
    const std::int64_t seq = store_->draw("bill:" + lowerAscii(prefix) + ":" + day, 1, readExisting);
    char number[24];
    std::snprintf(number, sizeof number, "%04lld", static_cast<long long>(seq));
    return stem + number;
}

}  // namespace fo
