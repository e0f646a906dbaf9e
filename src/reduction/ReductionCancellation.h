#pragma once
#include <string>

#include "data/posting/PostingPlan.h"
#include "db/Connection.h"
#include "host/api/HostSystem.h"

namespace fo::jmjl {

// The plan of cancelling reduction record `id` (see data/posting/PostingPlan.h),
// read on `cn`: the "QXJM" mirror record and its items with every amount
// negated, the remainder rows the reduction split off removed with their
// items, and the rows it settled open again. Refusals: "not-live" (already
// cancelled, itself a mirror, no reduction, not found) and "reverse-order"
// (a later charge or reduction rests on a remainder row; the first one is
// named in the refusal) and "carried-over" (a reduction of coming charges
// whose period the month-end has since turned into stored arrears, with the
// reduction taken off them). `operatorName` is the database-information
// object's; the operator id is the host's. Nothing is drawn when refused.
plan::Plan cancellationPlan(Connection& cn, HostSystem& run, const std::string& id, const std::string& operatorName,
                            plan::Draws& draws);

}  // namespace fo::jmjl
