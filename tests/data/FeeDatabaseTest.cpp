// Creating, recognising and upgrading fee databases: only a creation makes
// one, a new one carries the stamp, and anything else is refused untouched;
// the schema's view of the students, and the operators' password hashes.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "data/FeeDatabase.h"
#include "data/FeeSchema.h"
#include "data/PasswordHash.h"
#include "db/DbError.h"
#include "support/Dialects.h"
#include "support/ErrorOf.h"
#include "support/FileText.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "support/TempFeeDb.h"

namespace fo {
namespace {

namespace fs = std::filesystem;

DbError refusal(const std::string& path) {
    return test::errorOf([&] { openFeeDatabase(sqliteConnectionString(path)); });
}

// A new fee database at `path`, stamped as of `version`.
ConnectionPtr stampedAs(const std::string& path, int version) {
    auto cn = createFeeDatabase(sqliteConnectionString(path));
    cn->execute("update fo_schema set version=" + std::to_string(version));
    cn->writeEngineStamp(kFeeApplicationId, version);
    return cn;
}

TEST(FeeDatabase, ANewOneCarriesTheStampAndOpensAsItIsAnythingElseIsRefusedUntouchedAndTheSchemaJoinsATransaction) {
    test::TempDir dir;
    const std::string path = dir.file("office.db");
    auto cn = createFeeDatabase(sqliteConnectionString(path));
    const EngineStamp stamp = cn->readEngineStamp();
    EXPECT_TRUE(stamp.applicationId == kFeeApplicationId && stamp.version == kFeeSchemaVersion);
    EXPECT_EQ(test::firstColumn(*cn, "select app||'/'||version from fo_schema"),
              std::vector<std::string>{std::string(kFeeApp) + "/" + std::to_string(kFeeSchemaVersion)});
    // Each item's period is filled in, and reductions are booked in the open month.
    EXPECT_EQ(test::scalar(*cn, "select group_concat(name||'='||value) from (select name,value from sys_setting"
                                " order by name)").toText(),
              "chkAutoInputTerm=1,chkNotLimitJZ=0");
    cn->close();

    auto opened = openFeeDatabase(sqliteConnectionString(path));
    EXPECT_EQ(feeSchemaVersionOf(*opened), kFeeSchemaVersion);
    // Creating again over it is refused (over anything else, as any database).
    EXPECT_THROW(createFeeDatabase(sqliteConnectionString(path)), DbError);

    // Anything else, or a newer schema, is refused untouched, naming the
    // file and what it is.
    const std::string text = dir.file("notes.txt"), zero = dir.file("zero.db"), other = dir.file("other.db"),
                      plain = dir.file("plain.db"), missing = dir.file("missing.db"), newer = dir.file("newer.db");
    std::ofstream(text) << "this is a text file, not a database, and long enough to have a header\n";
    std::ofstream(zero).close();
    {
        auto foreign = createDatabase(sqliteConnectionString(other));
        foreign->execute("create table kdw_sfjl(id int)");
        foreign->writeEngineStamp(0x0F0F0F0F, 3);
        createDatabase(sqliteConnectionString(plain))->execute("create table notes(a int)");
        stampedAs(newer, kFeeSchemaVersion + 1);
    }
    const std::tuple<std::string, std::string, DbErrorKind> cases[] = {
        {text, "不是数据库文件", DbErrorKind::NotFeeDatabase}, {zero, "空文件", DbErrorKind::NotFeeDatabase},
        {other, "另一个程序", DbErrorKind::NotFeeDatabase}, {plain, "没有费用数据表", DbErrorKind::NotFeeDatabase},
        {newer, "较新版本", DbErrorKind::NewerSchema}};
    for (const auto& [file, whatItIs, kind] : cases) {
        const std::string before = test::readWholeFile(file);
        const DbError e = refusal(file);
        EXPECT_EQ(e.kind(), kind) << file;
        EXPECT_NE(e.description().find(file), std::string::npos) << e.description();
        EXPECT_NE(e.description().find(whatItIs), std::string::npos) << e.description();
        EXPECT_EQ(test::readWholeFile(file), before) << file;
    }
    EXPECT_EQ(fs::file_size(zero), 0u);
    EXPECT_EQ(refusal(missing).kind(), DbErrorKind::Missing);
    EXPECT_FALSE(fs::exists(missing));

    // The schema made on an open transaction joins it and rolls back with it.
    auto bare = createDatabase(sqliteConnectionString(dir.file("bare.db")));
    bare->beginTrans();
    createFeeSchema(*bare);
    EXPECT_TRUE(bare->inTransaction());
    bare->rollbackTrans();
    EXPECT_ANY_THROW(bare->execute("select id from kdw_sfjl"));
}

TEST(FeeSchema, ViewGivesEveryStudentAsHisOwnPayerWithClassAndChargeTypeNames) {
    test::TempFeeDb db;
    auto cn = db.open();
    cn->execute("insert into kdw_bj(id,mc) values(3,'大一班')");
    cn->execute("insert into kdw_sflx(id,mc,sfxmid,je) values(7,'全托',1,300)");
    cn->execute("insert into kdw_sflx(id,mc,sfxmid,je) values(7,'全托',2,50)");
    cn->execute(
        "insert into kdw_xs(id,xh,xm,jm,sex,bjid,sflxid,lb1,fqxm,mqxm,ysk,rxsj) values"
        "(11,'2024001','王小明','wxm','男',3,7,4,'王大','李红',12.5,'2024-09-01')");

    // One row although the charge type has two items.
    EXPECT_EQ(test::joinedRows(*cn, "select id,学号,付款人代码,姓名,班级,父亲姓名,母亲姓名,收费类型,预收款,简码,入学时间,"
                                    "sflxid,bjid,lb1,del,inttx,性别 from vxsxx where 付款人代码=学号"),
              std::vector<std::string>{"11|2024001|2024001|王小明|大一班|王大|李红|全托|12.5|wxm|2024-09-01|7|3|4|0|0|男"});
}

// Operators' passwords: hashes that check what they were made from and
// nothing else.
TEST(PasswordHash, AHashChecksItsOwnPasswordOnlyAndClearTextMatchesNothing) {
    const std::string first = password::hash("王会计的密码"), second = password::hash("王会计的密码");
    EXPECT_NE(first, second) << "each hash has its own salt";
    // A password kept in clear, or none, is no hash: nothing matches it.
    EXPECT_EQ(std::vector<bool>({password::isHash(first), password::matches(first, "王会计的密码"),
                                 password::matches(second, "王会计的密码"), password::matches(first, "王会计的密"),
                                 password::matches(first, ""), password::matches("secret", "secret"),
                                 password::matches("", "")}),
              std::vector<bool>({true, true, true, false, false, false, false}));
}

// The fee database as the first releases wrote it: no stamp, text compared
// case-sensitively, dates declared plain datetime, and one posting work
// table shared by every session.
void writeUnstampedFeeDatabase(const std::string& path) {
    std::string script = std::regex_replace(feeSchemaScript(), std::regex(" collate nocase"), "");
    script = std::regex_replace(script, std::regex("datetime text"), "datetime");
    script = std::regex_replace(script, std::regex("create table fo_[^;]*;|create index ix_fo_[^;]*;|insert into fo_schema[^;]*;"), "");
    script += "create table tmpYSMxb ( xsid int,sfyf varchar(20),sfxmid int,ysje money,termfrom datetime,"
              "termto datetime,ye money,jmje money,qfkid int,feetermname varchar(200));";
    auto cn = createDatabase(sqliteConnectionString(path));
    cn->execute(script);
    cn->execute("insert into kdw_bj(id,mc) values(3,'大一班')");
    cn->execute("insert into kdw_xs(id,xh,xm,jm,bjid,ysk) values(11,'A001','王小展','WXZ',3,12.5)");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,je,jmje,sfyf) values(5,'JM202612060001',11,0,30,'202612')");
    cn->execute("insert into sys_setting(name,value) values('chkYsjyj','1')");
    cn->execute("insert into tmpYSMxb(xsid,sfyf) values(11,'202612')");
}

// The operators as earlier releases kept them: passwords in clear, set or
// not, and no audit log.
void keepPasswordsInClear(Connection& cn) {
    cn.execute("drop table sys_user");
    cn.execute("drop table sys_log");
    cn.execute("create table sys_user(id int primary key, name varchar(50) not null, password varchar(50) default '',"
               " admin int not null default 0)");
    cn.execute("insert into sys_user(id,name,password,admin) values(1,'系统管理员','',1),(2,'张会计','zhang''s',0)");
}

// "name|hash or none|must choose a new one" of each operator, and no column
// left that holds a password in clear.
std::vector<std::string> operatorsAfterUpgrade(Connection& cn) {
    RecordsetPtr rs = cn.execute("select * from sys_user order by id");
    for (std::size_t i = 0; i < rs->fieldCount(); ++i) EXPECT_NE(rs->fieldInfo(i).name, "password");
    std::vector<std::string> rows;
    for (; !rs->eof(); rs->moveNext()) {
        const std::string hash = rs->field("pwhash").toText();
        EXPECT_TRUE(hash.empty() || password::matches(hash, "zhang's")) << hash;
        rows.push_back(rs->field("name").toText() + "|" + (hash.empty() ? "none" : "hash") + "|" +
                       rs->field("mustsetpw").toText());
    }
    EXPECT_EQ(test::scalar(cn, "select count(*) from sys_log").toInt(), 0);
    return rows;
}

TEST(FeeDatabase, AFeeDatabaseOfTheFirstReleasesIsBroughtUpToDateKeepingEveryRowOrLeftAsItWas) {
    test::TempDir dir;
    const std::string path = dir.file("old.db");
    writeUnstampedFeeDatabase(path);
    auto old = openConnection(sqliteConnectionString(path));
    ASSERT_EQ(test::scalar(*old, "select count(*) from kdw_xs where jm='wxz'").toInt(), 0);
    keepPasswordsInClear(*old);
    old->close();

    auto cn = openFeeDatabase(sqliteConnectionString(path));
    EXPECT_TRUE(feeSchemaVersionOf(*cn) == kFeeSchemaVersion &&
                cn->readEngineStamp().applicationId == kFeeApplicationId);
    EXPECT_EQ(operatorsAfterUpgrade(*cn), (std::vector<std::string>{"系统管理员|none|1", "张会计|hash|1"}));
    EXPECT_EQ(test::scalar(*cn, "select 姓名||'|'||班级||'|'||预收款 from vxsxx where 简码='wxz'").toText(),
              "王小展|大一班|12.5");
    EXPECT_EQ(test::scalar(*cn, "select djbh||'|'||jmje from kdw_sfjl where id=5").toText(), "JM202612060001|30");
    EXPECT_EQ(test::scalar(*cn, "select value from sys_setting where name='CHKYSJYJ'").toText(), "1");
    // The shared work table is gone from the file; the indexes are back.
    EXPECT_EQ(test::scalar(*cn, "select count(*) from sqlite_master where name like 'tmp%' or name like 'fo_old%'")
                  .toInt(), 0);
    const std::regex createIndex("create index");
    const auto indexes = std::distance(
        std::sregex_iterator(feeSchemaScript().begin(), feeSchemaScript().end(), createIndex), std::sregex_iterator());
    EXPECT_EQ(test::scalar(*cn, "select count(*) from sqlite_master where type='index' and name like 'ix_%'").toInt(),
              static_cast<std::int64_t>(indexes));

    // One that cannot finish is left as it was: two settings that differ only
    // in case cannot both stay once names compare case-insensitively.
    const std::string clash = dir.file("clash.db");
    writeUnstampedFeeDatabase(clash);
    openConnection(sqliteConnectionString(clash))->execute("insert into sys_setting(name,value) values('CHKYSJYJ','0')");
    EXPECT_EQ(refusal(clash).kind(), DbErrorKind::Constraint);
    old = openConnection(sqliteConnectionString(clash));
    EXPECT_EQ(feeSchemaVersionOf(*old), 0);
    EXPECT_EQ(test::scalar(*old, "select (select count(*) from sys_setting)||'/'||(select count(*) from tmpYSMxb)"
                                 "||'/'||(select count(*) from sqlite_master where name like 'fo_%')").toText(),
              "2/1/0");

    // The version before, stamped, kept the passwords in clear too.
    const std::string stamped = dir.file("v1.db");
    keepPasswordsInClear(*stampedAs(stamped, 1));
    cn = openFeeDatabase(sqliteConnectionString(stamped));
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    EXPECT_EQ(operatorsAfterUpgrade(*cn), (std::vector<std::string>{"系统管理员|none|1", "张会计|hash|1"}));
}

// The plan's lines, one string.
std::string planOf(Connection& cn, const std::string& sql) {
    std::string plan;
    for (RecordsetPtr rs = cn.execute("EXPLAIN QUERY PLAN " + sql); !rs->eof(); rs->moveNext())
        plan += rs->field(std::size_t{3}).toText() + "\n";
    return plan;
}

// Version 8 deleted what it no longer wanted; now a class, category, item
// or type is retired, and each student's class and type are kept by date
// from his entry on.
TEST(FeeDatabase, AVersionEightDatabaseRetiresInsteadOfDeletingAndKeepsEachStudentsPlaceSinceEntry) {
    test::TempDir dir;
    const std::string path = dir.file("v8.db");
    {
        auto cn = stampedAs(path, 8);
        cn->execute("drop table kdw_xsbd");
        for (const char* table : {"kdw_bj", "kdw_xslx", "kdw_sfxm", "kdw_sflx"})
            cn->execute(std::string("alter table ") + table + " drop column del");
        cn->execute("insert into kdw_bj(id,mc) values(3,'中班一班')");
        cn->execute("insert into kdw_xs(id,xh,xm,bjid,sflxid,rxsj) values(11,'A001','王小展',3,2,'2025-09-01')");
    }
    auto cn = openFeeDatabase(sqliteConnectionString(path));
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    EXPECT_EQ(test::scalar(*cn, "select mc||del from kdw_bj").toText(), "中班一班0");
    for (const char* table : {"kdw_xslx", "kdw_sfxm", "kdw_sflx"})
        EXPECT_NO_THROW(cn->execute(std::string("select del from ") + table)) << table;
    EXPECT_EQ(test::joinedRows(*cn, "select xsid,bdrq,bjid,sflxid from kdw_xsbd"),
              std::vector<std::string>{"11|2025-09-01|3|2"});
}

// A version 2 database lacks the large books' indexes (and has one retired
// since); up to version 3 the engine's own statistics let one lookup of a
// link seem to find a third of the table.
TEST(FeeDatabase, AVersionTwoOrThreeDatabaseGetsTheBooksIndexesAndItsLinksStatisticsAsTheLookupsSeeThem) {
    // How a void reopens the arrears its charge settled: the remainders
    // split off them go.
    const std::string remainders =
        "delete from qfhzb where yqfkid in(select qfkid from qfhzb where  sfjlid<>0 and sfjlid=5)";
    for (const int version : {2, 3}) {
        SCOPED_TRACE(version);
        test::TempDir dir;
        const std::string path = dir.file("old.db");
        {
            auto cn = stampedAs(path, version);
            if (version == 2) {
                for (const std::string name : {"ix_kdw_sfjl_hkid", "ix_INandOutML_djbh", "ix_PJML_kpr", "ix_PJML_bjmc",
                                               "ix_INandOutML_czrq", "ix_INandOut_num_subid",
                                               "ix_kdw_sfjlmx_sfjlid_amounts"})
                    cn->execute("drop index " + name);
                cn->execute("create index ix_kdw_sfjlmx_sfjlid on kdw_sfjlmx(sfjlid)");  // retired since
            }
            // Four hundred arrears rows: charge 5 settled rows 1 and 2, three
            // remainders were split off them (two off row 1); the rest link
            // nowhere.
            cn->execute("with recursive n(i) as (select 1 union all select i+1 from n where i<400) "
                        "insert into qfhzb(qfkid,qfyf,xsid,sfjlid,yqfkid) select i,'202609',i,"
                        "case when i<=2 then 5 else 0 end,case i when 398 then 1 when 399 then 1 when 400 then 2 "
                        "else 0 end from n");
            cn->refreshStatistics();
            ASSERT_NE(planOf(*cn, remainders).find("SCAN qfhzb"), std::string::npos) << planOf(*cn, remainders);
        }
        auto cn = openFeeDatabase(sqliteConnectionString(path));
        EXPECT_TRUE(feeSchemaVersionOf(*cn) == kFeeSchemaVersion &&
                    cn->readEngineStamp().version == kFeeSchemaVersion);
        EXPECT_EQ(test::scalar(*cn, "select count(*) from qfhzb").toInt(), 400);
        EXPECT_EQ(test::scalar(*cn, "select group_concat(name,' ') from (select name from sqlite_master where name like"
                                    " 'ix_INandOut%' or name like 'ix_kdw_sfjlmx%' or name in('ix_kdw_sfjl_hkid',"
                                    "'ix_PJML_kpr','ix_PJML_bjmc') order by name)").toText(),
                  "ix_INandOutML_czrq ix_INandOutML_djbh ix_INandOutML_id ix_INandOut_num_subid ix_PJML_bjmc"
                  " ix_PJML_kpr ix_kdw_sfjl_hkid ix_kdw_sfjlmx_sfjlid_amounts");
        // The rows per linked key, rounded up; the size as gathered. An empty
        // table has no statistics to state.
        EXPECT_EQ(test::joinedRows(*cn, "select idx,stat from sqlite_stat1 where idx in('ix_qfhzb_yqfkid',"
                                        "'ix_qfhzb_sfjlid','ix_qfhzb_jmjlid','ix_kdw_sfjl_hkid') order by idx"),
                  (std::vector<std::string>{"ix_qfhzb_jmjlid|400 1", "ix_qfhzb_sfjlid|400 2",
                                            "ix_qfhzb_yqfkid|400 2"}));
        // The session that upgraded and every later one look the links up.
        for (ConnectionPtr session : {cn, openFeeDatabase(sqliteConnectionString(path))}) {
            const std::string plan = planOf(*session, remainders);
            EXPECT_EQ(plan.find("SCAN qfhzb"), std::string::npos) << plan;
            EXPECT_NE(plan.find("ix_qfhzb_yqfkid"), std::string::npos) << plan;
        }
    }
}

// A database of an older version (4 to 6): dates are declared plain
// datetime (numeric affinity); before version 6 document numbers compare
// case-insensitively; in version 4 the receipts are keyed by an index beside
// the table and the fee records' djbh index lacks the amounts. Receipts were
// written out of id order, dates are stored with and without a time of day
// or not at all, and the office added a report view over the receipts, a
// view over that one, indexes of its own and triggers that name the
// receipts and the cash journal.
void writeOlderDatabase(const std::string& path, int version) {
    std::string script = std::regex_replace(feeSchemaScript(), std::regex("datetime text"), "datetime");
    if (version < 6)
        script = std::regex_replace(script, std::regex("djbh character varying\\(50\\)"),
                                    "djbh varchar(50) collate nocase");
    if (version == 4) {
        script = std::regex_replace(script, std::regex("id integer not null primary key"), "id int not null primary key");
        script = std::regex_replace(script, std::regex("ix_kdw_sfjl_djbh_ysk_hkje on kdw_sfjl\\(djbh, ysk, hkje\\)"),
                                    "ix_kdw_sfjl_djbh on kdw_sfjl(djbh)");
    }
    auto cn = createDatabase(sqliteConnectionString(path));
    cn->execute(script);
    cn->execute("update fo_schema set version=" + std::to_string(version));
    cn->writeEngineStamp(kFeeApplicationId, version);
    cn->execute("insert into kdw_xs(id,xh,xm,lb1) values(11,'A001','王小展',1),(12,'A002','李二',1)");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,je,ysk,hkje,sfyf,sfrq) values(3,'SF3',11,80,0,0,'202612',"
                "'2026-12-01'),(1,'SF1',11,300,20,0,'202611','2026-11-02 10:00:00'),(2,'SF2',12,120.5,0,35.5,"
                "'202611',null),(4,'SF4',12,10,5,5,'202612','2026-12-05')");
    cn->execute("insert into ajzrq(yf,fromdate,todate,jfmc) values('202611','2026-11-01','2026-11-30','十一月'),"
                "('202612','2026-12-01','2026-12-31','十二月')");
    cn->execute("insert into PJML(id,djbh,pjState,bjmc,xsid,xh,xm,kprq,hjje,kpr,zfrq,zfr) values"
                "(30,'SF3','','大一班',11,'A001','王小展','2026-12-01 09:00:00',80,'张三',null,''),"
                "(10,'SF1','','大一班',11,'A001','王小展','2026-11-02 10:00:00',300,'张三',null,''),"
                "(40,'SF4','作废','大二班',12,'A002','李二','2026-12-05 11:00:00',10,'李四','2026-12-06 08:00:00','李四'),"
                "(20,'SF2','','大二班',12,'A002','李二','2026-11-20 14:30:00',120.5,'李四',null,'')");
    cn->execute("insert into INandOutML(djbh,id,je,jzyf) values('SF2',2,120.5,'202611'),('SF1',1,300,'202611'),"
                "('SF3',3,80,'202612')");
    cn->execute("create view v_office_receipts as select a.djbh, a.hjje, c.xm from PJML as a join kdw_xs as c "
                "on c.id=a.xsid where a.pjState<>'作废'");
    cn->execute("create view v_office_total as select count(*) as n, sum(hjje) as total from v_office_receipts");
    cn->execute("create index ix_office_PJML_xm on PJML(xm)");
    cn->execute("create index ix_office_kdw_sfjl_sfyf_je on kdw_sfjl(sfyf, je)");
    cn->execute("create trigger tr_office_items after insert on PJMLmx begin "
                "update PJML set rptbz='有明细' where id=new.PjMLid; end");
    cn->execute("create trigger tr_office_journal after insert on INandOutML begin "
                "update kdw_sfjl set bz='已记账' where djbh=new.djbh; end");
    // As every upgrade since version 4 left it.
    cn->refreshStatistics();
}

class OlderSchemaUpgrade : public test::DialectTest {
protected:
    // The register's statement over a date range, newest first.
    std::string registerQuery(const char* from, const char* to) const {
        return "select a.id,a.djbh,a.pjState,a.bjmc,a.xh,a.xm,a.kprq,a.hjje,b.ysk,b.hkje,a.kpr,a.zfrq,a.zfr "
               "FROM PJML as a,kdw_sfjl as b,kdw_xs as c where  a.djbh=b.djbh and a.xsid=c.id and " +
               dateRange(sqlServer(), "a.kprq", from, to) + " order by a.id desc";
    }
    // What an upgrade must keep: every row of the three rebuilt tables, the
    // register over all dates and over one month, the office's view.
    std::vector<std::vector<std::string>> kept(Connection& cn) {
        std::vector<std::vector<std::string>> rows;
        for (const std::string& sql : std::vector<std::string>{
                 "select * from PJML order by id", "select * from kdw_sfjl order by id",
                 "select * from INandOutML order by id", registerQuery("2016-01-01", "2026-12-31"),
                 registerQuery("2026-12-01", "2026-12-31"), "select * from v_office_total",
                 "select id,sfrq from kdw_sfjl where sfrq>='2026-11-02' and sfrq<'2026-12-05' order by id",
                 "select * from ajzrq order by yf"})
            rows.push_back(test::joinedRows(cn, sql));
        return rows;
    }
    // Every view, trigger and index as stored, but the triggers of the cash
    // totals, which the upgrade adds.
    std::vector<std::string> storedTexts(Connection& cn) {
        return test::joinedRows(cn, "select type,name,sql from sqlite_master where type<>'table' and name not like"
                                    " 'fo_cash_totals_%' order by type,name");
    }
    // The page every table and index but the receipts' and the audit log's
    // starts at: where its rows are.
    std::vector<std::string> pages(Connection& cn) {
        return test::joinedRows(cn, "select name,rootpage from sqlite_master where rootpage>0 and name not like "
                                    "'sqlite_stat%' and tbl_name not in('PJML','sys_log') order by name");
    }
    // Every column of every table with its declared type.
    std::vector<std::string> declaredTypes(Connection& cn) {
        return test::joinedRows(cn, "select m.name,c.name,c.type from sqlite_master as m,pragma_table_info(m.name) "
                                    "as c where m.type='table' and m.name not like 'sqlite%' order by m.name,c.cid");
    }
    // How a number written into a receipt's date is stored.
    std::string storedTypeOfANumberDate(Connection& cn, int id) {
        cn.execute("insert into PJML(id,djbh,xsid,kprq) values(" + std::to_string(id) + ",'SF" + std::to_string(id) +
                   "',11,2461011.5)");
        const std::string type = test::scalar(cn, "select typeof(kprq) from PJML where id=" + std::to_string(id)).toText();
        cn.execute("delete from PJML where id=" + std::to_string(id));
        return type;
    }
    // Receipts found in each of the three tables by a lower-case number:
    // compared, and matched by LIKE.
    std::string foundInLowerCase(Connection& cn) {
        std::string found;
        for (const char* table : {"PJML", "kdw_sfjl", "INandOutML"})
            found += test::scalar(cn, std::string("select count(*) from ") + table + " where djbh='sf1'").toText() + "/" +
                     test::scalar(cn, std::string("select count(*) from ") + table + " where djbh like 'sf%'").toText() +
                     " ";
        return found;
    }
};

// (One whose receipt id is no whole number cannot be keyed so: it is left
// as it was.)
TEST_P(OlderSchemaUpgrade, AVersionFourOrFiveDatabaseIsKeyedAndComparesAsNowKeepingRowsViewsIndexesAndTriggers) {
    for (const int version : {4, 5}) {
        SCOPED_TRACE(version);
        test::TempDir dir;
        const std::string path = dir.file("old.db");
        writeOlderDatabase(path, version);
        std::vector<std::vector<std::string>> before;
        {
            auto old = openConnection(sqliteConnectionString(path));
            before = kept(*old);
            ASSERT_EQ(before[3].size(), 4u);
            ASSERT_EQ(before[4].size(), 2u);
            ASSERT_EQ(foundInLowerCase(*old), "1/4 1/4 1/3 ");
        }

        auto cn = openFeeDatabase(sqliteConnectionString(path));
        EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
        EXPECT_EQ(kept(*cn), before);
        // Document numbers compare byte for byte.
        EXPECT_EQ(foundInLowerCase(*cn), "0/4 0/4 0/3 ");
        // The receipts are their table's own key: a lookup by id searches the
        // table, and no index stands beside it.
        EXPECT_NE(planOf(*cn, "select xm from PJML where id=20").find("INTEGER PRIMARY KEY"), std::string::npos)
            << planOf(*cn, "select xm from PJML where id=20");
        EXPECT_EQ(test::scalar(*cn, "select count(*) from sqlite_master where name='sqlite_autoindex_PJML_1' "
                                    "or name='ix_kdw_sfjl_djbh' or name like 'fo_old%'").toInt(), 0);
        // The register reads each receipt's amounts from the fee records'
        // index, which has its statistics, and a counter's range of numbers
        // still finds them through an index.
        const std::string all = registerQuery("2016-01-01", "2026-12-31");
        EXPECT_NE(planOf(*cn, all).find("COVERING INDEX ix_kdw_sfjl_djbh_ysk_hkje"), std::string::npos) << planOf(*cn, all);
        EXPECT_EQ(test::scalar(*cn, "select count(*) from sqlite_stat1 where idx='ix_kdw_sfjl_djbh_ysk_hkje'").toInt(), 1);
        for (const char* table : {"PJML", "kdw_sfjl", "INandOutML"}) {
            const std::string range = std::string("select max(djbh) from ") + table + " where djbh>'SF0' and djbh<='SF3'";
            EXPECT_NE(planOf(*cn, range).find("USING COVERING INDEX ix_" + std::string(table) + "_djbh"),
                      std::string::npos)
                << planOf(*cn, range);
            EXPECT_EQ(test::scalar(*cn, range).toText(), "SF3");
        }
        // The office's indexes and triggers are back on the new tables.
        EXPECT_NE(planOf(*cn, "select id from PJML where xm='李二'").find("ix_office_PJML_xm"), std::string::npos);
        EXPECT_NE(planOf(*cn, "select je from kdw_sfjl where sfyf='202612'").find("ix_office_kdw_sfjl_sfyf_je"),
                  std::string::npos);
        cn->execute("insert into INandOutML(djbh,id,je,jzyf) values('SF4',4,10,'202612')");
        cn->execute("insert into PJMLmx(PjMLid,xmmc,je) values(40,'保育费',10)");
        EXPECT_EQ(test::firstColumn(*cn, "select id from kdw_sfjl where bz='已记账'"), std::vector<std::string>{"4"});
        EXPECT_EQ(test::firstColumn(*cn, "select id from PJML where rptbz='有明细'"), std::vector<std::string>{"40"});
    }
    test::TempDir dir;
    const std::string path = dir.file("v4.db");
    writeOlderDatabase(path, 4);
    openConnection(sqliteConnectionString(path))->execute("update PJML set id=20.5 where id=20");
    EXPECT_ANY_THROW(openFeeDatabase(sqliteConnectionString(path)));
    auto cn = openConnection(sqliteConnectionString(path));
    EXPECT_EQ(feeSchemaVersionOf(*cn), 4);
    EXPECT_EQ(test::scalar(*cn, "select count(*) from PJML").toInt(), 4);
    EXPECT_EQ(test::firstColumn(*cn, "select name from sqlite_master where name in('sqlite_autoindex_PJML_1',"
                                     "'ix_kdw_sfjl_djbh','ix_office_PJML_xm','v_office_receipts','tr_office_items') "
                                     "order by name"),
              (std::vector<std::string>{"ix_kdw_sfjl_djbh", "ix_office_PJML_xm", "sqlite_autoindex_PJML_1",
                                        "tr_office_items", "v_office_receipts"}));
}

// A version 6 database compares its dates as text: a table holding a number
// in a date column is made again keeping its rows; every other one keeps its
// pages, its rows as stored.
TEST_P(OlderSchemaUpgrade, AVersionSixDatabaseComparesItsDatesAsTextRemakingOnlyATableHoldingANumber) {
    test::TempDir dir;
    const std::string path = dir.file("v6.db");
    writeOlderDatabase(path, 6);
    const std::string receipts = "select id,djbh,pjState,bjmc,xsid,xh,xm,kprq,hjje,kpr,zfr from PJML order by id";
    const std::vector<std::string> registers = {registerQuery("2016-01-01", "2026-12-31"),
                                                registerQuery("2026-12-01", "2026-12-31")};
    // Another session, open throughout the upgrade.
    auto other = openConnection(sqliteConnectionString(path));
    ASSERT_EQ(storedTypeOfANumberDate(*other, 90), "real");
    // Another program wrote numbers: a Julian day with its time, one that is
    // no date, and a whole Julian day in the audit log, whose last entry was
    // removed.
    other->execute("update PJML set zfrq=2461011.25 where id=40");
    other->execute("update PJML set zfrq=20261206 where id=30");
    other->execute("insert into sys_log(id,logtime,operation) values(1,2461011.5,'作废'),"
                   "(2,'2026-12-02 08:00:00','登录'),(3,'2026-12-03 08:00:00','登录')");
    other->execute("delete from sys_log where id=3");
    // Everything but the receipts' void dates and their table's pages.
    const auto unchanged = [&](Connection& session) {
        std::vector<std::vector<std::string>> state{test::joinedRows(session, receipts), pages(session),
                                                    storedTexts(session)};
        for (const std::string& sql : registers) state.push_back(test::firstColumn(session, sql));
        const std::vector<std::vector<std::string>> rows = kept(session);
        for (std::size_t i : {1, 2, 5, 6, 7}) state.push_back(rows[i]);
        return state;
    };
    const auto before = unchanged(*other);
    const std::string receiptsPage = "select rootpage from sqlite_master where type='table' and name='PJML'";
    const Value receiptsPageBefore = test::scalar(*other, receiptsPage);

    auto cn = openFeeDatabase(sqliteConnectionString(path));
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    EXPECT_EQ(test::joinedRows(*cn, "select id,typeof(zfrq),zfrq from PJML order by id"),
              (std::vector<std::string>{"10|null|", "20|null|", "30|text|20261206", "40|text|2025-12-01 18:00:00"}));
    EXPECT_EQ(test::joinedRows(*cn, "select id,typeof(logtime),logtime from sys_log order by id"),
              (std::vector<std::string>{"1|text|2025-12-02", "2|text|2026-12-02 08:00:00"}));
    EXPECT_EQ(unchanged(*cn), before);
    // The receipts were made again.
    EXPECT_NE(test::scalar(*cn, receiptsPage), receiptsPageBefore);
    EXPECT_EQ(test::scalar(*cn, "pragma integrity_check").toText(), "ok");
    // Every date column declared as a new database declares it, and nothing
    // else changed.
    EXPECT_EQ(declaredTypes(*cn), declaredTypes(*createFeeDatabase(sqliteConnectionString(dir.file("new.db")))));
    // Both sessions now store what is written there as text, and read the
    // dates back as dates.
    EXPECT_EQ(storedTypeOfANumberDate(*cn, 91) + "/" + storedTypeOfANumberDate(*other, 92), "text/text");
    EXPECT_EQ(cn->execute("select kprq from PJML where id=10")->field(std::size_t{0}).kind(), Value::Kind::Date);
    // The audit log numbers on above the highest entry it ever had, and the
    // office's trigger writes to the new receipts table.
    cn->execute("insert into sys_log(logtime,operation) values('2026-12-07 09:00:00','登录')");
    EXPECT_EQ(test::scalar(*cn, "select max(id) from sys_log").toInt(), 4);
    cn->execute("insert into PJMLmx(PjMLid,xmmc,je) values(20,'保育费',120.5)");
    EXPECT_EQ(test::firstColumn(*cn, "select id from PJML where rptbz='有明细'"), std::vector<std::string>{"20"});
    // Opened again, there is nothing left to do.
    const std::int64_t schemaVersion = test::scalar(*cn, "pragma schema_version").toInt();
    cn.reset();
    EXPECT_EQ(test::scalar(*openFeeDatabase(sqliteConnectionString(path)), "pragma schema_version").toInt(),
              schemaVersion);
}

FO_INSTANTIATE_DIALECTS(OlderSchemaUpgrade);

}  // namespace
}  // namespace fo
