#pragma once
#include <functional>

namespace fo {

// Told when a statement starts waiting for another session's lock and again
// when that wait is over, so that the front end can show the wait pointer
// during a wait the clerk did not ask for. One observer per process; an
// empty function removes it.
void setLockWaitObserver(std::function<void(bool waiting)> observer);

// Engines call this at the start and the end of each such wait.
void noticeLockWait(bool waiting);

}  // namespace fo
