#include "support/TempFeeDb.h"

#include "data/FeeDatabase.h"

namespace fo::test {

TempFeeDb::TempFeeDb()
    : path_(dir_.file("fee.db")), connectionString_(sqliteConnectionString(path_)) {
    createFeeDatabase(connectionString_)->close();
}

ConnectionPtr TempFeeDb::open() const { return openConnection(connectionString_); }

void TempFeeDb::exec(const std::string& sql) const { open()->execute(sql); }

}  // namespace fo::test
