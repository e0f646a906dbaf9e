#pragma once
#include <memory>
#include <string>
#include <vector>

#include "host/fees/Calendar.h"
#include "host/counters/CounterService.h"
#include "host/fees/FeePeriod.h"
#include "host/operators/Operators.h"
#include "host/database/ReferenceDbInfo.h"
#include "host/api/HostSystem.h"
#include "host/api/SettingsCollection.h"

namespace fo {

// The host system object of the reference fee office: one fee database file
// (SQLite; it runs the statements of both dialects), one operator, the
// calendar, the counters and the per-user settings store. The dialect code
// it reports is configurable, so the module can be run in either dialect.
class ReferenceHost final : public HostSystem {
public:
    // Opens the fee database at `databasePath` for the operator
    // `operatorId`, who has signed in (SignIn); creates the built-in
    // operator when missing. Throws DbError for a missing file or one that is
    // not a fee database (see openFeeDatabase), std::runtime_error for an
    // unknown or disabled operator.
    explicit ReferenceHost(const std::string& databasePath, int dialect = 1,
                           int operatorId = Operators::BuiltInId);
    // Drops the Access arrears work table this session kept.
    ~ReferenceHost() override;

    // --- database and dialect ---
    std::string gLinkString() override { return identity_->linkString; }
    Value SQL_access() override { return Value(identity_->dialect); }
    void setDialect(int dialect) { identity_->dialect = dialect; }
    ConnectionPtr pGetCN() override;
    ConnectionPtr pgettrcn() override;
    const std::string& databasePath() const { return identity_->databasePath; }
    // Connection-string options for every session opened after this call
    // (";Synchronous=Normal" measures what syncing each commit costs).
    void setConnectionOptions(const std::string& options);

    // --- user and rights ---
    std::string gUserid() override { return std::to_string(identity_->userId); }
    std::string gusername() override { return identity_->userName; }
    std::string userXSLBLIST() override;
    // The students the operator may see, as a statement of their ids for
    // "id in(...)": every student for the built-in operator (whatever his
    // category, also none), those of his categories for any other.
    std::string userXSLBListInSQL() override;
    std::string getXSLBlistInSQL(const std::string& column) override;
    int GetQx(const std::string& rightCode, const Value& reserved = Value(), bool flag = true) override;

    // --- calendar ---
    std::string CurrentYf() override;
    std::string currentYfFromDate() override;
    int jflxMonth() override { return 3; }
    int jflxTerm() override { return 0; }
    int jflxYear() override { return 2; }
    int jflxOne() override { return 1; }
    std::shared_ptr<PeriodObject> pFindJzDate() override { return period_; }
    // True when an administrator locked the month (sys_yflock); carried-over
    // months stay open for reductions unless locked.
    bool IfYfDate(const std::string& yf, bool flag = true) override;
    void setMonthLocked(const std::string& yf, bool locked);
    Calendar calendar() { return Calendar(readConnection()); }

    // --- counters ---
    std::string pGetMaxId(const std::string& counter) override;
    std::string pGetBillNum(const std::string& prefix) override;
    // One draw of the counter store for the whole block.
    std::vector<std::string> pGetMaxIds(const std::string& counter, int count) override;
    std::vector<std::string> pGetBillNums(const std::string& prefix, int count) override;
    const std::shared_ptr<CounterService>& counters() const { return counters_; }

    // --- text and work tables ---
    std::string ptrim(const std::string& text) override;
    // "tmp" + prefix + this session's token + "_" + sequence: a name no other
    // session, here or on another workstation, ever gives.
    std::string getTmpTableName(const std::string& prefix) override;
    // Fills the arrears work table, named for this session: a fresh name on
    // SQL Server (the module drops it), one name reused on Access (the
    // module empties it; this host drops it when it goes).
    void getQFmxbNew(std::string& tableName, const ConnectionPtr& cn, const std::string& months,
                     const std::string& itemIds, const std::string& student, const std::string& classIds,
                     const std::string& where = {}) override;
    RecordsetPtr getRptJFdata(const ConnectionPtr& cn, const std::string& xsid, const std::string& sfxmid,
                              const std::string& period, const std::string& dateFrom,
                              const std::string& dateTo) override;

    // --- layout and printing ---
    // Column widths live in the settings store under "tavro", section `name`
    // (prefixed by `section` when one is given), key = the column's key.
    void LvwGetColumnWidth(ColumnWidthTarget& lvw, const std::string& section, const std::string& name) override;
    void LvwSaveColumnWidth(ColumnWidthTarget& lvw, const std::string& section, const std::string& name) override;
    std::vector<BillType> billTypeName(int kind) override;

    // --- settings ---
    std::shared_ptr<SettingsCollection> loadSettings();
    // A change to the host settings is an administrator's: another operator
    // is refused (SettingRefused, nothing written). The change and its audit
    // row ("系统设置", name: old → new) are written in one transaction.
    void setSetting(const std::string& name, const std::string& value);
    // The per-user store; the user's own one unless another was set.
    std::shared_ptr<SettingsStore> settingsStore();
    void setSettingsStore(std::shared_ptr<SettingsStore> store) { settingsStore_ = std::move(store); }

    // A database-information object for this database, user and counters.
    std::unique_ptr<ReferenceDbInfo> newDbInfo() const;
    // Registers in the module globals how database-information objects are
    // made, which settings store is in force and the audit log of this
    // operator. The bill header object sets the host itself when it is
    // handed this object as gRun.
    void installInModuleGlobals();

private:
    // A connection kept for the host's own short reads.
    const ConnectionPtr& readConnection();

    std::string accessArrearsTable() const;
    // "" or, on a server, the work schema and a '.', before a work table's name.
    std::string workSchema() const;

    std::shared_ptr<HostIdentity> identity_;
    std::string sessionToken_;
    bool keptArrearsTable_ = false;
    std::shared_ptr<CounterService> counters_;
    std::shared_ptr<FeePeriod> period_;
    std::shared_ptr<SettingsStore> settingsStore_;
    ConnectionPtr read_;
};

}  // namespace fo
