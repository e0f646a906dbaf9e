// The reference host: its work tables, settings, column widths and
// database-information object, the counters that hand out its ids and
// numbers, the module's link string, and the ini files and user settings
// kept in the configuration folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <vector>

#include "HostTestSupport.h"
#include "db/Catalog.h"
#include "db/DbError.h"
#include "host/counters/CounterService.h"
#include "host/ReferenceHost.h"
#include "host/settings/IniFile.h"
#include "host/settings/UserSettingsStore.h"
#include "host/api/ModuleGlobals.h"
#include "support/FakeHostSystem.h"
#include "support/ScopedVariable.h"

namespace fo {
namespace {

class ReferenceHostTest : public test::FeeDbTest {};

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
    auto host = std::make_shared<ReferenceHost>(dbPath, dialect());
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
    EXPECT_EQ((std::vector{read->state(), trans->state()}), (std::vector<int>{Connection::Open, Connection::Open}));
    EXPECT_NE(read, trans);
    EXPECT_EQ(host->pGetCN()->cursorLocation(), CursorLocation::Client);

    // The factory keeps working after the host object is gone.
    host.reset();
    EXPECT_EQ(newDbInfo()->LinkString(), db.connectionString());
    globals().newDbInfo = nullptr;
    globals().settingsStore = nullptr;
}

FO_INSTANTIATE_DIALECTS(ReferenceHostTest);

class CounterServiceTest : public ::testing::Test, public test::FeeDb {};

TEST_F(CounterServiceTest, IdsAndNumbersStartAboveWhatIsStoredNeverComeAgainOutliveTheServiceAndAreDrawnApart) {
    exec("insert into kdw_sfjl(id,djbh) values(40,'SF202609010001')");
    exec("insert into INandOutML(id,djbh) values(57,'SF202609010002')");
    CounterService counters(dbPath);
    // Fee record ids start above the records and the journal rows alike.
    EXPECT_EQ(counters.nextId("INandOutML"), 58);
    EXPECT_EQ(counters.nextId("INandOutML"), 59);
    EXPECT_EQ(counters.nextId("inandoutml"), 60);  // counter names ignore case
    EXPECT_EQ(counters.nextId("qfhzb"), 1);
    // Someone imports arrears rows with ids of his own.
    exec("insert into qfhzb(qfkid,qfyf,xsid) values(250,'202609',1)");
    EXPECT_EQ(counters.nextId("qfhzb"), 251);
    // Deleting rows does not give their ids out again.
    exec("delete from qfhzb");
    EXPECT_EQ(counters.nextId("qfhzb"), 252);
    // Blocks, and counters of other tables.
    exec("insert into PJML(id,djbh) values(12,'SF1')");
    EXPECT_EQ(counters.nextId("INandOutML", 5), 61);  // 61..65
    EXPECT_EQ(counters.nextId("INandOutML"), 66);
    EXPECT_EQ(counters.nextId("PJML"), 13);          // a table with an id column
    EXPECT_EQ(counters.nextId("no such table"), 1);  // a plain sequence
    EXPECT_EQ(counters.nextId("no such table"), 2);
    EXPECT_EQ(counters.nextId("kdw_year"), 1);       // a table without an id column
    EXPECT_THROW(counters.nextId("qfhzb", 0), std::invalid_argument);
    EXPECT_EQ(counters.nextId("qfhzb", 10), 253);
    // The last value survives the service.
    CounterService again(dbPath);
    EXPECT_EQ(again.nextId("qfhzb"), 263);
    // Beside an embedded file the counters keep a side database of their
    // own; on a server they are a table of the fee database.
    EXPECT_EQ(again.sideDatabasePath(), test::onPostgres() ? std::string() : dbPath + ".counters");

    // Document numbers are per prefix and day.
    const DateTime day{2026, 12, 6};
    const std::vector<std::string> drawn = {again.nextBillNo("JM", day), again.nextBillNo("JM", day),
                                            again.nextBillNo("QXJM", day),
                                            again.nextBillNo("JM", DateTime{2026, 12, 7}),
                                            again.nextBillNo("JM", day)};
    EXPECT_EQ(drawn, (std::vector<std::string>{"JM202612060001", "JM202612060002", "QXJM202612060001",
                                               "JM202612070001", "JM202612060003"}));

    // Numbers stored by someone else that day are passed over.
    exec("insert into kdw_sfjl(id,djbh) values(1,'JM202612060041')");
    exec("insert into PJML(id,djbh) values(1,'SF202612060007')");
    EXPECT_EQ(again.nextBillNo("JM", day), "JM202612060042");
    EXPECT_EQ(again.nextBillNo("SF", day), "SF202612060008");
    // A longer prefix sharing the first letters is another series.
    EXPECT_EQ(again.nextBillNo("QXJM", day), "QXJM202612060002");
    // A block follows what was drawn and stored, and what follows it
    // follows the block.
    EXPECT_EQ(again.nextBillNos("JM", 3, day),
              (std::vector<std::string>{"JM202612060043", "JM202612060044", "JM202612060045"}));
    EXPECT_EQ(again.nextBillNo("JM", day), "JM202612060046");

    // A draw during an open posting neither waits for it nor joins it; a
    // session holding the counters' own store shuts every draw out.
    CounterService patient(dbPath, CounterService::Options{1});
    cn->beginTrans();  // BEGIN IMMEDIATE: the fee database is write-locked
    exec("insert into qfhzb(qfkid,qfyf,xsid) values(1,'202609',1)");
    EXPECT_EQ(patient.nextId("INandOutML"), 67);
    EXPECT_EQ(patient.nextBillNo("JM", DateTime{2026, 12, 6}), "JM202612060047");
    cn->rollbackTrans();
    // The rolled-back posting leaves a gap: its numbers are not reused.
    EXPECT_EQ(patient.nextId("INandOutML"), 68);
    EXPECT_EQ(patient.nextBillNo("JM", DateTime{2026, 12, 6}), "JM202612060048");
    // Another session holding the counters' store shuts every draw out until
    // it is done: a draw gives up after its busy timeout rather than hand out
    // a number the other session may be handing out too, and draws again
    // once it is gone (the first draw of its kind in this session included).
    auto other = openConnection(test::onPostgres() ? db.connectionString()
                                                   : sqliteConnectionString(patient.sideDatabasePath()));
    other->beginTrans();
    if (test::onPostgres()) other->execute("lock table fo_counters in exclusive mode");
    EXPECT_THROW(patient.nextId("qfhzb"), DbError);
    other->commitTrans();
    EXPECT_EQ(patient.nextId("qfhzb"), 264);
}

std::shared_ptr<test::FakeHostSystem> hostWithLink(const char* link) {
    return std::make_shared<test::FakeHostSystem>(link, Value(1));
}

// The transaction link string wins; without one, the object's own host
// answers when it has one, the module's host otherwise.
TEST(ModuleLinkStringTest, FallsBackToTheGivenHostThenToGRun) {
    const auto moduleHost = hostWithLink("Provider=SQLite;Data Source=module.db");
    const auto ownHost = hostWithLink("Provider=SQLite;Data Source=own.db");
    {
        test::ScopedHost scoped{moduleHost, "Provider=SQLite;Data Source=trans.db"};
        EXPECT_EQ(moduleLinkString(), "Provider=SQLite;Data Source=trans.db");
        EXPECT_EQ(moduleLinkString(ownHost), "Provider=SQLite;Data Source=trans.db");
    }
    test::ScopedHost scoped{moduleHost, ""};
    EXPECT_EQ(moduleLinkString(), "Provider=SQLite;Data Source=module.db");
    EXPECT_EQ(moduleLinkString(nullptr), "Provider=SQLite;Data Source=module.db");
    EXPECT_EQ(moduleLinkString(ownHost), "Provider=SQLite;Data Source=own.db");
}

TEST(IniFileTest, SectionsKeysAndCommentsReadBackAsWrittenAndTheUsersFilesLiveInTheConfigurationFolder) {
    auto parsed = IniFile::parse(
        "\xEF\xBB\xBF; 默认操作员设置\r\n"
        "top=before any section\r\n"
        "[Morkel]\r\n"
        "jmyy = 家庭困难减免 \r\n"
        "# a comment\r\n"
        "  ;indented comment\r\n"
        "not a setting line\r\n"
        "url=a=b;c\r\n"
        "[other]\n"
        "JMYY=\"  spaced  \"\n"
        "empty=\n");
    EXPECT_EQ(parsed.get("morkel", "JMYY"), "家庭困难减免");  // names ignore case, value trimmed
    EXPECT_EQ(parsed.get("MORKEL", "url"), "a=b;c");         // only the first '=' splits, ';' inside a value stays
    EXPECT_EQ(parsed.get("other", "jmyy"), "  spaced  ");    // quotes keep blanks
    EXPECT_EQ(parsed.get("other", "empty", "x"), "");
    EXPECT_TRUE(parsed.contains("other", "empty"));
    EXPECT_EQ(parsed.get("", "top"), "before any section");
    EXPECT_EQ(parsed.get("morkel", "missing", "默认"), "默认");
    EXPECT_EQ(parsed.get("nowhere", "jmyy", "d"), "d");
    EXPECT_FALSE(parsed.contains("morkel", "# a comment"));

    // A section written twice is one section; the later key wins.
    auto twice = IniFile::parse("[a]\nx=1\n[b]\ny=2\n[A]\nx=3\nz=4\n");
    EXPECT_EQ(twice.get("a", "x") + "|" + twice.get("a", "z"), "3|4");
    EXPECT_EQ(twice.sections().size(), 2u);

    // Written text reads back the same.
    IniFile ini;
    ini.set("tavro/frmJmBachList", "k姓名", "1500");
    ini.set("tavro/frmJmBachList", "k学号", " 2 ");
    ini.set("morkel", "jmyy", "困难补助");
    ini.set("tavro/frmJmBachList", "K姓名", "1800");  // same key, other case
    auto back = IniFile::parse(ini.text());
    EXPECT_EQ(back.get("tavro/frmjmbachlist", "k姓名"), "1800");
    EXPECT_EQ(back.text(), ini.text());  // blanks and every other key as written

    test::TempDir dir;
    test::ScopedVariable home("XDG_CONFIG_HOME", dir.path().string());
    EXPECT_FALSE(IniFile::load(dir.file("none.ini")));
    ini.save(dir.file("sub/dir/x.ini"));  // folders are created
    EXPECT_EQ(IniFile::load(dir.file("sub/dir/x.ini")).value().get("morkel", "jmyy"), "困难补助");

    // The user's files live in the configuration folder, each application's
    // settings apart (saved at once and read by the next session: the host's
    // column widths).
    EXPECT_EQ(userConfigDir(), dir.path().string());
    // (The test executable's folder holds no DefaultUser.ini.)
    EXPECT_FALSE(IniFile::findDefaultUser());
    std::filesystem::create_directories(dir.file("feeoffice"));
    std::ofstream(dir.file("feeoffice/DefaultUser.ini")) << "[morkel]\njmyy=贫困生减免\n";
    EXPECT_EQ(IniFile::findDefaultUser().value().get("morkel", "jmyy"), "贫困生减免");
    // The settings store's file lives beside it.
    UserSettingsStore store;
    EXPECT_EQ(store.filePath(), dir.file("feeoffice/settings.ini"));
    store.saveSetting("tavro", "frmJmBachList", "k姓名", "1500");
    store.saveSetting("shTavro", "frmJmBachList", "k姓名", "900");
    EXPECT_EQ(UserSettingsStore().getSetting("tavro", "frmJmBachList", "k姓名"), "1500");
    EXPECT_EQ(UserSettingsStore().getSetting("shTavro", "frmJmBachList", "k姓名"), "900");
}

}  // namespace
}  // namespace fo
