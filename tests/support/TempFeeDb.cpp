#include "support/TempFeeDb.h"

#include "data/FeeSchema.h"

namespace fo::test {

TempFeeDb::TempFeeDb()
    : path_(dir_.file("fee.db")), connectionString_(sqliteConnectionString(path_)) {
    createFeeDatabase(path_);
}

ConnectionPtr TempFeeDb::open() const { return openConnection(connectionString_); }

void TempFeeDb::exec(const std::string& sql) const { open()->execute(sql); }

}  // namespace fo::test
