#pragma once
#include <string>

#include "db/Connection.h"

namespace fo {

// A live reduction that credited a paid item to the student's prepayment
// after charge `chargeId` (same student, one of its items, a later record):
// the credit stands on that payment, so the charge is voided only after the
// credit is cancelled. Empty ids when there is none.
struct LaterCredit {
    std::string id, djbh;
};
LaterCredit creditAfterCharge(Connection& cn, const std::string& chargeId);

}  // namespace fo
