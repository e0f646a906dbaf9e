#pragma once
#include <memory>
#include <string>

#include "db/values/Value.h"
#include "host/api/HostSystem.h"

namespace fo::test {

// A host system object that knows only a database and a dialect code: the
// link string, SQL_access, and connections opened on the link string. Every
// other member throws std::logic_error, so a test that reaches one by
// surprise fails loudly instead of reading made-up data.
class FakeHostSystem : public HostSystem {
public:
    FakeHostSystem(std::string linkString, Value dialectCode)
        : linkString_(std::move(linkString)), dialectCode_(std::move(dialectCode)) {}

    void setDialectCode(Value code) { dialectCode_ = std::move(code); }
    void setLinkString(std::string text) { linkString_ = std::move(text); }

    std::string gLinkString() override { return linkString_; }
    Value SQL_access() override { return dialectCode_; }
    ConnectionPtr pGetCN() override;
    ConnectionPtr pgettrcn() override;

    std::string gUserid() override;
    std::string gusername() override;
    std::string userXSLBLIST() override;
    std::string userXSLBListInSQL() override;
    std::string getXSLBlistInSQL(const std::string& column) override;
    int GetQx(const std::string& rightCode, const Value& reserved, bool flag) override;
    std::string CurrentYf() override;
    std::string currentYfFromDate() override;
    int jflxMonth() override;
    int jflxTerm() override;
    int jflxYear() override;
    int jflxOne() override;
    std::shared_ptr<PeriodObject> pFindJzDate() override;
    bool IfYfDate(const std::string& yf, bool flag) override;
    std::string pGetMaxId(const std::string& counter) override;
    std::string pGetBillNum(const std::string& prefix) override;
    std::string ptrim(const std::string& text) override;
    std::string getTmpTableName(const std::string& prefix) override;
    void getQFmxbNew(std::string& tableName, const ConnectionPtr& cn, const std::string& months,
                     const std::string& itemIds, const std::string& student,
                     const std::string& classIds, const std::string& where) override;
    RecordsetPtr getRptJFdata(const ConnectionPtr& cn, const std::string& xsid,
                              const std::string& sfxmid, const std::string& period,
                              const std::string& dateFrom, const std::string& dateTo) override;
    void LvwGetColumnWidth(ColumnWidthTarget& lvw, const std::string& section,
                           const std::string& name) override;
    void LvwSaveColumnWidth(ColumnWidthTarget& lvw, const std::string& section,
                            const std::string& name) override;
    std::vector<BillType> billTypeName(int kind) override;

private:
    std::string linkString_;
    Value dialectCode_;
};

// Hands `host` to the module as gRun, with `transLinkString` as the module's
// transaction link string, for the lifetime of the object; the previous
// values come back afterwards.
class ScopedHost {
public:
    ScopedHost(std::shared_ptr<HostSystem> host, std::string transLinkString);
    ~ScopedHost();
    ScopedHost(const ScopedHost&) = delete;
    ScopedHost& operator=(const ScopedHost&) = delete;

private:
    std::shared_ptr<HostSystem> previousHost_;
    std::string previousTransLink_;
};

}  // namespace fo::test
