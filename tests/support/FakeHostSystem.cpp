#include "support/FakeHostSystem.h"

#include <stdexcept>

#include "host/api/ModuleGlobals.h"

namespace fo::test {
namespace {
[[noreturn]] void notFaked(const char* member) {
    throw std::logic_error(std::string("FakeHostSystem::") + member + " is not part of this fake");
}
}  // namespace

ConnectionPtr FakeHostSystem::pGetCN() { return openConnection(linkString_); }
ConnectionPtr FakeHostSystem::pgettrcn() { return openConnection(linkString_); }

std::string FakeHostSystem::gUserid() { notFaked("gUserid"); }
std::string FakeHostSystem::gusername() { notFaked("gusername"); }
std::string FakeHostSystem::userXSLBLIST() { notFaked("userXSLBLIST"); }
std::string FakeHostSystem::userXSLBListInSQL() { notFaked("userXSLBListInSQL"); }
std::string FakeHostSystem::getXSLBlistInSQL(const std::string&) { notFaked("getXSLBlistInSQL"); }
int FakeHostSystem::GetQx(const std::string&, const Value&, bool) { notFaked("GetQx"); }
std::string FakeHostSystem::CurrentYf() { notFaked("CurrentYf"); }
std::string FakeHostSystem::currentYfFromDate() { notFaked("currentYfFromDate"); }
int FakeHostSystem::jflxMonth() { notFaked("jflxMonth"); }
int FakeHostSystem::jflxTerm() { notFaked("jflxTerm"); }
int FakeHostSystem::jflxYear() { notFaked("jflxYear"); }
int FakeHostSystem::jflxOne() { notFaked("jflxOne"); }
std::shared_ptr<PeriodObject> FakeHostSystem::pFindJzDate() { notFaked("pFindJzDate"); }
bool FakeHostSystem::IfYfDate(const std::string&, bool) { notFaked("IfYfDate"); }
std::string FakeHostSystem::pGetMaxId(const std::string&) { notFaked("pGetMaxId"); }
std::string FakeHostSystem::pGetBillNum(const std::string&) { notFaked("pGetBillNum"); }
std::string FakeHostSystem::ptrim(const std::string&) { notFaked("ptrim"); }
std::string FakeHostSystem::getTmpTableName(const std::string&) { notFaked("getTmpTableName"); }
void FakeHostSystem::getQFmxbNew(std::string&, const ConnectionPtr&, const std::string&,
                                 const std::string&, const std::string&, const std::string&,
                                 const std::string&) {
    notFaked("getQFmxbNew");
}
RecordsetPtr FakeHostSystem::getRptJFdata(const ConnectionPtr&, const std::string&,
                                          const std::string&, const std::string&,
                                          const std::string&, const std::string&) {
    notFaked("getRptJFdata");
}
void FakeHostSystem::LvwGetColumnWidth(ColumnWidthTarget&, const std::string&, const std::string&) {
    notFaked("LvwGetColumnWidth");
}
void FakeHostSystem::LvwSaveColumnWidth(ColumnWidthTarget&, const std::string&,
                                        const std::string&) {
    notFaked("LvwSaveColumnWidth");
}
std::vector<BillType> FakeHostSystem::billTypeName(int) { notFaked("billTypeName"); }

ScopedHost::ScopedHost(std::shared_ptr<HostSystem> host, std::string transLinkString)
    : previousHost_(globals().host), previousTransLink_(globals().transLinkString) {
    globals().host = std::move(host);
    globals().transLinkString = std::move(transLinkString);
}

ScopedHost::~ScopedHost() {
    globals().host = std::move(previousHost_);
    globals().transLinkString = std::move(previousTransLink_);
}

}  // namespace fo::test
