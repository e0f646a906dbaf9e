#include "host/api/AuditTrail.h"

#include "host/api/ModuleGlobals.h"

namespace fo {

void auditPosting(Connection& trCn, std::string operation, std::string document, std::optional<Currency> amount) {
    if (const auto& trail = globals().auditTrail)
        trail->posting(trCn, AuditEntry{std::move(operation), std::move(document), amount});
}

void auditEvent(const std::string& operation, const std::string& subject, const std::string& outcome) {
    if (const auto& trail = globals().auditTrail) trail->event(operation, subject, outcome);
}

}  // namespace fo
