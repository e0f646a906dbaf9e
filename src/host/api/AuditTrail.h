#pragma once
#include "FeeOfficeApi.h"
#include <memory>
#include <optional>
#include <string>

#include "db/Connection.h"
#include "db/values/Currency.h"

namespace fo {

// One posting as the audit log keeps it: what was done, to which document,
// for how much (when the posting has one amount).
struct FEEOFFICE_API AuditEntry {
    std::string operation;  // "减免", "批量减免", "取消减免", "作废票据", "月末结转"
    std::string document;   // its document number, or what else names it
    std::optional<Currency> amount;  // how much, when the posting has one amount
};

// The office's audit log, kept by the host: who did what, where and when,
// and how it ended.
class FEEOFFICE_API AuditTrail {
public:
    virtual ~AuditTrail() = default;
    // A posting tells the log about itself on its transaction connection as
    // soon as its transaction has begun. The log's row is written inside
    // that transaction, so it commits or rolls back with the posting; when
    // the transaction rolls back, the log records the posting as failed, in
    // a short transaction of its own. Throws what the write throws: a
    // posting the log cannot record does not happen.
    virtual void posting(Connection& trCn, const AuditEntry& entry) = 0;
    // Something that is no posting (a sign-in, a change to the operators),
    // recorded at once. Never throws.
    virtual void event(const std::string& operation, const std::string& subject, const std::string& outcome) = 0;
};

// The audit log the host registered (ModuleGlobals::auditTrail) told about
// a posting on `trCn`; nothing when the host keeps none. Every posting path
// calls it once, right after its transaction began.
FEEOFFICE_API void auditPosting(Connection& trCn, std::string operation, std::string document,
                  std::optional<Currency> amount = std::nullopt);

// The same for an event; nothing when the host keeps no log.
FEEOFFICE_API void auditEvent(const std::string& operation, const std::string& subject, const std::string& outcome);

}  // namespace fo
