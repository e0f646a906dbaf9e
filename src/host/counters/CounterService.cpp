#include "host/counters/CounterService.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <set>
#include <vector>

#include "db/Catalog.h"
#include "db/values/TextCase.h"
#include "host/database/SqlText.h"

namespace fo {
namespace {

bool plainIdentifier(const std::string& name) {
    return !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

// The tables counters read their largest stored values from, besides a
// table named after its counter; and those of them that hold document
// numbers.
const char* const kCounterTables[] = {"kdw_sfjl", "PJML", "INandOutML", "qfhzb"};
const char* const kNumberTables[] = {"kdw_sfjl", "PJML", "INandOutML"};

}  // namespace

CounterService::CounterService(std::string database) : CounterService(std::move(database), Options{}) {}

CounterService::CounterService(std::string database, Options options)
    : database_(std::move(database)), store_(openCounterStore(database_, options)) {}

std::string CounterService::sideDatabasePath() const {
    const auto* side = dynamic_cast<const SqliteCounterStore*>(store_.get());
    return side ? side->sidePath() : std::string();
}

bool CounterService::hasColumn(const std::string& table, const std::string& column) {
    auto found = columns_.find(lowerAscii(table));
    if (found == columns_.end()) {
        // One session for the asked table and every table a counter reads:
        // opening one costs more than the catalogue reads together.
        ConnectionPtr cn = openConnection(linkStringFor(database_));
        std::vector<std::string> tables{table};
        tables.insert(tables.end(), std::begin(kCounterTables), std::end(kCounterTables));
        for (const std::string& name : tables) {
            const std::string key = lowerAscii(name);
            if (columns_.count(key)) continue;
            std::set<std::string>& known = columns_[key];  // none: no such table
            for (const std::string& n : columnNames(*cn, name)) known.insert(lowerAscii(n));
        }
        found = columns_.find(lowerAscii(table));
    }
    return found->second.count(lowerAscii(column)) > 0;
}

CounterSource CounterService::idSource(const std::string& counter) {
    std::vector<std::pair<std::string, std::string>> columns;  // table, column
    const std::string key = lowerAscii(counter);
    if (key == "inandoutml") columns = {{"kdw_sfjl", "id"}, {"INandOutML", "id"}};
    else if (key == "qfhzb") columns = {{"qfhzb", "qfkid"}};
    else if (plainIdentifier(counter)) columns = {{counter, "id"}};
    CounterSource source;
    for (const auto& [table, column] : columns)
        if (hasColumn(table, column)) source.idColumns.emplace_back(table, column);
    return source;
}

CounterSource CounterService::billSource(const std::string& stem) {
    CounterSource source;
    source.stem = stem;
    for (const char* table : kNumberTables)
        if (hasColumn(table, "djbh")) source.numberTables.push_back(table);
    return source;
}

CounterSource CounterService::sourceOfKey(const std::string& key) {
    // "bill:<prefix>:<yyyymmdd>" for document numbers, the counter's name
    // otherwise; document numbers compare without regard to case.
    if (key.rfind("bill:", 0) == 0) {
        const std::size_t colon = key.rfind(':');
        return billSource(key.substr(5, colon - 5) + key.substr(colon + 1));
    }
    return idSource(key);
}

std::vector<CounterReading> CounterService::readings() {
    std::lock_guard lock(mutex_);
    std::vector<CounterReading> out;
    for (const auto& [key, last] : store_->lastValues())
        out.push_back(CounterReading{key, last, store_->largestStored(sourceOfKey(key))});
    return out;
}

std::int64_t CounterService::nextId(const std::string& counter, int count) {
    std::lock_guard lock(mutex_);
    return store_->draw(lowerAscii(counter), count, idSource(counter)) - count + 1;
}

std::string CounterService::nextBillNo(const std::string& prefix) {
    return nextBillNo(prefix, DateTime::today());
}

std::string CounterService::nextBillNo(const std::string& prefix, const DateTime& date) {
    return nextBillNos(prefix, 1, date).front();
}

std::vector<std::string> CounterService::nextBillNos(const std::string& prefix, int count) {
    return nextBillNos(prefix, count, DateTime::today());
}

std::vector<std::string> CounterService::nextBillNos(const std::string& prefix, int count, const DateTime& date) {
    char day[16];
    std::snprintf(day, sizeof day, "%04d%02d%02d", date.year, date.month, date.day);
    const std::string stem = prefix + day;
    std::int64_t last = 0;
    {
        std::lock_guard lock(mutex_);
        last = store_->draw("bill:" + lowerAscii(prefix) + ":" + day, count, billSource(stem));
    }
    std::vector<std::string> numbers;
    numbers.reserve(static_cast<std::size_t>(count));
    for (std::int64_t seq = last - count + 1; seq <= last; ++seq) {
        char number[24];
        std::snprintf(number, sizeof number, "%04lld", static_cast<long long>(seq));
        numbers.push_back(stem + number);
    }
    return numbers;
}

}  // namespace fo
