// What the bill header object does with the objects the host hands over.
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
    EXPECT_EQ(head.gRun(), host);
    EXPECT_EQ(hostWhenAsked, host.get());
    // The link string is the database-information object's, not the host's.
    EXPECT_EQ(globals().transLinkString, "Provider=SQLite;Data Source=/srv/trans.db");
}

using ReferenceHostHandover = BillsTest;

TEST_P(ReferenceHostHandover, FeePeriodAndSettingsBecomeModuleGlobals) {
    std::shared_ptr<PeriodObject> period = host_->pFindJzDate();
    head_.set_objYfAndTerm(period);
    EXPECT_EQ(head_.objYfAndTerm(), period);
    EXPECT_EQ(globals().feePeriod, period);

    host_->setSetting("chkPrintSKR", "1");
    head_.set_SetgColSysCS(host_->loadSettings());
    EXPECT_TRUE(settingOn("chkPrintSKR"));
}

FO_INSTANTIATE_DIALECTS(ReferenceHostHandover);

}  // namespace
}  // namespace fo::test
