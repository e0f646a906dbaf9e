#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "data/posting/PostingPlan.h"
#include "db/Connection.h"
#include "db/values/Currency.h"
#include "host/api/HostSystem.h"

// Taking a student's fees: a charge (SF) of what he owes, a deposit of
// prepayment on its own (YSK), and a refund of prepayment (TF). Each is one
// fee record with its items, its receipt and its cash-journal row, and it
// writes exactly what cancelling that record (the bill void) undoes, step
// for step:
//  - the record and its items, each item with its share of new prepayment
//    (ysk), the prepayment of a charge on the general item 0 "预收款", a
//    deposit's on the item it was taken for (0 unless one was chosen);
//  - the journal row under the record's id and its line on the receiving
//    account;
//  - the per-item prepayment balances (XS_SFXM_YSK) raised by each item's
//    share, the student's balance (kdw_xs.ysk) lowered by what the charge
//    took from it (hkje) and raised by the new prepayment (ysk);
//  - the transfer record (hkid = the charge) of a prepayment used, which the
//    void deletes;
//  - the stored arrears rows it pays: each closed as paid by the record
//    (fkje, fkrq, sfjlid), its items paid; a row paid in part leaves an open
//    remainder row pointing back (yqfkid) with what is left of each item;
//  - the student's charge dates;
//  - the receipt, stored through the bill header object's insertPjML.
//
// One charge may pay stored arrears and the open month's dues together: each
// item row names its period (feetermname), and the host's dues rules count
// for the month only the rows named by the month's own period.
namespace fo::charge {

enum class Kind { Charge, Deposit, Refund };
// "SF", "YSK", "TF".
const char* prefixOf(Kind kind);

// One line the clerk pays now.
struct Line {
    std::string sfxmid;
    std::string period;     // the stored row's qfyf, or the item's own period key of the open month
    std::string qfkid;      // the stored open arrears row; "" for the open month's dues
    std::string itemName;   // as shown, for the receipt
    Currency owedShown;     // what the window showed him owing on the line
    Currency pay;           // what he pays of it now
    int days = 0;           // a per-day item of the open month: the days it is charged for
};

struct Order {
    Kind kind = Kind::Charge;
    std::string xsid;
    std::vector<Line> lines;
    Currency fromPrepayment;  // 划扣: taken from his prepayment balance (a charge only)
    // What the receiving account takes in (a charge, a deposit) or pays out
    // (a refund). Beyond what the lines and the prepayment used leave to
    // pay, a charge keeps it as new prepayment.
    Currency cash;
    std::string account = "1";  // skzhid, the receiving account (1 现金)
    // The fee item a deposit is kept on (its XS_SFXM_YSK balance); "0" is the
    // general prepayment, where a charge's surplus and a refund always go.
    std::string depositItem = "0";
    std::string remark;
    Currency balanceShown;      // his prepayment balance as the window showed it
};

// What the record holds, worked out from the order.
struct Totals {
    Currency je, hkje, ssje, ysk;
};
Totals totalsOf(const Order& order);

// Why the order cannot be posted as it stands, before the books are read
// (amounts below zero or with more than two decimals, nothing to pay,
// prepayment used beyond what is paid, cash short); "" when it can.
std::string orderRefusal(const Order& order);

// The numbers a posting draws; a preview's placeholders otherwise.
struct Drawn {
    plan::Datum recordId, djbh, receiptId, transferId;
};

// Plans the posting of `order` onto `p`, reading the books on `cn` (for a
// posting: its transaction, under the books' write lock): every line must
// still owe what the window showed, a stored row must still be open and
// untouched, the balance must still be what was shown. Refusals are named
// for the clerk ("changed", "balance", "order", "student").
// `drawn` gets the numbers the plan writes.
void planCharge(Connection& cn, HostSystem& run, plan::Plan& p, const Order& order, plan::Draws& draws, Drawn& drawn);

// Posts `order` on `trCn`, whose transaction the caller has begun: plans
// it again, compares with `seen` (the preview the clerk confirmed, when
// there was one), runs the plan and stores the receipt. Throws
// ChargeRefused with the reason when it is refused and DbError when a
// statement fails; the caller rolls back. The audit log learns of it as
// `operation` ("收费", "预收款", "退预收款") once its number is drawn. Gives
// the record's document number and the receipt's id.
struct Posted {
    std::string recordId, djbh, receiptId;
    Totals totals;
};
Posted post(Connection& trCn, HostSystem& run, const Order& order, const plan::Plan* seen,
            const std::string& operation);

struct ChargeRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "壹仟贰佰叁拾肆元伍角", as a receipt prints its total.
std::string amountInWords(Currency amount);

}  // namespace fo::charge
