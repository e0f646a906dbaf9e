#pragma once
#include <string>
#include <vector>

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
// charge), `id` is the operation's record id. Every remainder row split off
// a row the operation settled that is no longer open and untouched blocks
// the cancellation: settled since (closed, linked to a charge or reduction,
// paid or reduced on the row or on one of its items). Every such row
// counts, however many rows the operation settled and however the later
// operations followed. Each comes with the later operation that rests on it
// (the charge or reduction linked to it; none when only its items were paid).
struct LaterOperation {
    std::string qfkid, qfyf, xsid;
    std::string recordId, djbh;  // "" when no record is linked to the row
};
std::vector<LaterOperation> laterOperations(Connection& cn, bool sqlServer, const char* link, const std::string& id);
// Its statement: one row per remainder row that blocks.
std::string blockingRemaindersQuery(bool sqlServer, const char* link, const std::string& id);
// What the clerk must cancel first: "须先取消：减免记录[JM…]（所属期 202609）", one line per operation.
std::string laterOperationsText(const std::vector<LaterOperation>& later);

}  // namespace fo
