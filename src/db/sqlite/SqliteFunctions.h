#pragma once

struct sqlite3;

namespace fo {

// Registers on one SQLite session the functions the module's statements of
// both dialects call: isnull (1 and 2 arguments), iif, format, getdate, left,
// and an exact `sum` over money that adds on a fixed four-decimal scale, so
// that 0.3 - (0.1 + 0.2) sums to zero as it does on a currency type; and
// the faster NOCASE collation of SqliteNocase.h. Returns the SQLite result code.
int registerSqliteFunctions(sqlite3* db);

}  // namespace fo
