#pragma once
#include <string>

#include "db/Connection.h"

namespace fo {

// The fee database as the module reads and writes it: the host's tables
// (students, classes, fee items, fee records, receipts, arrears, calendar,
// cash journal), the student view `vxsxx`, the Access posting work table
// `tmpYSMxb`, and the reference host's own operator, right and setting tables.
//
// Runs the whole script on `cn`; inside a transaction of its own unless the
// connection already has one open. Throws DbError on the first failing
// statement (the caller's or our own transaction is then rolled back).
void createFeeSchema(Connection& cn);

// Creates a new database file at `path` holding the fee schema. Refuses with
// std::runtime_error when a non-empty file already exists there, so a real
// fee office is never overwritten by a demo or a test.
void createFeeDatabase(const std::string& path);

// The statements createFeeSchema runs, in order (for tools that print or
// inspect the schema).
const std::string& feeSchemaScript();

}  // namespace fo
