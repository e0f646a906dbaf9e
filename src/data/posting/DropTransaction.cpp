#include "data/posting/DropTransaction.h"

#include <exception>

namespace fo {

void dropTransaction(ConnectionPtr& trCn) {
    if (!trCn) return;
    try {
        if (trCn->inTransaction()) trCn->rollbackTrans();
        trCn->close();
    } catch (const std::exception&) {
        // The connection is going away; closing it rolls back whatever is left.
    }
    trCn.reset();
}

}  // namespace fo
