#pragma once
#include <string>

#include "db/Connection.h"
#include "support/Dialects.h"
#include "support/TempDir.h"

namespace fo::dbtest {

// A new, empty database file of its own for one test, in a scratch folder
// that goes with the object (WAL companions and all).
class TempDatabase {
public:
    TempDatabase() { createDatabase(connectionString())->close(); }

    const std::string& path() const { return path_; }
    std::string connectionString() const { return sqliteConnectionString(path_); }
    ConnectionPtr connect() const { return openConnection(connectionString()); }

private:
    test::TempDir dir_;
    std::string path_ = dir_.file("test.db");
};

// Tests of statements whose text differs between the dialects run once per
// dialect code, each on its own database.
class DialectDbTest : public test::DialectTest {
protected:
    TempDatabase db_;
    ConnectionPtr cn_ = db_.connect();
};

}  // namespace fo::dbtest

