#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"

namespace fo {

// Schema version 7 on the embedded engine: every date column of the fee
// tables named in `tables` that is still declared plain datetime (numeric
// affinity, so that comparing it with a date literal tried to read each
// stored date as a number first) is declared kDateColumnType, which
// compares as the text it holds. Runs inside the upgrade's transaction;
// nothing on a server, whose dates are timestamps.
//
// A table whose date columns hold only text or nulls has its declared types
// changed in place, its rows and indexes untouched: the stored statement is
// edited as SQLite documents for changes that leave the stored content as
// it is, and the schema's version is raised so that every session reads
// the schema again. A table that holds anything else in a date column (a
// number some other program wrote) is made again and its rows copied, each
// such number written as a date where SQLite's date functions read it as
// one (see copyKeptColumns). Views, triggers and indexes stay as they
// stood. A table statement that cannot be read fails the upgrade whole.
void declareDatesAsText(Connection& cn, const std::vector<std::string>& tables);

}  // namespace fo
