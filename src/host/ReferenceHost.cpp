#include "host/ReferenceHost.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "data/FeeDatabase.h"
#include "data/PgServerRoles.h"
#include "db/pg/PgLink.h"
#include "host/operators/AuditLog.h"
#include "host/fees/Dues.h"
#include "host/settings/HostSettings.h"
#include "host/settings/IniFile.h"
#include "host/database/SqlText.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"

namespace fo {
namespace {

ConnectionPtr openForReads(const std::string& link) {
    auto cn = std::make_shared<Connection>();
    cn->setCursorLocation(CursorLocation::Client);
    cn->open(link);
    return cn;
}

// Blanks a clerk may leave around typed text: ASCII white space and the
// ideographic space of Chinese input methods.
std::string trimBlanks(const std::string& text) {
    static const std::string ideographicSpace = "\xE3\x80\x80";
    std::size_t begin = 0, end = text.size();
    for (;;) {
        if (begin < end && std::string(" \t\r\n").find(text[begin]) != std::string::npos) ++begin;
        else if (begin + 3 <= end && text.compare(begin, 3, ideographicSpace) == 0) begin += 3;
        else break;
    }
    for (;;) {
        if (end > begin && std::string(" \t\r\n").find(text[end - 1]) != std::string::npos) --end;
        else if (end >= begin + 3 && text.compare(end - 3, 3, ideographicSpace) == 0) end -= 3;
        else break;
    }
    return text.substr(begin, end - begin);
}

std::atomic<unsigned> tmpTableSequence{0};

// A token no other session has: two workstations can share a process id,
// so the id alone would not do.
std::string sessionToken() {
    std::random_device random;
    const std::uint64_t bits = (static_cast<std::uint64_t>(random()) << 32) ^ random() ^
                               static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
    return text;
}

}  // namespace

ReferenceHost::ReferenceHost(const std::string& databasePath, int dialect, int operatorId)
    : identity_(std::make_shared<HostIdentity>()) {
    identity_->databasePath = databasePath;
    identity_->linkString = linkStringFor(databasePath);
    identity_->dialect = dialect;
    identity_->userId = operatorId;
    sessionToken_ = sessionToken();
    // Checks that the file is a fee database (and brings an older one up to
    // date) before anything writes to it.
    read_ = openFeeDatabase(identity_->linkString);
    read_->setCursorLocation(CursorLocation::Client);

    Operators operators(*readConnection());
    operators.ensureBuiltIns();
    auto op = operators.find(operatorId);
    if (!op) throw std::runtime_error("unknown operator " + std::to_string(operatorId));
    if (op->disabled) throw std::runtime_error("operator " + std::to_string(operatorId) + " is disabled");
    identity_->userName = op->name;

    counters_ = std::make_shared<CounterService>(databasePath);
    // The period object may outlive this host, so it keeps a connection of
    // its own, opened once: a batch asks it the periods of a thousand days,
    // and a connection per question cost more than the posting (on a server
    // each is a new session).
    period_ = std::make_shared<FeePeriod>(
        [link = identity_->linkString, kept = std::make_shared<ConnectionPtr>()] {
            if (!*kept || (*kept)->state() != Connection::Open) *kept = openForReads(link);
            return *kept;
        });
}

void ReferenceHost::setConnectionOptions(const std::string& options) {
    // Options of the embedded engine (e.g. Synchronous=Normal); a server
    // keeps its own settings.
    if (!isPostgresLink(identity_->linkString))
        identity_->linkString = sqliteConnectionString(identity_->databasePath) + ";" + options;
}

const ConnectionPtr& ReferenceHost::readConnection() {
    if (!read_ || read_->state() != Connection::Open) read_ = openForReads(identity_->linkString);
    return read_;
}

ConnectionPtr ReferenceHost::pGetCN() { return openForReads(identity_->linkString); }

ConnectionPtr ReferenceHost::pgettrcn() { return openConnection(identity_->linkString); }

std::string ReferenceHost::userXSLBLIST() { return Operators(*readConnection()).categoryIds(identity_->userId); }

std::string ReferenceHost::userXSLBListInSQL() {
    return "select id from kdw_xs where 1=1" + getXSLBlistInSQL("lb1");
}

std::string ReferenceHost::getXSLBlistInSQL(const std::string& column) {
    return Operators(*readConnection()).categoryCondition(identity_->userId, column);
}

int ReferenceHost::GetQx(const std::string& rightCode, const Value&, bool) {
    return Operators(*readConnection()).rightLevel(identity_->userId, rightCode);
}

std::string ReferenceHost::CurrentYf() { return calendar().currentYf(); }

std::string ReferenceHost::currentYfFromDate() {
    Calendar cal = calendar();
    auto month = cal.month(cal.currentYf());
    return month ? month->fromDate : std::string();
}

bool ReferenceHost::IfYfDate(const std::string& yf, bool) {
    auto rs = readConnection()->execute("select count(*) from sys_yflock where yf=" + sqlLiteral(yf));
    return rs && !rs->eof() && rs->field(0).toInt() > 0;
}

void ReferenceHost::setMonthLocked(const std::string& yf, bool locked) {
    readConnection()->execute(locked ? "insert into sys_yflock(yf) values(" + sqlLiteral(yf) + ") on conflict(yf) do nothing"
                                     : "delete from sys_yflock where yf=" + sqlLiteral(yf));
}

std::string ReferenceHost::pGetMaxId(const std::string& counter) {
    return std::to_string(counters_->nextId(counter));
}

std::string ReferenceHost::pGetBillNum(const std::string& prefix) { return counters_->nextBillNo(prefix); }

std::vector<std::string> ReferenceHost::pGetMaxIds(const std::string& counter, int count) {
    const std::int64_t first = counters_->nextId(counter, count);
    std::vector<std::string> ids;
    for (std::int64_t id = first; id < first + count; ++id) ids.push_back(std::to_string(id));
    return ids;
}

std::vector<std::string> ReferenceHost::pGetBillNums(const std::string& prefix, int count) {
    return counters_->nextBillNos(prefix, count);
}

std::string ReferenceHost::ptrim(const std::string& text) {
    std::string out;
    for (char c : trimBlanks(text)) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out;
}

std::string ReferenceHost::getTmpTableName(const std::string& prefix) {
    std::string stem = "tmp";
    for (unsigned char c : prefix)
        if (std::isalnum(c) || c == '_') stem += static_cast<char>(c);
    return workSchema() + stem + sessionToken_ + "_" + std::to_string(++tmpTableSequence);
}

std::string ReferenceHost::workSchema() const {
    // On a server the operators' roles may create tables only in the work
    // schema, which no session searches (see PgServerRoles).
    return isPostgresLink(identity_->linkString) ? std::string(PgWorkSchema) + "." : std::string();
}

void ReferenceHost::getQFmxbNew(std::string& tableName, const ConnectionPtr& cn, const std::string& months,
                                const std::string& itemIds, const std::string& student,
                                const std::string& classIds, const std::string& where) {
    // The module reads the table on more than one connection (the batch
    // list's grand total), so it is a table of the database, named for this
    // session. The SQL Server text drops it after use: each look-up gets a
    // name of its own. The Access text only empties it: the session keeps
    // one and fills it again, and drops it when the session ends.
    if (isSqlServer(SQL_access())) {
        tableName = getTmpTableName("QF");
    } else {
        tableName = accessArrearsTable();
        keptArrearsTable_ = true;
    }
    fillArrearsWorkTable(*cn, tableName, months, itemIds, student, classIds, where, getXSLBlistInSQL(" lb1 "));
}

std::string ReferenceHost::accessArrearsTable() const { return workSchema() + "tmpQF" + sessionToken_; }

ReferenceHost::~ReferenceHost() {
    if (!keptArrearsTable_) return;
    try {
        readConnection()->execute("drop table if exists " + accessArrearsTable());
    } catch (...) {
        // The file may be gone or locked; the table then stays, under a
        // name no other session uses.
    }
}

RecordsetPtr ReferenceHost::getRptJFdata(const ConnectionPtr& cn, const std::string& xsid,
                                         const std::string& sfxmid, const std::string& period,
                                         const std::string& dateFrom, const std::string& dateTo) {
    return paidAndReduced(*cn, xsid, sfxmid, period, dateFrom, dateTo);
}

namespace {
std::string widthSection(const std::string& section, const std::string& name) {
    return section.empty() ? name : section + "/" + name;
}
}  // namespace

void ReferenceHost::LvwGetColumnWidth(ColumnWidthTarget& lvw, const std::string& section, const std::string& name) {
    auto store = settingsStore();
    const std::string storeSection = widthSection(section, name);
    for (int i = 0; i < lvw.columnCount(); ++i) {
        const std::string saved = store->getSetting("tavro", storeSection, lvw.columnKey(i), "");
        int twips = 0;
        auto [end, ec] = std::from_chars(saved.data(), saved.data() + saved.size(), twips);
        // A width of 0 or an unreadable value would hide the column for good.
        if (ec == std::errc() && end == saved.data() + saved.size() && twips > 0) lvw.setColumnWidth(i, twips);
    }
}

void ReferenceHost::LvwSaveColumnWidth(ColumnWidthTarget& lvw, const std::string& section, const std::string& name) {
    auto store = settingsStore();
    const std::string storeSection = widthSection(section, name);
    for (int i = 0; i < lvw.columnCount(); ++i)
        store->saveSetting("tavro", storeSection, lvw.columnKey(i), std::to_string(lvw.columnWidth(i)));
}

std::vector<BillType> ReferenceHost::billTypeName(int kind) {
    std::vector<BillType> types;
    auto rs = readConnection()->execute("select number,name from sys_billtype where kind=" + std::to_string(kind) +
                                        " order by number");
    for (; rs && !rs->eof(); rs->moveNext())
        types.push_back(BillType{static_cast<int>(rs->field(0).toInt()), rs->field(1).toText()});
    return types;
}

std::shared_ptr<SettingsCollection> ReferenceHost::loadSettings() { return fo::loadSettings(*readConnection()); }

void ReferenceHost::setSetting(const std::string& name, const std::string& value) {
    ConnectionPtr cn = pgettrcn();
    const auto op = Operators(*cn).find(identity_->userId);
    if (!op || !op->admin) throw OperatorRefusal("只有管理员可以修改系统设置。");
    Transaction tx(*cn);
    const std::string before = loadSettings()->value(name).toText();
    // The log's document column holds 50 characters: a long value is named by its setting alone.
    const std::string change = name + ": " + before + " → " + value;
    auditPosting(*cn, "系统设置", change.size() <= 50 ? change : name);
    fo::setSetting(*cn, name, value);
    tx.commit();
}

std::shared_ptr<SettingsStore> ReferenceHost::settingsStore() {
    if (!settingsStore_) settingsStore_ = std::make_shared<UserSettingsStore>();
    return settingsStore_;
}

std::unique_ptr<ReferenceDbInfo> ReferenceHost::newDbInfo() const {
    return std::make_unique<ReferenceDbInfo>(identity_, counters_);
}

void ReferenceHost::installInModuleGlobals() {
    globals().newDbInfo = [identity = std::shared_ptr<const HostIdentity>(identity_), counters = counters_] {
        return std::unique_ptr<DbInfo>(std::make_unique<ReferenceDbInfo>(identity, counters));
    };
    globals().settingsStore = settingsStore();
    globals().auditTrail = std::make_shared<AuditLog>(identity_->linkString, identity_->databasePath,
                                                      identity_->userId, identity_->userName);
    globals().settingsFileReader = [](const std::string& file, const std::string& section, const std::string& key) {
        // The module names the file relative to the application folder ("\DefaultUser.ini").
        std::string name = file;
        while (!name.empty() && (name.front() == '\\' || name.front() == '/')) name.erase(0, 1);
        std::optional<IniFile> ini = name == "DefaultUser.ini" ? IniFile::findDefaultUser()
                                                               : IniFile::load(userConfigDir() + "/feeoffice/" + name);
        return ini ? ini->get(section, key) : std::string();
    };
}

}  // namespace fo
