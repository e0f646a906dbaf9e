#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"

// What each student owed over a span of days, read two independent ways
// from the arrears rows: what was open at the start and at the end (each
// row from the day it arose, qfrq, until the day it was closed, fkrq), and
// what moved in between (rows carried over, the reductions and payments
// that closed rows). A closed row's rest lives on in its remainder row, so
// for sound books start + raised - reduced - paid = end, to the cent. A
// cancelled record reopens what it settled, so it and its mirror move
// nothing here; their amounts are listed beside for the office to see.
namespace fo::ledger {

struct Movement {
    long xsid = 0;
    Currency start;     // open at the first day
    Currency raised;    // new arrears rows (not remainders) that arose in the span
    Currency reduced;   // reductions on rows closed in the span
    Currency paid;      // payments on rows closed in the span
    Currency end;       // open after the last day
    long mirrors = 0;   // cancellations (mirror records) booked in the span
    Currency mirrored;  // their amounts, charged and reduced (negative)
    Currency expectedEnd() const { return start + raised - reduced - paid; }
    bool balances() const { return expectedEnd() == end; }
};

// The days [from, to) ("yyyy-mm-dd"), one movement per student with any
// arrears or mirror, ordered by student id. Plain SQL of no dialect.
std::vector<Movement> movements(Connection& cn, const std::string& from, const std::string& to);

// Over all the books' days: what the check of the books compares.
std::vector<Movement> wholeHistory(Connection& cn);

}  // namespace fo::ledger
