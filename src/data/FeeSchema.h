#pragma once
#include <cstdint>
#include <string>

#include "db/Connection.h"

namespace fo {

// What marks a fee database: the one row of its table fo_schema(app,
// version) holds kFeeApp and the schema version; engines that keep a stamp
// in the database itself also carry kFeeApplicationId and the version there.
inline constexpr const char* kFeeApp = "feeoffice";
inline constexpr int kFeeSchemaVersion = 14;
inline constexpr std::int32_t kFeeApplicationId = 0x4665654F;  // "FeeO"

// The declared type of every date column of the fee schema on the embedded
// engine: read back as a date, compared as the text it is stored as.
inline constexpr const char* kDateColumnType = "datetime text";

// The fee database as the module reads and writes it: the host's tables
// (students, classes, fee items, fee records, receipts, arrears, calendar,
// cash journal), the student view `vxsxx`, the reference host's own
// operator, right and setting tables, the cash journal's totals with the
// triggers that keep them (CashTotals.h), and the stamp.
//
// Runs the whole script and writes the stamp on `cn`; inside a transaction
// of its own unless the connection already has one open. Throws DbError on
// the first failing statement (the caller's or our own transaction is then
// rolled back).
void createFeeSchema(Connection& cn);

// The statements createFeeSchema runs, in order (for tools that print or
// inspect the schema), save the engine's own triggers of the cash totals.
const std::string& feeSchemaScript();
// The part of it that makes the audit log table, for databases that lack it.
const std::string& auditLogSchemaScript();

// The indexes schema versions 3, 12 and 13 added (part of feeSchemaScript),
// which an upgrade from an earlier version creates.
const std::string& largeBooksIndexScript();

// What every session of the module has of its own: the Access posting work
// table `tmpYSMxb`, a temporary table (a session's own, found before any
// table of that name in the database). Runs again without harm.
const std::string& feeSessionScript();

}  // namespace fo
