#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/Connection.h"

namespace fo {

// One thing wrong with the books: a line a clerk or the office's
// administrator reads (Chinese, naming the rows by id and number), and a
// short code that tools and tests match on ("mirror-amount").
struct BooksFault {
    std::string code;
    std::string text;
};

// What one of the host's counters last handed out, beside the largest value
// of that counter already stored in the fee tables. The counters belong to
// the host, so the host reads them and the check only compares.
struct CounterReading {
    std::string counter;       // "inandoutml", "qfhzb", "bill:jm:20261206"
    std::int64_t lastIssued = 0;
    std::int64_t stored = 0;
};
using CounterProbe = std::function<std::vector<CounterReading>()>;

struct BooksCheckOptions {
    // Reads the host's counters; when empty, counters are not checked.
    CounterProbe counters;
    // Checks the audit log against the postings: every reduction, every
    // cancellation of one and every void entered since the log's first row
    // has its row, and every row of a posting names a record that is there.
    // Off for books written past the program (test and bench schools).
    bool auditTrail = false;
};

// Checks the invariants the postings keep, on any engine, and returns every
// fault found (none: the books are sound):
// - a cancellation's mirror negates its source column by column, items and
//   cash journal included; a record has at most one mirror, a mirror none;
// - a reduction record's amount is the sum of its items', a charge's too;
// - a closed arrears row is closed by exactly one live record, a reduction
//   took off the rows it closed exactly its amount, a row's
//   reduction and payment stay within what it owed, header and items agree,
//   and what it left open is owed by exactly one remainder row; no
//   remainder hangs under an open row; per student, what was carried over
//   less what was reduced and paid is what is still open;
// - a voided receipt's charge is cancelled; no document number or journal
//   id is used twice; no item row lost its record;
// - every student's prepayment balance is the sum of what his records put
//   in and took out (ysk less hkje, mirrors included); a credited
//   reduction's items say so (ysk = jmje = 0-je), and what it credits stays
//   within what live charges paid there less what was reduced;
// - the cash totals kept per month, operator, account, document prefix and
//   item are the journal's sums, no key missing or extra (CashTotals.h);
// - the counters are not behind the stored ids and numbers;
// - on SQLite, the file itself passes the engine's integrity check;
// - when asked, the audit log and the postings agree.
// The statements are plain SQL of no dialect. A failing statement (a
// database that holds no fee books) throws DbError.
std::vector<BooksFault> checkBooks(Connection& cn, const BooksCheckOptions& options = {});

}  // namespace fo
