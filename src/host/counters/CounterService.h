#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "data/checks/BooksCheck.h"
#include "db/values/DateTime.h"
#include "host/counters/CounterStore.h"

namespace fo {

// Ids and document numbers of one fee database, drawn from its counter
// store (CounterStore: a side database beside an embedded file, a table on a
// server). Every draw commits at once and never waits for, nor joins, a
// posting open on the fee database: a rolled-back posting leaves a gap in
// the ids and document numbers it drew, which is accepted; two workstations
// never get the same number.
class CounterService {
public:
    using Options = CounterOptions;

    // `database` is the fee database as a file path or a link string.
    explicit CounterService(std::string database);
    CounterService(std::string database, Options options);
    CounterService(const CounterService&) = delete;
    CounterService& operator=(const CounterService&) = delete;

    // The first of `count` consecutive fresh ids. Counter "INandOutML" numbers
    // fee records and their cash-journal rows together (above kdw_sfjl.id and
    // INandOutML.id); "qfhzb" numbers arrears rows (above qfhzb.qfkid); any
    // other name numbers the table of that name when it has an id column,
    // otherwise it is a plain sequence from 1.
    std::int64_t nextId(const std::string& counter, int count = 1);
    // prefix + "yyyymmdd" + daily sequence of at least four digits, e.g.
    // "JM202612060001"; unique per prefix and day.
    std::string nextBillNo(const std::string& prefix);
    std::string nextBillNo(const std::string& prefix, const DateTime& date);
    // `count` consecutive document numbers of one prefix and day, drawn at
    // once (a batch posting numbers all its records in one draw).
    std::vector<std::string> nextBillNos(const std::string& prefix, int count);
    std::vector<std::string> nextBillNos(const std::string& prefix, int count, const DateTime& date);

    // The side database of an embedded fee file ("" on a server).
    std::string sideDatabasePath() const;
    CounterStore& store() { return *store_; }

    // Every counter drawn so far, with the last value it handed out and the
    // largest value of it the fee database holds (for the books check).
    // Nothing when no draw was ever made.
    std::vector<CounterReading> readings();

private:
    // Where the fee tables hold the values of an id counter.
    CounterSource idSource(const std::string& counter);
    // Where they hold the document numbers that begin with `stem`.
    CounterSource billSource(const std::string& stem);
    // The source of a counter by its key in the store.
    CounterSource sourceOfKey(const std::string& key);
    // Whether the fee table has the column, asked once per service.
    bool hasColumn(const std::string& table, const std::string& column);

    std::string database_;
    std::mutex mutex_;
    std::unique_ptr<CounterStore> store_;
    std::map<std::string, std::set<std::string>> columns_;  // table -> its columns, all lower case
};

}  // namespace fo
