#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/values/Currency.h"

// The collection summary ("收费汇总表"): per month, operator, receiving
// account and fee item, what was charged, voided, reduced (and its
// cancellations), refunded and taken as prepayment. Cash moves are those of
// the cash journal by the day and the operator that booked them, as the
// clerk's day reads them, so one day of one operator here is his day there
// (whole months from the totals the engine keeps of the journal, see
// data/CashTotals.h); reductions, which move no cash, by their record's day
// and operator.
namespace fo::collection {

struct Line {
    std::string month;                 // "yyyy-mm"
    std::string operatorId, operatorName;
    std::string account;               // skzhid; "" for reductions
    std::string itemId, itemName;
    Currency charged;                  // charges (SF), their items
    Currency voided;                   // voids (QXSF), negative
    Currency reduced;                  // reductions (JM)
    Currency reductionsCancelled;      // their cancellations (QXJM), negative
    Currency refunded;                 // refunds of prepayment (TF), paid out
    Currency prepaid;                  // new prepayment: deposits (YSK) and charges' surplus
};

// The days [from, to) ("yyyy-mm-dd"), every operator or only `operatorId`,
// ordered by month, operator, account and item.
std::vector<Line> lines(Connection& cn, const std::string& from, const std::string& to,
                        const std::string& operatorId = {});
// The sums of `lines` under the month "合计".
Line totalOf(const std::vector<Line>& lines);

RecordsetPtr asRecordset(const std::vector<Line>& lines);
std::string asText(const std::string& heading, const std::vector<Line>& lines);

}  // namespace fo::collection
