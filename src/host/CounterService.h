#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "data/BooksCheck.h"
#include "db/Connection.h"
#include "db/DateTime.h"

namespace fo {

// Ids and document numbers of one fee database.
//
// Each draw is committed at once in a side database beside the fee database
// (its path + ".counters"), on a connection of its own. A posting keeps a
// write transaction open on the fee database while it draws numbers; since
// the side database is a different file, that transaction never blocks a
// draw, and the draw never joins it: a rolled-back posting leaves a gap,
// which is accepted. The side database keeps, per counter, the last value
// handed out; a draw takes the larger of that + 1 and the largest value
// already stored in the fee database + 1, so rows written without the
// counters (imports, a restored backup) are never given a duplicate id.
// A draw is one statement on the side database, so its write lock
// serialises the draws of all processes.
//
// The side database is what tells processes using the counters apart; the
// fee database is only read to pass over rows written without them. That
// read is kept per counter and used again for as long as no other session
// has committed anything to the fee database, so a batch drawing a number
// per student inside one open posting reads the fee tables once.
class CounterService {
public:
    struct Options {
        // How long a draw waits for another process's draw (seconds).
        int busyTimeoutSeconds = Connection::DefaultTimeoutSeconds;
    };

    explicit CounterService(std::string feeDatabasePath);
    CounterService(std::string feeDatabasePath, Options options);
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

    const std::string& sideDatabasePath() const { return sidePath_; }

    // Every counter drawn so far, with the last value it handed out and the
    // largest value of it the fee database holds (for the books check).
    // Nothing when no draw was ever made: the side database is not created.
    std::vector<CounterReading> readings();

private:
    using MaxReader = std::function<std::int64_t(Connection&)>;
    std::int64_t draw(const std::string& key, int count, const MaxReader& maxExisting);
    Connection& side();
    Connection& fee();
    MaxReader idReader(const std::string& counter) const;
    // The reader of a counter by its key in the side database.
    MaxReader readerOfKey(const std::string& key) const;

    std::string feePath_;
    std::string sidePath_;
    Options options_;
    // The largest value stored in the fee database for one counter, as read
    // at the fee database's data version `version`.
    struct StoredMax {
        std::int64_t version = 0;
        std::int64_t value = 0;
    };
    std::int64_t storedMax(const std::string& key, const MaxReader& maxExisting);

    std::mutex mutex_;
    ConnectionPtr side_;
    ConnectionPtr fee_;
    std::map<std::string, StoredMax> stored_;  // by counter key; valid for fee_ only
};

}  // namespace fo
