#pragma once
#include <stdexcept>
#include <memory>
#include <string>

#include "db/values/Value.h"
#include "host/api/HostSystem.h"
#include "support/ModuleHost.h"

namespace fo::test {

// A host system object that knows only a database and a dialect code: the
// link string, SQL_access, and connections opened on the link string. Every
// other member throws std::logic_error, so a test that reaches one by
// surprise fails loudly instead of reading made-up data.
class FakeHostSystem : public HostSystem {
    [[noreturn]] static void notFaked(const char* member) {
        throw std::logic_error(std::string("FakeHostSystem::") + member + " is not part of this fake");
    }

public:
    FakeHostSystem(std::string linkString, Value dialectCode)
        : linkString_(std::move(linkString)), dialectCode_(std::move(dialectCode)) {}

    void setLinkString(std::string text) { linkString_ = std::move(text); }

    std::string gLinkString() override { return linkString_; }
    Value SQL_access() override { return dialectCode_; }
    ConnectionPtr pGetCN() override { return openConnection(linkString_); }
    ConnectionPtr pgettrcn() override { return openConnection(linkString_); }

    std::string gUserid() override { notFaked("gUserid"); }
    std::string gusername() override { notFaked("gusername"); }
    std::string userXSLBLIST() override { notFaked("userXSLBLIST"); }
    std::string userXSLBListInSQL() override { notFaked("userXSLBListInSQL"); }
    std::string getXSLBlistInSQL(const std::string&) override { notFaked("getXSLBlistInSQL"); }
    int GetQx(const std::string&, const Value&, bool) override { notFaked("GetQx"); }
    std::string CurrentYf() override { notFaked("CurrentYf"); }
    std::string currentYfFromDate() override { notFaked("currentYfFromDate"); }
    int jflxMonth() override { notFaked("jflxMonth"); }
    int jflxTerm() override { notFaked("jflxTerm"); }
    int jflxYear() override { notFaked("jflxYear"); }
    int jflxOne() override { notFaked("jflxOne"); }
    std::shared_ptr<PeriodObject> pFindJzDate() override { notFaked("pFindJzDate"); }
    bool IfYfDate(const std::string&, bool) override { notFaked("IfYfDate"); }
    std::string pGetMaxId(const std::string&) override { notFaked("pGetMaxId"); }
    std::string pGetBillNum(const std::string&) override { notFaked("pGetBillNum"); }
    std::string ptrim(const std::string&) override { notFaked("ptrim"); }
    std::string getTmpTableName(const std::string&) override { notFaked("getTmpTableName"); }
    void getQFmxbNew(std::string&, const ConnectionPtr&, const std::string&,
                     const std::string&, const std::string&,
                     const std::string&, const std::string&) override { notFaked("getQFmxbNew"); }
    RecordsetPtr getRptJFdata(const ConnectionPtr&, const std::string&,
                              const std::string&, const std::string&,
                              const std::string&, const std::string&) override { notFaked("getRptJFdata"); }
    void LvwGetColumnWidth(ColumnWidthTarget&, const std::string&,
                           const std::string&) override { notFaked("LvwGetColumnWidth"); }
    void LvwSaveColumnWidth(ColumnWidthTarget&, const std::string&,
                            const std::string&) override { notFaked("LvwSaveColumnWidth"); }
    std::vector<BillType> billTypeName(int) override { notFaked("billTypeName"); }

private:
    std::string linkString_;
    Value dialectCode_;
};

// Hands `host` to the module as gRun, with `transLinkString` as the module's
// transaction link string, for the lifetime of the object; the module
// globals as they were come back afterwards.
class ScopedHost {
public:
    ScopedHost(std::shared_ptr<HostSystem> host, std::string transLinkString) {
        globals().host = std::move(host);
        globals().transLinkString = std::move(transLinkString);
    }

private:
    ScopedGlobals saved_;
};

}  // namespace fo::test
