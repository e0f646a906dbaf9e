#pragma once
#include <string>

#include "db/Connection.h"
#include "db/Recordset.h"
#include "host/api/HostSystem.h"
#include "reduction/JmjlStatements.h"

namespace fo::jmjl {

// Settles student `xsId`'s open arrears rows `open` (as openArrearsQuery
// reads them) for the entries of `list`: every entry's reduction goes to
// every row, each row is closed as settled by reduction record `recordId`
// with its reductions capped at its arrears, and a row not fully covered
// gets an open successor holding the rest. Every write runs on `varCn`, the
// posting's transaction; `run` gives the dialect, the new row ids and the
// operator. The reader of `open` is left where it ends.
void settleOpenArrears(Recordset& open, const SettlementList& list, const std::string& xsId,
                       const std::string& recordId, Connection& varCn, HostSystem& run);

}  // namespace fo::jmjl
