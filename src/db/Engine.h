#pragma once
#include <memory>
#include <string>

#include "db/Recordset.h"

namespace fo {

// What a database engine provides to a Connection. One Engine is one open
// session with the database.
class Engine {
public:
    virtual ~Engine() = default;
    // Runs one statement. Returns a materialised set when the statement yields
    // columns (possibly with no rows), nullptr otherwise; `affected` receives
    // the rows changed by an insert, update or delete.
    virtual RecordsetPtr execute(const std::string& sql, long* affected) = 0;
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual void setTimeoutSeconds(int seconds) = 0;
};

// Parsed "Key=Value;Key=Value" connection string. Keys are case-insensitive.
struct ConnectionStringParts {
    std::string provider;    // Provider=SQLite
    std::string dataSource;  // Data Source=/path/fee.db
    std::string get(const std::string& key) const;
    std::string raw;
    static ConnectionStringParts parse(const std::string& text);
};

// Opens an engine for a connection string; throws DbError(BadProvider) when
// the provider is unknown, or the engine's error when it cannot open.
std::unique_ptr<Engine> openEngine(const std::string& connectionString, int timeoutSeconds);

}  // namespace fo
