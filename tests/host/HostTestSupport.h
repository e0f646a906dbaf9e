#pragma once
#include <gtest/gtest.h>

#include <string>

#include "db/Connection.h"
#include "support/Dialects.h"
#include "support/TempDir.h"
#include "support/TempFeeDb.h"

namespace fo::test {

// A fresh fee database with a connection for arranging rows and checking
// results, and a scratch folder for files a test writes.
class FeeDb {
public:
    FeeDb() : dbPath(db.path()), cn(db.open()) {}

    void exec(const std::string& sql) { cn->execute(sql); }
    // The first column of the first row as text.
    std::string scalar(const std::string& sql) {
        auto rs = cn->execute(sql);
        return rs && !rs->eof() ? rs->field(0).toText() : std::string("<no row>");
    }

    TempFeeDb db;
    TempDir dir;
    std::string dbPath;
    ConnectionPtr cn;
};

// Behaviour that touches SQL runs once per dialect code (1 SQL Server, 0 Access).
class FeeDbTest : public DialectTest, public FeeDb {
protected:
    int dialect() const { return GetParam(); }
};

}  // namespace fo::test

