#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "db/Connection.h"

namespace fo {

// Where the fee tables keep the values a counter hands out, so that a draw
// passes over values written without the counters (an import, a restored
// backup): whole-number id columns, or document numbers of one prefix and
// day (the stem, "JM20261206", then four digits) in the djbh columns.
struct CounterSource {
    std::vector<std::pair<std::string, std::string>> idColumns;  // table, column
    std::string stem;
    std::vector<std::string> numberTables;  // tables with a djbh column
};

// Where the counters of one fee database keep the last value each handed
// out. A draw commits at once, on a connection of the store's own, and never
// waits for a posting transaction open on the fee database, nor joins it:
// a rolled-back posting leaves a gap. A draw takes the larger of the last
// value + 1 and the largest value already stored in the fee tables + 1, so
// rows written without the counters are never given a duplicate.
class CounterStore {
public:
    virtual ~CounterStore() = default;
    // The last of `count` fresh values of the counter `key`, above both its
    // last value and what the fee tables hold at `source`.
    virtual std::int64_t draw(const std::string& key, int count, const CounterSource& source) = 0;
    // The largest value the fee tables hold at `source` (0 when none).
    virtual std::int64_t largestStored(const CounterSource& source) = 0;
    // Every counter with its last value (a copy of the books carries them).
    virtual std::map<std::string, std::int64_t> lastValues() = 0;
    // Makes the counter's last value at least `last`; never lowers it.
    virtual void raise(const std::string& key, std::int64_t last) = 0;
};

struct CounterOptions {
    // How long a draw waits for another process's draw (seconds).
    int busyTimeoutSeconds = Connection::DefaultTimeoutSeconds;
};

// The store that suits the fee database at `database` (a file path or a
// link string): a side database beside an embedded file, a table of the
// fee database on a server.
std::unique_ptr<CounterStore> openCounterStore(const std::string& database, const CounterOptions& options);

// The embedded engine lets one writer at a time have the fee file, so the
// counters live in a side database beside it (its path + ".counters"); a
// draw is one statement there, whose write lock serialises the draws of all
// processes. The fee tables' largest values are read again only after
// another session committed to the fee database (its data version), so a
// batch drawing a number per student inside one open posting reads them once.
class SqliteCounterStore final : public CounterStore {
public:
    SqliteCounterStore(std::string feeDatabasePath, CounterOptions options);
    std::int64_t draw(const std::string& key, int count, const CounterSource& source) override;
    std::int64_t largestStored(const CounterSource& source) override;
    std::map<std::string, std::int64_t> lastValues() override;
    void raise(const std::string& key, std::int64_t last) override;
    const std::string& sidePath() const { return sidePath_; }

private:
    Connection& side();
    Connection& fee();
    std::int64_t storedMax(const std::string& key, const CounterSource& source);

    std::string feePath_;
    std::string sidePath_;
    CounterOptions options_;
    ConnectionPtr side_;
    ConnectionPtr fee_;
    // The largest value stored in the fee database for one counter, as read
    // at the fee database's data version `version` (on fee_ only).
    struct StoredMax {
        std::int64_t version = 0;
        std::int64_t value = 0;
    };
    std::map<std::string, StoredMax> stored_;
};

// On a server the counters are a table of the fee database (fo_counters, a
// row per counter), drawn on an autocommit connection of their own: a draw
// raises the counter's row in one statement that also reads the fee tables
// (one round trip). Two draws of one counter queue on its row for that
// statement only; a posting never touches the table, so a draw never waits
// for one. That connection sees only what is committed.
class PgCounterStore final : public CounterStore {
public:
    PgCounterStore(std::string link, CounterOptions options);
    std::int64_t draw(const std::string& key, int count, const CounterSource& source) override;
    std::int64_t largestStored(const CounterSource& source) override;
    std::map<std::string, std::int64_t> lastValues() override;
    void raise(const std::string& key, std::int64_t last) override;

private:
    Connection& cn();

    std::string link_;
    CounterOptions options_;
    ConnectionPtr cn_;
    std::set<std::string> prepared_;  // draw statements prepared on cn_
};

}  // namespace fo
