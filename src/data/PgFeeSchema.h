#pragma once
#include <string>

#include "db/Connection.h"

namespace fo {

// The fee schema on PostgreSQL, on `cn` (inside the caller's transaction):
// the schema PgEngine::FeeSchema ("feeoffice") first in the database's search
// path (every session of the engine searches it first anyway), the citext
// extension, the types the module's own DDL names (money: numeric(19,4),
// shadowing the server's locale-dependent money; datetime: timestamp(0)),
// the dialect functions, then the fee tables of the common script with
// citext for text, so that text compares case-insensitively as on every
// engine, LIKE included, the counters' table, the triggers that keep the
// cash totals, and the roles and grants of PgServerRoles.
void createPgFeeSchema(Connection& cn, const std::string& commonScript);

// The common script as PostgreSQL runs it: text columns become citext,
// date columns the datetime domain, SQLite's autoincrement keys identity
// columns, a "collate nocase" goes.
std::string pgFeeTablesScript(const std::string& commonScript);

// Drops the database the link names (forcing its sessions out).
void dropPgDatabase(const std::string& link);

// After rows were copied in with their own ids, the identity columns go on
// numbering above them.
void resetPgIdentities(Connection& cn);

}  // namespace fo
