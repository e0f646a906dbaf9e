#pragma once
#include <string>

#include "db/Connection.h"

namespace fo {

// The cash journal summed as the collection summary reads it, kept by the
// engine as the books are written: table fo_cash_totals holds, per month of
// the journal's day ("yyyy-mm" of INandOutML.czrq, "" when it has none),
// operator (userID), receiving account (INandOut.subid), document prefix
// (the first four characters of djbh) and fee item (kdw_sfjlmx.sfxmid), the
// items' je and ysk and the number n of (journal row, account line, item)
// triples they come from: those with l.num = j.id and i.sfjlid = j.id, each
// item counted once per account line of its journal row, as the join sums
// them. A key's row is there exactly while n > 0.
//
// Triggers of the engine keep it, whoever writes the three tables: a
// triple is counted when the last of its rows is inserted (the insert of
// each table adds what the new row completes with the other two), a
// deletion takes off what the old row was part of, and an update does both.
// On SQLite the sums are rounded to four decimals at every step, so that
// they stay the exact amounts the engine's binary fractions stand for; on
// PostgreSQL they are exact decimals. The server's triggers run as the
// schema's owner (security definer): a clerk's role, which inserts the
// journal, only reads the totals.

inline constexpr const char* kCashTotalsTable = "fo_cash_totals";

// The table and its index, in the common script's words (part of
// feeSchemaScript; PostgreSQL runs it through pgFeeTablesScript).
const std::string& cashTotalsTableScript();

// The triggers on the embedded engine, built-in functions only (another
// program writing the file has none of the module's).
const std::string& sqliteCashTotalsTriggers();

// The server's trigger functions and triggers, on `cn` as the schema's
// owner inside the caller's transaction; made anew when there.
void createPgCashTotalsTriggers(Connection& cn);

// The triggers gone, where they are (an upgrade step that changes a column
// they name; version 14 makes them again).
void dropCashTotalsTriggers(Connection& cn);

// The totals as they follow from the journal now, one statement: rows of
// yf, userid, subid, prefix, sfxmid, je, ysk, n.
std::string journalCashTotalsQuery(Connection& cn);

// Schema version 14 (and a database of the first releases, rebuilt): the
// table made where it is missing, the triggers made anew, the totals filled
// from the journal in one statement, inside the caller's transaction; on a
// server with its roles arranged, the clerks may read them.
void keepCashTotals(Connection& cn);

}  // namespace fo
