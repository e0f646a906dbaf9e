#pragma once
#include "FeeOfficeApi.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "db/Recordset.h"
#include "db/Statement.h"

namespace fo {

// How a connection reaches its database. Opening never creates one: only a
// creation does, so a mistyped or moved path is reported, not replaced by an
// empty database.
enum class OpenMode {
    Existing,       // the database must be there
    CreateNew,      // makes a new, empty database; refuses one that holds anything
    ExistingOrNew,  // a side database a program keeps for itself
    ReadOnly,       // the database must be there, and the session can never
                    // write to it, whatever its statements say (a probe)
};

// What an engine can tell of a database before a statement reads its tables.
struct FEEOFFICE_API EngineStamp {
    bool hasStamp = false;         // the engine keeps a stamp in the database
    bool empty = false;            // the database holds no table at all
    std::int32_t applicationId = 0;  // the program the database belongs to; 0 none
    int version = 0;               // that program's schema version; 0 none
};

// What a database engine provides to a Connection. One Engine is one open
// session with the database.
class FEEOFFICE_API Engine {
public:
    virtual ~Engine() = default;
    // Runs one statement. Returns a materialised set when the statement yields
    // columns (possibly with no rows), nullptr otherwise; `affected` receives
    // the rows changed by an insert, update or delete.
    virtual RecordsetPtr execute(const std::string& sql, long* affected) = 0;
    // Prepares one statement with "?" parameters to run many times (see
    // Statement); a text that is not exactly one statement is refused.
    virtual std::unique_ptr<EngineStatement> prepare(const std::string& sql) = 0;
    // Runs one query whose rows are read as they are asked for: the set
    // holds at least the first `firstRows` rows and reads the rest from a
    // statement the session keeps open until the last row is read or the
    // set is dropped (Recordset::complete). An engine that cannot keep a
    // statement open while its session runs others delivers every row at
    // once. Closing the session cuts a set still being read off: reading it
    // further fails.
    virtual RecordsetPtr executeStreamed(const std::string& sql, std::size_t firstRows) {
        (void)firstRows;
        return execute(sql, nullptr);
    }
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual void setTimeoutSeconds(int seconds) = 0;
    // The stamp the engine keeps in the database itself, read without
    // writing anything; an engine without one answers hasStamp = false.
    virtual EngineStamp readStamp() = 0;
    // Writes the stamp, inside the caller's transaction where the engine
    // allows it; an engine without one does nothing.
    virtual void writeStamp(std::int32_t applicationId, int version) = 0;
    // Gathers the statistics the query planner chooses its indexes by, after
    // the books changed in bulk (a new database, a carry-over, a copy).
    virtual void refreshStatistics() { execute("ANALYZE", nullptr); }
};

// Parsed "Key=Value;Key=Value" connection string. Keys are case-insensitive.
struct FEEOFFICE_API ConnectionStringParts {
    std::string provider;    // Provider=SQLite
    std::string dataSource;  // Data Source=/path/fee.db
    std::string get(const std::string& key) const;  // the value of `key`; the last one when repeated, "" when absent
    std::string raw;  // the whole text as given
    static ConnectionStringParts parse(const std::string& text);  // splits a connection string into its parts
};

// Opens an engine for a connection string; throws DbError(BadProvider) when
// the provider is unknown, or the engine's error when it cannot open (kind
// Missing when the database is not there and `mode` does not create it).
FEEOFFICE_API std::unique_ptr<Engine> openEngine(const std::string& connectionString, int timeoutSeconds,
                                   OpenMode mode = OpenMode::Existing);

}  // namespace fo
