#pragma once
#include "FeeOfficeApi.h"
#include <string>

#include "db/Connection.h"

namespace fo {

// Creating and opening fee databases, on any engine.
//
// Only a creation makes a database: opening one never does, so a mistyped
// or moved file is reported instead of being replaced by an empty one.

// Creates a new fee database at `connectionString`: the whole schema and
// the stamp, written in one transaction. Returns the open connection.
// Refuses (DbError, nothing written) a database that is already there and
// holds anything.
FEEOFFICE_API ConnectionPtr createFeeDatabase(const std::string& connectionString);

// Opens the fee database at `connectionString`. Its stamp is read first,
// without writing anything: what is not a fee database is refused (kind
// NotFeeDatabase, the message names it and says what it is), as is a fee
// database of a newer schema version (kind NewerSchema); an older one is
// brought up to date in one transaction before it is used. A database that
// is not there gives kind Missing.
FEEOFFICE_API ConnectionPtr openFeeDatabase(const std::string& connectionString);

// The schema version an open fee database carries; 0 for a fee database of
// the first releases, which carried no stamp. Throws DbError(NotFeeDatabase)
// for anything else. Reads only.
FEEOFFICE_API int feeSchemaVersionOf(Connection& cn);

// What the clerk knows the database by (its file), for messages.
FEEOFFICE_API std::string feeDatabaseName(const std::string& connectionString);

}  // namespace fo
