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
    explicit LinkOnlyDbInfo(std::string link) : link_(std::move(link)) {}
    Value SqlKind() override { return Value(1); }
    std::string UserName() override { throw std::logic_error("UserName"); }
    std::string LinkString() override { return link_; }
    std::string UserId() override { throw std::logic_error("UserId"); }
    ConnectionPtr Connection() override { throw std::logic_error("Connection"); }
    ConnectionPtr TransConnection() override { throw std::logic_error("TransConnection"); }
    std::string NextId(const std::string&, int) override { throw std::logic_error("NextId"); }
    std::string NextBillNo(const std::string&) override { throw std::logic_error("NextBillNo"); }

private:
    std::string link_;
};

TEST(BillHeaderObjects, SettingGRunMakesItTheModulesHostBeforeReadingTheLinkString) {
    ScopedGlobals restore;
    auto host = std::make_shared<FakeHostSystem>("Provider=SQLite;Data Source=/srv/fee.db", Value(1));
    HostSystem* hostWhenAsked = nullptr;
    int made = 0;
    globals().newDbInfo = [&] {
        hostWhenAsked = globals().host.get();
        ++made;
        return std::unique_ptr<DbInfo>(new LinkOnlyDbInfo("Provider=SQLite;Data Source=/srv/trans.db"));
    };
    globals().transLinkString = "old";

    cLsBILLhead head;
    head.set_gRun(host);
    EXPECT_EQ(head.gRun(), host);
    EXPECT_EQ(globals().host, host);
    EXPECT_EQ(&fo::gRun(), host.get());
    EXPECT_EQ(made, 1);
    EXPECT_EQ(hostWhenAsked, host.get());
    // The link string is the database-information object's, not the host's.
    EXPECT_EQ(globals().transLinkString, "Provider=SQLite;Data Source=/srv/trans.db");
}

TEST(BillHeaderObjects, WithoutADbInfoFactoryTheHostIsStillStoredFirst) {
    ScopedGlobals restore;
    globals().newDbInfo = nullptr;
    globals().transLinkString = "old";
    auto host = std::make_shared<FakeHostSystem>("x", Value(0));
    cLsBILLhead head;
    EXPECT_THROW(head.set_gRun(host), std::logic_error);
    EXPECT_EQ(globals().host, host);
    EXPECT_EQ(globals().transLinkString, "old");
}

// A host whose user may see category 4 only.
class CategoryFourHost final : public FakeHostSystem {
public:
    CategoryFourHost() : FakeHostSystem("x", Value(1)) {}
    std::string getXSLBlistInSQL(const std::string& column) override { return " and " + column + " in(4)"; }
};

TEST(BillHeaderObjects, RegisterQueriesFallBackToTheModulesHost) {
    ScopedGlobals restore;
    cLsBILLhead orphan;  // never handed a host of its own
    globals().host = nullptr;
    EXPECT_THROW(orphan.getPJMLsqL("a.id>0"), std::logic_error);

    globals().host = std::make_shared<CategoryFourHost>();
    const std::string sql = orphan.getPJMLsqLTop100("");
    EXPECT_EQ(sql.substr(sql.size() - 49), "a.xsid=c.id  and  c.lb1  in(4) order by a.id desc");
}

using ReferenceHostHandover = BillsTest;

TEST_P(ReferenceHostHandover, TheTransactionLinkStringOpensTheHostsDatabase) {
    EXPECT_EQ(globals().host, host_);
    EXPECT_EQ(globals().transLinkString, host_->gLinkString());
    db_.exec("insert into PJML(id,djbh) values(9,'SF9')");
    ConnectionPtr cn = openConnection(globals().transLinkString);
    EXPECT_EQ(scalar(*cn, "select djbh from PJML where id=9").toText(), "SF9");
}

TEST_P(ReferenceHostHandover, FeePeriodAndSettingsBecomeModuleGlobals) {
    std::shared_ptr<PeriodObject> period = host_->pFindJzDate();
    head_.set_objYfAndTerm(period);
    EXPECT_EQ(head_.objYfAndTerm(), period);
    EXPECT_EQ(globals().feePeriod, period);
    head_.set_objYfAndTerm(nullptr);
    EXPECT_EQ(globals().feePeriod, nullptr);

    host_->setSetting("chkPrintSKR", "1");
    head_.set_SetgColSysCS(host_->loadSettings());
    EXPECT_TRUE(settingOn("chkPrintSKR"));
    EXPECT_FALSE(settingOn("chkMrcqts"));
}

FO_INSTANTIATE_DIALECTS(ReferenceHostHandover);

}  // namespace
}  // namespace fo::test
