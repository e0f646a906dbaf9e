#pragma once
#include "FeeOfficeApi.h"
#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/values/Value.h"
#include "host/api/PeriodObject.h"
#include "host/api/SettingsStore.h"

namespace fo {

// One paper format of a receipt, as `billTypeName` lists them.
struct FEEOFFICE_API BillType {
    int number = 0;  // the format's number, as the printing object knows it
    std::string name;  // its name, as the clerk picks it
};

// The host system object `gRun`: everything the module asks of the host
// application, by the names the module calls. Errors are not trapped here;
// they reach the caller.
class FEEOFFICE_API HostSystem {
public:
    virtual ~HostSystem() = default;

    // --- database and dialect ---
    virtual std::string gLinkString() = 0;  // the connection string of the fee database
    // Dialect code: 1 = SQL Server, anything else (0, empty) = Access.
    virtual Value SQL_access() = 0;
    // An open connection for reads; the caller may close it.
    virtual ConnectionPtr pGetCN() = 0;
    // A new open connection for one transaction; the caller begins, ends and closes it.
    virtual ConnectionPtr pgettrcn() = 0;

    // --- user and rights ---
    virtual std::string gUserid() = 0;    // numeric text
    virtual std::string gusername() = 0;  // the current user's name
    virtual std::string userXSLBLIST() = 0;  // his first-level categories, "3,5,8"
    // The students he may see, as a statement of their ids for "id in(...)".
    virtual std::string userXSLBListInSQL() = 0;
    // A condition limiting `column` to the user's categories: empty, or
    // beginning with its own " and ".
    virtual std::string getXSLBlistInSQL(const std::string& column) = 0;
    // Permission level of the user for a right code (0 none .. 3 full).
    virtual int GetQx(const std::string& rightCode, const Value& reserved = Value(),
                      bool flag = true) = 0;

    // --- calendar ---
    virtual std::string CurrentYf() = 0;           // the open accounting month key
    virtual std::string currentYfFromDate() = 0;   // its first day, "yyyy-mm-dd"
    virtual int jflxMonth() = 0;  // the kdw_sfxm.jflx code of monthly items
    virtual int jflxTerm() = 0;  // the code of termly items
    virtual int jflxYear() = 0;  // the code of yearly items
    virtual int jflxOne() = 0;  // the code of one-off items
    virtual std::shared_ptr<PeriodObject> pFindJzDate() = 0;  // the host's period object
    // True when the month is locked against postings.
    virtual bool IfYfDate(const std::string& yf, bool flag = true) = 0;

    // --- counters ---
    virtual std::string pGetMaxId(const std::string& counter) = 0;   // "INandOutML", "qfhzb"
    virtual std::string pGetBillNum(const std::string& prefix) = 0;  // "JM"
    // `count` fresh ids of a counter, or document numbers of a prefix, for
    // one posting that needs many (a batch): a host that keeps its counters
    // in a store draws them in one go. By default they are drawn one by one.
    virtual std::vector<std::string> pGetMaxIds(const std::string& counter, int count) {
        std::vector<std::string> ids;
        for (int i = 0; i < count; ++i) ids.push_back(pGetMaxId(counter));
        return ids;
    }
    virtual std::vector<std::string> pGetBillNums(const std::string& prefix, int count) {
        std::vector<std::string> numbers;
        for (int i = 0; i < count; ++i) numbers.push_back(pGetBillNum(prefix));
        return numbers;
    }

    // --- text and work tables ---
    // Trims and doubles single quotes, so the result is safe inside '...'.
    virtual std::string ptrim(const std::string& text) = 0;
    virtual std::string getTmpTableName(const std::string& prefix) = 0;
    // Creates and fills a work table of owed charges (at least xsid, sfyf,
    // sfxmid, ysje, jfje, jmje) and returns its name in `tableName`.
    // `months`: month keys / period ids joined with ","; `itemIds`: fee item
    // ids, each optionally preceded by ","; `student`: number or name, or "";
    // `classIds`: class id or ""; `where`: a student condition or "".
    virtual void getQFmxbNew(std::string& tableName, const ConnectionPtr& cn,
                             const std::string& months, const std::string& itemIds,
                             const std::string& student, const std::string& classIds,
                             const std::string& where = {}) = 0;
    // What the student already paid and was reduced on one item in a period,
    // from the live fee records: fields "je", "jmje", "ye" (one row, or none).
    virtual RecordsetPtr getRptJFdata(const ConnectionPtr& cn, const std::string& xsid,
                                      const std::string& sfxmid, const std::string& period,
                                      const std::string& dateFrom, const std::string& dateTo) = 0;

    // --- layout and printing ---
    virtual void LvwGetColumnWidth(ColumnWidthTarget& lvw, const std::string& section,
                                   const std::string& name) = 0;  // restores the list's column widths stored under `name`
    virtual void LvwSaveColumnWidth(ColumnWidthTarget& lvw, const std::string& section,
                                    const std::string& name) = 0;  // stores the list's column widths under `name`
    // Paper formats of a receipt kind (1 = charge receipts).
    virtual std::vector<BillType> billTypeName(int kind) = 0;
};

// True when a dialect code means SQL Server (compared as a value with 1).
inline bool isSqlServer(const Value& code) {
    return code.isNumber() ? code.toCurrency() == Currency::fromInt(1)
                           : (code.isText() && code.toText() == "1");
}

}  // namespace fo
