#pragma once
#include <functional>
#include <string>

#include "db/Connection.h"
#include "host/api/HostSystem.h"

namespace fo {

// Month-end carry-over. What attending students still owe in the open month
// (its monthly dues, and the term, year and one-off dues not yet stored, for
// every item counted in arrears, kdw_sfxm.qftj = 'Y') becomes stored arrears:
// one open qfhzb row per student and period key (qfyf = month key, term tag,
// year tag or "一次性"; qfrq = the month's last day; qfje = sjqfje = the owed
// total) with one qfmxb row per owed item. The month is then listed in
// hisxsinfo (xsid 0), so the next month opens. From then on the stored rows,
// not the charge types, say what is owed for those periods.

// "" when the open month `yf` is over on `today` ("yyyy-mm-dd"), its last
// day reached; else what a carry-over now would cost, in the clerk's words:
// the month's receipts can no longer be voided once it is carried over.
std::string earlyCarryOverWarning(HostSystem& host, const std::string& yf, const std::string& today);

// Carries over `yf` in one transaction on `cn`, with arrears ids from the
// host's "qfhzb" counter and the host's operator as userid. Throws
// std::runtime_error (Chinese text for the clerk) when `yf` is not the open
// month or has no dates; nothing is written then.
void carryOverMonth(Connection& cn, HostSystem& host, const std::string& yf);

// The same inside the caller's transaction (the caller commits or rolls
// back): `nextArrearsId` hands out fresh qfhzb ids, `userId` is the operator.
// Returns the number of arrears rows written.
int bookCarryOver(Connection& cn, const std::string& yf, const std::function<std::string()>& nextArrearsId,
                  const std::string& userId);

}  // namespace fo
