#pragma once
#include "db/Connection.h"

namespace fo {

// Lets a transaction connection go after a posting went wrong or was
// refused: what is still open is rolled back, the connection closed and the
// pointer emptied. A failure on the way is swallowed, as closing the
// connection rolls back whatever is left. A null pointer is left alone.
void dropTransaction(ConnectionPtr& trCn);

}  // namespace fo
