#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/values/Currency.h"

// The clerk's day: what each operator took in and paid out on one day, per
// receiving account, for the hand-over at the end of a shift. Read from the
// cash journal (INandOutML with its lines), each row dated by when it was
// booked (czrq), so a void counts on the day it was made, under the
// operator who made it, whatever day its charge was.
namespace fo::cashday {

struct Line {
    std::string operatorId, operatorName, account;
    long receipts = 0;        // charges (SF) booked
    Currency charged;         // their amounts
    long voids = 0;           // charges cancelled (QXSF)
    Currency voided;          // what the voids took back (negative)
    long refunds = 0;         // refunds of prepayment (TF)
    Currency refunded;        // paid out (positive)
    Currency prepaidTaken;    // new prepayment: deposits (YSK) and charges' surplus
    Currency prepaidUsed;     // prepayment used by charges (划扣)
    Currency drawer;          // what must be in the drawer: in less out
};

// The day `date` ("yyyy-mm-dd"), every operator or only `operatorId`, one
// line per operator and account, ordered by them.
std::vector<Line> dayLines(Connection& cn, const std::string& date, const std::string& operatorId = {});
// The totals of `lines` under the operator name "合计".
Line totalOf(const std::vector<Line>& lines);

// The lines as a result set with the report's captions, the totals last, as
// the window lists them and exports them.
RecordsetPtr asRecordset(const std::vector<Line>& lines);
// The report as text, one line per row, tab-separated, with its heading: what
// is printed and what the command line prints.
std::string asText(const std::string& date, const std::vector<Line>& lines);

}  // namespace fo::cashday
