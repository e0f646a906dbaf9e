#include "host/operators/AuditLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <filesystem>

#include "db/pg/PgLink.h"
#include "db/values/DateTime.h"
#include "db/DbError.h"
#include "host/database/SqlText.h"

namespace fo {
namespace {

// Why the posting that is being rolled back failed, when the rollback runs
// while its exception is being handled; "" otherwise.
std::string reasonBeingHandled() {
    std::exception_ptr current = std::current_exception();
    if (!current) return {};
    try {
        std::rethrow_exception(current);
    } catch (const DbError& e) {
        // The clerk's words, and the engine's for whoever looks into it.
        if (e.engineText().empty() || e.engineText() == e.description()) return e.description();
        return e.description() + "（" + e.engineText() + "）";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return {};
}

// A field of a file line: tabs and line breaks would split it.
std::string field(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string amountText(const std::optional<Currency>& amount) { return amount ? amount->format00() : std::string(); }

// A database file by its whole path, wherever the program was started.
std::string absoluteName(std::string name) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) return name;
    const auto whole = std::filesystem::absolute(name, ec);
    return ec ? name : whole.string();
}

}  // namespace

AuditLog::AuditLog(std::string linkString, std::string databaseName, int userId, std::string userName)
    : linkString_(std::move(linkString)),
      databaseName_(absoluteName(shownWithoutPassword(databaseName))),
      userId_(userId),
      userName_(std::move(userName)),
      workstation_(workstation()) {}

AuditLog::~AuditLog() = default;

std::string AuditLog::workstation() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !*name) return "localhost";
    return name;
}

std::string AuditLog::filePath() {
    namespace fs = std::filesystem;
    fs::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) base = state;
    else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".local" / "state";
    else base = fs::current_path();
    return (base / "feeoffice" / "audit.log").string();
}

AuditRecord AuditLog::record(const std::string& operation, const std::string& document,
                             std::optional<Currency> amount, const std::string& outcome) const {
    return AuditRecord{DateTime::now().dateTimeText(), userId_, userName_, workstation_, operation, document, amount,
                       outcome};
}

void AuditLog::posting(Connection& trCn, const AuditEntry& entry) {
    AuditRecord r = record(entry.operation, entry.document, entry.amount, audit::Done);
    prepared_[&trCn].run(trCn, auditRowInsert(r));
    const bool first = pending_.find(&trCn) == pending_.end();
    pending_[&trCn].push_back(std::move(r));
    if (!first) return;
    std::weak_ptr<AuditLog> self = weak_from_this();
    const Connection* key = &trCn;
    trCn.whenTransactionEnds([self, key](bool committed) {
        if (auto log = self.lock()) log->transactionEnded(key, committed);
    });
}

void AuditLog::transactionEnded(const Connection* cn, bool committed) {
    prepared_.erase(cn);
    auto found = pending_.find(cn);
    if (found == pending_.end()) return;
    std::vector<AuditRecord> postings = std::move(found->second);
    pending_.erase(found);
    if (postings.empty()) return;
    if (committed) {
        appendToFile(postings);
        return;
    }
    // One failed posting, however many documents it was to write.
    AuditRecord failed = postings.front();
    failed.time = DateTime::now().dateTimeText();
    if (postings.size() > 1) {
        failed.document += " 等 " + std::to_string(postings.size()) + " 笔";
        for (std::size_t i = 1; i < postings.size() && failed.amount; ++i)
            failed.amount = postings[i].amount ? std::optional(*failed.amount + *postings[i].amount) : std::nullopt;
    }
    const std::string reason = reasonBeingHandled();
    failed.outcome = reason.empty() ? std::string(audit::Failed) : std::string(audit::Failed) + "：" + reason;
    if (failed.outcome.size() > 250) {
        // Cut on a character's first byte, never inside one.
        std::size_t cut = 250;
        while (cut > 0 && (static_cast<unsigned char>(failed.outcome[cut]) & 0xC0) == 0x80) --cut;
        failed.outcome.resize(cut);
    }
    try {
        ConnectionPtr own = openConnection(linkString_);
        Transaction tx(*own);
        writeAuditRow(*own, failed);
        tx.commit();
    } catch (...) {
        // The books are as they were; the file below still tells.
    }
    appendToFile({failed});
}

void AuditLog::event(const std::string& operation, const std::string& subject, const std::string& outcome) {
    eventRecorded(operation, subject, outcome);
}

bool AuditLog::eventRecorded(const std::string& operation, const std::string& subject, const std::string& outcome) {
    const AuditRecord r = record(operation, subject, std::nullopt, outcome);
    bool recorded = false;
    try {
        ConnectionPtr own = openConnection(linkString_);
        Transaction tx(*own);
        writeAuditRow(*own, r);
        tx.commit();
        recorded = true;
    } catch (...) {
    }
    appendToFile({r});
    return recorded;
}

void AuditLog::appendToFile(const std::vector<AuditRecord>& records) const {
    try {
        const std::string path = filePath();
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::string lines;
        for (const AuditRecord& r : records)
            lines += field(r.time) + '\t' + std::to_string(r.userId) + ' ' + field(r.userName) + '\t' +
                     field(r.workstation) + '\t' + field(r.operation) + '\t' + field(r.document) + '\t' +
                     amountText(r.amount) + '\t' + field(r.outcome) + '\t' + field(databaseName_) + '\n';
        // One write with O_APPEND: lines of several programs never interleave,
        // and a batch's lines stay together.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) return;
        [[maybe_unused]] const ssize_t written = ::write(fd, lines.data(), lines.size());
        ::close(fd);
    } catch (...) {
    }
}

SqlText auditRowInsert(const AuditRecord& r) {
    SqlText sql("insert into sys_log(logtime,userid,username,workstation,operation,djbh,amount,outcome) values(");
    const auto text = [&sql](const std::string& value) -> SqlText& { return sql.value(sqlLiteral(value), Value(value)); };
    text(r.time).add(",").number(std::to_string(r.userId)).add(",");
    text(r.userName).add(",");
    text(r.workstation).add(",");
    text(r.operation).add(",");
    text(r.document).add(",");
    if (r.amount) sql.number(r.amount->plainText());
    else sql.add("null");
    sql.add(",");
    text(r.outcome);
    return sql.add(")");
}

void writeAuditRow(Connection& cn, const AuditRecord& r) { cn.execute(auditRowInsert(r).text()); }

std::vector<AuditRecord> readAuditLog(Connection& cn, const std::string& from, const std::string& to) {
    std::string sql = "select logtime,userid,username,workstation,operation,djbh,amount,outcome from sys_log where 1=1";
    if (!from.empty()) sql += " and logtime>=" + sqlLiteral(from);
    if (!to.empty()) {
        const auto last = DateTime::parse(to);
        sql += " and logtime<" + sqlLiteral(last ? last->addDays(1).dateText() : to);
    }
    sql += " order by logtime,id";
    std::vector<AuditRecord> rows;
    for (RecordsetPtr rs = cn.execute(sql); rs && !rs->eof(); rs->moveNext()) {
        AuditRecord r;
        const Value time = rs->field(std::size_t{0});
        const auto when = time.toDate();
        r.time = when ? when->dateTimeText() : time.toText();
        r.userId = static_cast<int>(rs->field(1).toInt());
        r.userName = rs->field(2).toText();
        r.workstation = rs->field(3).toText();
        r.operation = rs->field(4).toText();
        r.document = rs->field(5).toText();
        if (!rs->field(6).isNull()) r.amount = rs->field(6).toCurrency();
        r.outcome = rs->field(7).toText();
        rows.push_back(std::move(r));
    }
    return rows;
}

}  // namespace fo
