#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "data/FeeSchema.h"
#include "db/values/Currency.h"
#include "support/Dialects.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "support/TempFeeDb.h"

namespace fo {
namespace {

using test::TempFeeDb;

TEST(FeeSchema, ViewGivesEveryStudentAsHisOwnPayerWithClassAndChargeTypeNames) {
    TempFeeDb db;
    auto cn = db.open();
    cn->execute("insert into kdw_bj(id,mc) values(3,'大一班')");
    cn->execute("insert into kdw_sflx(id,mc,sfxmid,je) values(7,'全托',1,300)");
    cn->execute("insert into kdw_sflx(id,mc,sfxmid,je) values(7,'全托',2,50)");
    cn->execute(
        "insert into kdw_xs(id,xh,xm,jm,sex,bjid,sflxid,lb1,fqxm,mqxm,ysk,rxsj) values"
        "(11,'2024001','王小明','wxm','男',3,7,4,'王大','李红',12.5,'2024-09-01')");

    // One row although the charge type has two items.
    auto rs = cn->execute(
        "select id,学号,付款人代码,姓名,班级,父亲姓名,母亲姓名,收费类型,预收款,简码,入学时间,"
        "sflxid,bjid,lb1,del,inttx,性别 from vxsxx where 付款人代码=学号");
    ASSERT_EQ(rs->recordCount(), 1);
    std::vector<std::string> row;
    for (std::size_t i = 0; i < rs->fieldCount(); ++i) row.push_back(rs->field(i).toText());
    EXPECT_EQ(row, (std::vector<std::string>{"11", "2024001", "2024001", "王小明", "大一班", "王大", "李红", "全托",
                                             "12.5", "wxm", "2024-09-01", "7", "3", "4", "0", "0", "男"}));
}

TEST(FeeDatabase, SchemaOnAnOpenTransactionJoinsItAndRollsBackWithIt) {
    test::TempDir dir;
    auto cn = createDatabase(sqliteConnectionString(dir.file("fee.db")));
    cn->beginTrans();
    createFeeSchema(*cn);
    EXPECT_TRUE(cn->inTransaction());
    cn->rollbackTrans();
    EXPECT_ANY_THROW(cn->execute("select id from kdw_sfjl"));
}

// Inserts the module leaves amounts out of, and the mirrors built from them.
class FeeSchemaDefaults : public test::DialectTest {};

// A reduction names only its own amounts: the others are zero, so a mirror
// that negates every column negates them too (0-null would be null). The
// cancellation link a host's charge insert may leave out is zero too, so the
// record stays live; it is never null. Arrears rows omitting their
// settlement columns stay open and unlinked.
TEST_P(FeeSchemaDefaults, AmountsLinksAndSettlementsARowLeavesOutAreZeroOrOpen) {
    TempFeeDb db;
    auto cn = db.open();
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,jmje) values(10,'JM0001',1,35.55)");
    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,jmje) values(10,1,35.55)");
    EXPECT_ANY_THROW(cn->execute("insert into kdw_sfjl(id,djbh,ysfjlid) values(3,'X',null)"));
    for (const std::string column : {"je", "tzje", "zhekou", "scjy", "hkje", "ssje", "ysk", "ysfjlid"})
        EXPECT_EQ(test::scalar(*cn, "select count(*) from kdw_sfjl where " + column + "=0").toInt(), 1) << column;
    for (const std::string column : {"je", "ysje", "ye", "ysk"})
        EXPECT_EQ(test::scalar(*cn, "select count(*) from kdw_sfjlmx where " + column + "=0").toInt(), 1) << column;
    cn->execute(
        "insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,yqfkid,userid,cqts,qjts,jmje)"
        "values(5,'202403',1,'2024-03-01',150.5,0,0,0,1,0,0,0)");
    cn->execute("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje) values(5,1,1,1,150.5)");
    auto rs = cn->execute("select fkrq,jmjlid,sfjlid from qfhzb where qfkid=5 and " +
                          nullToZero(sqlServer(), "jmjlid") + "=0 and fkrq is null");
    ASSERT_TRUE(rs && !rs->eof());
    EXPECT_TRUE(rs->field("fkrq").isNull());
    EXPECT_EQ(rs->field("jmjlid").toInt(), 0);
    EXPECT_EQ(rs->field("sfjlid").toInt(), 0);
    // The remainder copy selects items "where fkje<qfje": an omitted fkje must count as 0.
    EXPECT_EQ(test::firstColumn(*cn, "select qfkid from qfmxb where qfkid=5 and fkje<qfje"),
              std::vector<std::string>{"5"});
    EXPECT_TRUE(test::scalar(*cn, "select jmje from qfmxb where qfkid=5").toCurrency().isZero());
}

// (Document numbers compare byte for byte: the upgrades' tests read them so
// on the tables the upgrade made anew.)
TEST_P(FeeSchemaDefaults, TextComparesCaseInsensitivelyAsOnTheServerAndOnlyLiveRecordsAreLive) {
    TempFeeDb db;
    auto cn = db.open();
    cn->execute("insert into kdw_bj(id,mc) values(3,'Class A')");
    cn->execute("insert into kdw_xs(id,xh,xm,jm,bjid) values(11,'A2024001','Wang Xz','XZ',3)");
    // 1 live with its link omitted, 2 cancelled by its mirror 3.
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,je) values(1,'JM202612060001',11,0)");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,ysfjlid) values(2,'JM2',11,0),(3,'JM3',11,2)");
    const std::string search = "select a.id from kdw_xs as a where ";
    for (const std::string condition :
         {"a.jm='xz'", "a.jm in('xz','yy')", "a.jm like 'x%'", "a.xh='a2024001'", "a.xm like '%XZ'"})
        EXPECT_EQ(test::firstColumn(*cn, search + condition), std::vector<std::string>{"11"}) << condition;
    EXPECT_EQ(test::firstColumn(*cn, "select id from vxsxx where 简码='xz' and 班级='class a'"),
              std::vector<std::string>{"11"});
    EXPECT_EQ(test::firstColumn(*cn, "select a.id from kdw_sfjl as a where a.djbh like 'jm%' and " +
                                         liveRecordCondition(sqlServer())),
              std::vector<std::string>{"1"});
}

FO_INSTANTIATE_DIALECTS(FeeSchemaDefaults);

}  // namespace
}  // namespace fo
