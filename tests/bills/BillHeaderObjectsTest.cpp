// What the bill header object does with the host object handed over.
#include <memory>
#include <stdexcept>
#include <string>

#include "bills/BillsFixture.h"
#include "support/FakeHostSystem.h"

namespace fo::test {
namespace {

// A database-information object that knows only its link string.
class LinkOnlyDbInfo final : public DbInfo {
public:
    Value SqlKind() override { return Value(1); }
    std::string UserName() override { throw std::logic_error("UserName"); }
    std::string LinkString() override { return "Provider=SQLite;Data Source=/srv/trans.db"; }
    std::string UserId() override { throw std::logic_error("UserId"); }
    ConnectionPtr Connection() override { throw std::logic_error("Connection"); }
    ConnectionPtr TransConnection() override { throw std::logic_error("TransConnection"); }
    std::string NextId(const std::string&, int) override { throw std::logic_error("NextId"); }
    std::string NextBillNo(const std::string&) override { throw std::logic_error("NextBillNo"); }
};

TEST(BillHeaderObjects, SettingGRunMakesItTheModulesHostBeforeReadingTheLinkString) {
    ScopedGlobals restore;
    auto host = std::make_shared<FakeHostSystem>("Provider=SQLite;Data Source=/srv/fee.db", Value(1));
    HostSystem* hostWhenAsked = nullptr;
    globals().newDbInfo = [&] {
        hostWhenAsked = globals().host.get();
        return std::unique_ptr<DbInfo>(new LinkOnlyDbInfo);
    };

    cLsBILLhead head;
    head.set_gRun(host);
    EXPECT_EQ(hostWhenAsked, host.get());
    // The link string is the database-information object's, not the host's.
    EXPECT_EQ(globals().transLinkString, "Provider=SQLite;Data Source=/srv/trans.db");
}

}  // namespace
}  // namespace fo::test
