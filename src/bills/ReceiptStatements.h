#pragma once
#include <string>

#include "db/Recordset.h"

namespace fo {

class cLsBILLhead;

// The statements that store one receipt (PjML header and PjMLmx items),
// composed from the bill header object and the item rows the host supplies.
// Text values go between single quotes with their quotes doubled, so the
// stored value is what was typed; numbers go unquoted after a check, and a
// value that is not a number throws std::invalid_argument naming it, so a
// broken statement never reaches the database.
namespace receipt {

// The issue-date expression: "getdate()" for SQL Server (dialect code 1),
// otherwise the client's current date-time as a quoted literal.
std::string issueDateExpression(int dialectCode);

// The PjML insert for `head`; `issueDate` is placed as it stands.
std::string headerInsert(const cLsBILLhead& head, const std::string& issueDate);

// The PjMLmx insert for the current row of `rec` (fields xmmc, term, je,
// cqts, bz; an empty cqts counts as 0, an empty or missing je is refused),
// belonging to receipt `receiptId`.
std::string itemInsert(const std::string& receiptId, const Recordset& rec);

}  // namespace receipt
}  // namespace fo
