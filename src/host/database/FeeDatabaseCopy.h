#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/checks/BooksCheck.h"

namespace fo {

// What a copy moved: every table of the fee schema with its rows in the
// source and in the target (equal when the copy is whole).
struct CopiedTable {
    std::string name;
    std::int64_t sourceRows = 0;
    std::int64_t targetRows = 0;
};

// Dates the embedded engine holds as an empty text, which a server's date
// column cannot hold: the copy writes them as -infinity there, which is not
// null and lies before every date, as the empty text does on the embedded
// engine, and which the server reads back as that empty text.
struct EmptyDates {
    std::string table;
    std::string column;
    std::int64_t rows = 0;
};

struct CopyReport {
    std::vector<CopiedTable> tables;
    std::vector<EmptyDates> emptyDates;  // carried to a server as -infinity
    std::size_t counters = 0;  // counters carried over
    std::vector<BooksFault> faults;  // what the invariant checker found in the target
    bool rowsMatch() const;
    bool sound() const;  // every count matches and the target's books have no fault
};

// Copies a whole fee database from `source` to a new fee database at
// `target` (each a file path, a connection string or a PostgreSQL URI), from
// one engine to the other or to the same: the target gets the fee schema and
// every row of every table in one transaction, then the counters' last
// values, so no id or document number handed out at the source is handed out
// again. Refuses (std::runtime_error) a target that already holds a database,
// and, before any row is written, books that hold what a server's columns
// refuse (a text that is no date in a date column, a document number longer
// than its column), naming each; a target made here and left half-way is
// removed again. The row counts of
// both sides are read back for the report, and the target's books are
// checked. `progress` hears each table as it
// is copied.
CopyReport copyFeeDatabase(const std::string& source, const std::string& target,
                           const std::function<void(const std::string& table, std::int64_t rows)>& progress = {});

}  // namespace fo
