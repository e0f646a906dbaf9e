#pragma once
#include <string>

#include "db/Connection.h"

namespace fo {

// What a cancellation re-reads inside its own transaction, on the
// transaction's connection, before it writes anything: a window may show a
// record that another clerk cancelled, or arrears that a later operation
// settled, since it was filled. Both reductions and charges ask the same
// questions, so the answers live here once.

// Where a fee record stands. Only a live record can be cancelled: a mirror
// is itself a cancellation, a cancelled record already has its mirror.
enum class RecordState { Missing, Live, Cancelled, Mirror };
struct RecordStanding {
    RecordState state = RecordState::Missing;
    std::string id;    // kdw_sfjl.id, "" when missing
    std::string djbh;  // its document number
};
// The first kdw_sfjl record matching `condition` (a condition on the
// unqualified columns, "id=12" or "djbh='SF…'"), and where it stands.
RecordStanding recordStanding(Connection& cn, const std::string& condition);

// The reverse-order rule. `link` names the column that ties a settled
// arrears row to the operation (jmjlid for a reduction, sfjlid for a
// charge), `id` is the operation's record id. True when any remainder row
// split off a row the operation settled is no longer open and untouched:
// settled since (closed, linked to a charge or reduction, paid or reduced on
// the row or on one of its items). Every such row counts, however many rows
// the operation settled and however the later operations followed.
bool laterOperationOnRemainders(Connection& cn, bool sqlServer, const char* link, const std::string& id);
// Its statement: one row per remainder row that blocks.
std::string blockingRemaindersQuery(bool sqlServer, const char* link, const std::string& id);

}  // namespace fo
