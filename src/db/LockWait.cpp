#include "db/LockWait.h"

#include <utility>

namespace fo {
namespace {

std::function<void(bool)>& observer() {
    static std::function<void(bool)> f;
    return f;
}

}  // namespace

void setLockWaitObserver(std::function<void(bool waiting)> f) { observer() = std::move(f); }

void noticeLockWait(bool waiting) {
    // Called from inside an engine: whatever the observer does, the wait
    // itself goes on.
    try {
        if (observer()) observer()(waiting);
    } catch (...) {
    }
}

}  // namespace fo
