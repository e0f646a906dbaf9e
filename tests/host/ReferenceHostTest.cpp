#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <vector>

#include "HostTestSupport.h"
#include "db/Catalog.h"
#include "host/ReferenceHost.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"

namespace fo {
namespace {

class ReferenceHostTest : public test::FeeDbTest {
protected:
    void SetUp() override { host = std::make_shared<ReferenceHost>(dbPath, dialect()); }
    std::shared_ptr<ReferenceHost> host;
};

// A list view's columns, as the host's width routines see them.
struct FakeColumns : ColumnWidthTarget {
    FakeColumns(std::vector<std::string> k, std::vector<int> w) : keys(std::move(k)), widths(std::move(w)) {}
    int columnCount() const override { return static_cast<int>(keys.size()); }
    std::string columnKey(int i) const override { return keys.at(i); }
    int columnWidth(int i) const override { return widths.at(i); }
    void setColumnWidth(int i, int twips) override { widths.at(i) = twips; }
    std::vector<std::string> keys;
    std::vector<int> widths;
};

TEST_P(ReferenceHostTest, WorkTablesSettingsPtrimBillTypesColumnWidthsAndTheDatabaseInformationObjectOfOneDatabase) {
    // On a server in the work schema, where the operators' roles may create tables.
    const std::regex shape(std::string(test::onPostgres() ? "feeoffice_work\\." : "") + "(tmpJM[0-9a-f]{16})_[0-9]+");
    std::set<std::string> names;
    std::smatch parts;
    std::string stem;
    for (int i = 0; i < 5; ++i) {
        std::string name = host->getTmpTableName("JM");
        ASSERT_TRUE(std::regex_match(name, parts, shape)) << name;
        stem = parts[1];
        names.insert(name);
        exec("create table " + name + "( xsid int,sfyf varchar(20))");
    }
    EXPECT_EQ(names.size(), 5u);
    EXPECT_EQ(host->getTmpTableName("a-b c").rfind(test::onPostgres() ? "feeoffice_work.tmpabc" : "tmpabc", 0),
              0u);  // only identifier characters kept
    // A work table takes whole whatever period the books hold, beyond the
    // width its columns declare, as the fee tables do, on every engine.
    const std::string period = "2026学年第一学期（秋季，含寒假托管班）";
    exec("insert into ajzrq(yf,jfmc) values('" + period + "','" + period + "')");
    exec("insert into " + *names.begin() + "(xsid,sfyf) select 1,yf from ajzrq where jfmc='" + period + "'");
    EXPECT_EQ(scalar("select sfyf from " + *names.begin()), period);

    // Another session, even with the same process id (as two workstations
    // may have), names its tables with a token of its own.
    ReferenceHost other(dbPath, dialect());
    const std::string next = other.getTmpTableName("JM");
    ASSERT_TRUE(std::regex_match(next, parts, shape)) << next;
    EXPECT_NE(parts[1].str(), stem);

    const auto tables = [this] {
        const std::string work =
            test::onPostgres() ? scalar("select count(*) from pg_tables where schemaname='feeoffice_work'") : "0";
        return tableNames(*cn).size() + std::stoul(work);
    };
    const std::size_t before = tables();
    std::set<std::string> arrearsTables;
    std::size_t afterFirst = 0;
    for (int i = 0; i < 4; ++i) {
        std::string table;
        host->getQFmxbNew(table, host->pGetCN(), "202612", "", "", "");
        arrearsTables.insert(table);
        // Another session of the program reads it, as the batch list's
        // grand total does; then the module disposes of it its own way.
        EXPECT_NO_THROW(host->pGetCN()->execute("select count(*) from " + table));
        host->pGetCN()->execute((isSqlServer(host->SQL_access()) ? "drop table " : "delete from ") + table);
        if (i == 0) afterFirst = tables();
    }
    // SQL Server names each afresh and the module drops it; Access keeps
    // one for the session and empties it.
    EXPECT_EQ(arrearsTables.size(), dialect() == 1 ? 4u : 1u);
    EXPECT_EQ(tables(), afterFirst);
    host.reset();
    EXPECT_EQ(tables(), before);

    host = std::make_shared<ReferenceHost>(dbPath, dialect());

    host->setSetting("chkMrcqts", "1");
    host->setSetting("chkNotLimitJZ", "0");
    host->setSetting("chkMrcqts", "0");  // replaced, not duplicated
    host->setSetting("txtColorContent", "作废");
    auto settings = host->loadSettings();
    EXPECT_FALSE(settings->isOn("chkMrcqts"));
    EXPECT_EQ(settings->value("txtColorContent").toText(), "作废");
    EXPECT_TRUE(settings->contains("chkNotLimitJZ"));
    EXPECT_TRUE(settings->value("unknown").isNull());
    EXPECT_EQ(settings->items().size(), 4u);  // and chkAutoInputTerm, as a new database starts

    // Only an administrator changes them, and each change is logged with
    // what it was; another operator's attempt writes nothing.
    host->installInModuleGlobals();
    host->setSetting("chkMrcqts", "1");
    EXPECT_EQ(scalar("select count(*) from sys_log where operation='系统设置' and djbh='chkMrcqts: 0 → 1'"), "1");
    Operators(*cn).addNew("出纳", false);
    ReferenceHost clerk(dbPath, dialect(), 2);
    EXPECT_THROW(clerk.setSetting("chkMrcqts", "0"), OperatorRefusal);
    EXPECT_TRUE(host->loadSettings()->isOn("chkMrcqts"));

    EXPECT_EQ(host->ptrim("  学费减免  "), "学费减免");
    EXPECT_EQ(host->ptrim("\t'x' \r\n"), "''x''");
    EXPECT_EQ(host->ptrim("\xE3\x80\x80困难补助\xE3\x80\x80"), "困难补助");  // ideographic spaces
    EXPECT_EQ(host->ptrim("a  b"), "a  b");  // inner blanks stay
    // What ptrim returns, placed between quotes, stores the trimmed text.
    exec("insert into sys_setting(name,value) values('reason','" + host->ptrim(" it's ") + "')");
    EXPECT_EQ(scalar("select value from sys_setting where name='reason'"), "it's");

    exec("insert into sys_billtype(kind,number,name) values(1,2,'收费收据(二联)'),(1,1,'收费收据(三联)'),(2,1,'退费单')");
    std::vector<std::string> types;
    for (const auto& t : host->billTypeName(1)) types.push_back(std::to_string(t.number) + "|" + t.name);
    EXPECT_EQ(types, (std::vector<std::string>{"1|收费收据(三联)", "2|收费收据(二联)"}));
    EXPECT_TRUE(host->billTypeName(9).empty());

    auto store = std::make_shared<UserSettingsStore>(dir.file("settings"));
    host->setSettingsStore(store);
    FakeColumns saved({"k学号", "k姓名", "k金额"}, {1200, 0, 2400});
    host->LvwSaveColumnWidth(saved, "", "frmJmList");
    EXPECT_EQ(store->getSetting("tavro", "frmJmList", "k姓名"), "0");

    FakeColumns shown({"k学号", "k姓名", "k金额", "k备注"}, {1000, 1000, 1000, 1000});
    host->LvwGetColumnWidth(shown, "", "frmJmList");
    // A saved 0 is not restored, nor is a column never saved.
    EXPECT_EQ(shown.widths, (std::vector<int>{1200, 1000, 2400, 1000}));

    FakeColumns otherList({"k学号"}, {1000});
    host->LvwGetColumnWidth(otherList, "", "frmOther");
    EXPECT_EQ(otherList.widths, std::vector<int>{1000});

    // A fresh store over the same folder sees what was saved.
    ReferenceHost later(dbPath, dialect());
    later.setSettingsStore(std::make_shared<UserSettingsStore>(dir.file("settings")));
    FakeColumns again({"k金额"}, {1});
    later.LvwGetColumnWidth(again, "", "frmJmList");
    EXPECT_EQ(again.widths, std::vector<int>{2400});
    host->installInModuleGlobals();

    auto info = newDbInfo();
    EXPECT_EQ(info->UserId() + "|" + info->UserName(), host->gUserid() + "|" + host->gusername());
    EXPECT_EQ(globals().settingsStore, store);

    // Both hand out ids and numbers from the same counters.
    const auto a = std::stoll(host->pGetMaxId("INandOutML"));
    const auto b = std::stoll(info->NextId("INandOutML", 3));
    const auto c = std::stoll(host->pGetMaxId("INandOutML"));
    EXPECT_EQ((std::vector<long long>{b, c}), (std::vector<long long>{a + 1, a + 4}));
    EXPECT_NE(host->pGetBillNum("QXJM"), info->NextBillNo("QXJM"));

    auto read = info->Connection();
    auto trans = info->TransConnection();
    EXPECT_EQ(read->state(), Connection::Open);
    EXPECT_EQ(trans->state(), Connection::Open);
    EXPECT_NE(read, trans);
    EXPECT_EQ(host->pGetCN()->cursorLocation(), CursorLocation::Client);

    // The factory keeps working after the host object is gone.
    host.reset();
    EXPECT_EQ(newDbInfo()->LinkString(), db.connectionString());
    globals().newDbInfo = nullptr;
    globals().settingsStore = nullptr;
}

FO_INSTANTIATE_DIALECTS(ReferenceHostTest);

}  // namespace
}  // namespace fo
