#pragma once
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "db/PreparedStatements.h"
#include "db/sql/SqlText.h"
#include "host/api/AuditTrail.h"

namespace fo {

// One line of the audit log.
struct AuditRecord {
    std::string time;  // "yyyy-mm-dd hh:mm:ss"
    int userId = 0;
    std::string userName, workstation, operation, document;
    std::optional<Currency> amount;
    std::string outcome;
};

// Outcomes the log writes.
namespace audit {
inline constexpr const char* Done = "完成";
inline constexpr const char* Failed = "失败";
}  // namespace audit

// The office's audit log as the reference host keeps it, in two places: the
// fee database's table sys_log (the office's record, written inside the
// posting's own transaction) and a text file of this user on this
// workstation, one tab-separated line per entry (time, operator,
// workstation, operation, document, amount, outcome, database), appended
// once the outcome is known. The file is a convenience: a line it cannot
// take is lost without harm to the books.
class AuditLog final : public AuditTrail, public std::enable_shared_from_this<AuditLog> {
public:
    // The log of operator `userId` (`userName`) on the fee database at
    // `linkString`; `databaseName` is what the file's lines call it. Made
    // with std::make_shared: a posting's transaction may end after the log
    // is gone, and then only the database row (already written) remains.
    AuditLog(std::string linkString, std::string databaseName, int userId, std::string userName);
    ~AuditLog() override;

    void posting(Connection& trCn, const AuditEntry& entry) override;
    void event(const std::string& operation, const std::string& subject, const std::string& outcome) override;
    // The same; whether its row is in the database (the file's line aside):
    // what must not happen unrecorded, a sign-in, is refused when it is not.
    bool eventRecorded(const std::string& operation, const std::string& subject, const std::string& outcome);

    // This workstation's name (the host name).
    static std::string workstation();
    // The log file: $XDG_STATE_HOME (or ~/.local/state), then feeoffice/audit.log.
    static std::string filePath();

private:
    AuditRecord record(const std::string& operation, const std::string& document,
                       std::optional<Currency> amount, const std::string& outcome) const;
    void transactionEnded(const Connection* cn, bool committed);
    // The records' lines, in one write.
    void appendToFile(const std::vector<AuditRecord>& records) const;

    std::string linkString_, databaseName_;
    int userId_;
    std::string userName_;
    // This workstation's name, asked once: a batch writes a row per document.
    std::string workstation_;
    // The postings of each open transaction, until it ends, and the row
    // insert prepared for it: a batch posting writes one row per document.
    std::map<const Connection*, std::vector<AuditRecord>> pending_;
    std::map<const Connection*, PreparedStatements> prepared_;
};

// Writes `r` as a row of sys_log on `cn` (inside whatever transaction is open there).
void writeAuditRow(Connection& cn, const AuditRecord& r);
// The insert of `r` into sys_log, its values set apart to be bound.
SqlText auditRowInsert(const AuditRecord& r);

// The rows of sys_log from `from` to `to` (both "yyyy-mm-dd", inclusive;
// empty: no bound), oldest first.
std::vector<AuditRecord> readAuditLog(Connection& cn, const std::string& from = {}, const std::string& to = {});

}  // namespace fo
