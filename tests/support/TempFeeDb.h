#pragma once
#include <string>

#include "db/Connection.h"
#include "support/TempDir.h"

namespace fo::test {

// A throw-away fee database: a new file with the whole fee schema, in a
// directory of its own that goes with the object.
class TempFeeDb {
public:
    TempFeeDb();

    const std::string& path() const { return path_; }
    // "Provider=SQLite;Data Source=PATH" for this database.
    const std::string& connectionString() const { return connectionString_; }
    // A new connection, opened on the database.
    ConnectionPtr open() const;
    // Runs one statement on a connection of its own (for arranging data).
    void exec(const std::string& sql) const;

private:
    TempDir dir_;
    std::string path_;
    std::string connectionString_;
};

}  // namespace fo::test
