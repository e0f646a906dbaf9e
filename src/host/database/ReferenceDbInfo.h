#pragma once
#include <memory>
#include <string>

#include "host/counters/CounterService.h"
#include "host/api/DbInfo.h"

namespace fo {

// Who works on which fee database: shared by the reference host and every
// database-information object it makes, so both always agree.
struct HostIdentity {
    std::string databasePath;
    std::string linkString;
    int dialect = 1;  // 1 = SQL Server, 0 = Access
    int userId = 0;
    std::string userName;
};

// The database-information object of the reference host: the same database,
// user and counters as the host that made it.
class ReferenceDbInfo final : public DbInfo {
public:
    ReferenceDbInfo(std::shared_ptr<const HostIdentity> identity, std::shared_ptr<CounterService> counters)
        : identity_(std::move(identity)), counters_(std::move(counters)) {}

    Value SqlKind() override { return Value(identity_->dialect); }
    std::string UserName() override { return identity_->userName; }
    std::string LinkString() override { return identity_->linkString; }
    std::string UserId() override { return std::to_string(identity_->userId); }
    ConnectionPtr Connection() override;
    ConnectionPtr TransConnection() override;
    // The first of `count` fresh ids of the counter `table`.
    std::string NextId(const std::string& table, int count = 1) override;
    std::string NextBillNo(const std::string& prefix) override;

private:
    std::shared_ptr<const HostIdentity> identity_;
    std::shared_ptr<CounterService> counters_;
};

}  // namespace fo
