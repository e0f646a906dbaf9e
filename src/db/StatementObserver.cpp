#include "db/StatementObserver.h"

#include <atomic>

namespace fo {
namespace {

std::atomic<StatementObserver*> installed{nullptr};

}  // namespace

void setStatementObserver(StatementObserver* observer) { installed.store(observer, std::memory_order_release); }

StatementObserver* statementObserver() { return installed.load(std::memory_order_acquire); }

}  // namespace fo
