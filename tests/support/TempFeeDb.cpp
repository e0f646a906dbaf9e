#include "support/TempFeeDb.h"

#include "data/FeeDatabase.h"

namespace fo::test {

TempFeeDb::TempFeeDb() {
    if (onPostgres()) {
        server_ = std::make_unique<PgTestDatabase>("fo_tpl_schema", [](const std::string& link) { createFeeDatabase(link)->close(); });
        path_ = server_->link();
    } else {
        path_ = dir_.file("fee.db");
        createFeeDatabase(linkStringFor(path_))->close();
    }
    connectionString_ = linkStringFor(path_);
}

ConnectionPtr TempFeeDb::open() const { return openAsOwner(connectionString_); }

void TempFeeDb::exec(const std::string& sql) const { open()->execute(sql); }

}  // namespace fo::test
