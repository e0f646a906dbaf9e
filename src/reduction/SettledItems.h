#pragma once
#include <string>

#include "db/Connection.h"
#include "host/api/HostSystem.h"

// What already paid or settled a student's fee item in its period: the
// reduction window names it beside an item it has nothing left to offer of.
namespace fo::jmjl {

// The document number of the record that paid or reduced item `itemId` of
// student `xsid` in `period` (a month key, a term or year tag, "一次性"):
// the record that closed the latest settled stored row of the period holding
// the item, else the latest record the dues rules count for the period (live,
// no prepayment, no settlement of stored arrears; a reduction for the period
// of its date, any other record for its fee month). "" when there is none.
// The host's period object is left on the month it was on.
std::string settledBy(Connection& cn, HostSystem& run, const std::string& xsid, const std::string& itemId,
                      const std::string& period);

// The reason for the clerk: "已缴清（SF202612010001）", "已减免（JM…）", or
// "已没有欠费" when no record is known.
std::string settledReason(const std::string& djbh);

}  // namespace fo::jmjl
