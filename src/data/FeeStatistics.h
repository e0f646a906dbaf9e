#pragma once
#include "db/Connection.h"

namespace fo {

// The planner's statistics of a fee database.
//
// Some columns link a row to another and hold 0 where there is no link:
// the arrears row a remainder was split from (qfhzb.yqfkid), the charge or
// reduction that settled an arrears row (qfhzb.sfjlid, qfhzb.jmjlid), the
// charge a transfer record came from (kdw_sfjl.hkid). Their indexes serve
// one kind of lookup, the rows that link to a given row, and no statement
// looks up the unlinked rows through them. An engine's statistics average
// over every key, so on books where most rows link nowhere (a school that
// seldom splits an arrears row) they say a lookup finds thousands of rows,
// and the planner reads a whole table instead: a void or a reduction
// cancellation then grows with the books. The statistics of these indexes
// are therefore stated as the lookups see them, the rows per linked key.

// Gathers the statistics anew (the engine's own, see
// Connection::refreshStatistics), then states the links' as above.
void gatherFeeStatistics(Connection& cn);

// States the links' statistics only, keeping the sizes the engine
// gathered; nothing for an index the engine has no statistics of yet (an
// empty table), nor on a server, whose statistics keep the most common key
// apart from the rest. The connection plans by them from its next
// statement; other sessions from their next start.
void stateLinkStatistics(Connection& cn);

}  // namespace fo
