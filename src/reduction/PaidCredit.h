#pragma once
#include <functional>
#include <string>
#include <vector>

#include "data/posting/PostingPlan.h"
#include "db/Connection.h"
#include "db/values/Currency.h"
#include "host/api/HostSystem.h"

// A reduction granted after the fee was paid: the office keeps the money as
// the student's prepayment instead of paying it back or voiding the charge.
// It is a "JM" record like any other, dated in the period it reduces, whose
// `ysk` (and each item's `ysk` share) is what it credited; its items carry
// `je` = 0-credit, so the dues rules count the credited part as no longer
// paid and the period stays settled (paid less credit plus reduction is
// what was due). It settles no arrears and reduces no coming charge: one
// record either settles what is owed or credits what was paid.
namespace fo::jmjl {

struct CreditedItem {
    std::string itemId;
    std::string itemName;     // for the clerk
    Currency amount;
    std::string feeTermName;  // as the window shows the period
};

struct CreditRequest {
    std::string xsid, sflxid, bjmc;
    std::string date;    // "yyyy-mm-dd", in the period reduced (its first day, as every window dates it)
    std::string sfyf;    // the month the record is booked in
    std::string reason;  // trimmed, as typed
    std::vector<CreditedItem> items;
    // A batch credits an item of a period once: the same amounts for many
    // students posted twice would credit each of them twice, so a second
    // credit of the item and period is refused naming the first.
    bool oncePerPeriod = false;
};

// The captions of a credit plan's lines, one per item: the payment it
// follows, as a settlement's line names the arrears row it settles, and the
// student's prepayment balance before and after.
std::vector<std::string> creditLineCaptions();

// What may still be credited of `itemId` for student `xsid` in the period of
// the item's kind that holds `date`: what live records paid there, less what
// was reduced there and what was already credited. Zero for a month the
// month-end has carried over (its dues are stored arrears now).
Currency creditCap(Connection& cn, HostSystem& run, const std::string& xsid, const std::string& itemId,
                   const std::string& date);

// The record, its items and the two balances, re-checked on `cn` (for a
// posting: its transaction, before anything is written): refused when an
// item is named twice, credits nothing or more than its cap, or the month is
// carried over. The record id and number are drawn from `draws`.
// `drawn`, when given, learns the record's id, number and amount.
struct CreditDrawn {
    plan::Datum id, djbh;
    Currency total;
};
plan::Plan creditPlan(Connection& cn, HostSystem& run, const CreditRequest& request, plan::Draws& draws,
                      CreditDrawn* drawn = nullptr);

// Posts the credit in one transaction of its own on the host's connection;
// returns the new record's id. A refusal throws ReductionRefused, a failing
// write DbError; either way nothing stays written.
std::string postCredit(HostSystem& run, const CreditRequest& request);

// A batch of credits (the wizard's students, the receivables list's
// groups), each request planned with what the requests before it put into
// the balances, as a preview shows them: it writes nothing, so a student's
// second record starts where his first left his balance.
std::vector<plan::Plan> previewCredits(Connection& cn, HostSystem& run, const std::vector<CreditRequest>& requests);

// Posts a batch of credits in one transaction of its own on the host's
// connection, each request re-checked under the lock and, with `seen` (the
// plans previewed, by request), held to exactly what the clerk was shown.
// A refused request writes nothing and the others are still checked; the
// batch is committed only when none was refused. Returns each request's
// refusal ("" for one that posted); a failing write throws DbError after the
// rollback. `step` is called after each request.
std::vector<std::string> postCredits(HostSystem& run, const std::vector<CreditRequest>& requests,
                                     const std::vector<plan::Plan>* seen, const std::function<void()>& step = {});

// The credit a live reduction record `recordId` put into prepayment (0 when
// it settled or reduced what was owed).
Currency creditOf(Connection& cn, const std::string& recordId);

// Why taking back the credit of reduction `recordId` is refused: the
// student's balance is below the credit, a later charge took it; the refusal
// names that charge (laterId/laterDjbh). Plans the balances' updates when it
// is not refused. Nothing when the record credited nothing.
void planCreditTakeBack(Connection& cn, HostSystem& run, plan::Plan& p, const std::string& recordId);

}  // namespace fo::jmjl
