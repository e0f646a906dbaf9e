#pragma once
#include <memory>
#include <string>

#include "data/FeeDatabase.h"
#include "db/Connection.h"
#include "support/PgTestServer.h"
#include "support/TempDir.h"

namespace fo::test {

// A throw-away fee database holding the whole fee schema: a new file in a
// directory of its own, or on a PostgreSQL test run a database of its own on
// the test cluster; it goes with the object.
class TempFeeDb {
public:
    TempFeeDb() {
        if (onPostgres()) {
            server_ = std::make_unique<PgTestDatabase>(
                "fo_tpl_schema", [](const std::string& link) { createFeeDatabase(link)->close(); });
            path_ = server_->link();
        } else {
            path_ = dir_.file("fee.db");
            createFeeDatabase(linkStringFor(path_))->close();
        }
        connectionString_ = linkStringFor(path_);
    }

    // The database as the reference host opens it: the file's path, or the
    // server database's link string.
    const std::string& path() const { return path_; }
    // The connection string of this database.
    const std::string& connectionString() const { return connectionString_; }
    // A new connection, opened on the database (as its owner on a server,
    // whoever is signed in: see PgSignedInOperator).
    ConnectionPtr open() const { return openAsOwner(connectionString_); }
    // Runs one statement on a connection of its own (for arranging data).
    void exec(const std::string& sql) const { open()->execute(sql); }

private:
    TempDir dir_;
    std::unique_ptr<PgTestDatabase> server_;
    std::string path_;
    std::string connectionString_;
};

}  // namespace fo::test
