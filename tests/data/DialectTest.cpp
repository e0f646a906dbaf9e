#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "db/values/Currency.h"
#include "db/values/DateTime.h"
#include "support/Dialects.h"
#include "support/Query.h"
#include "support/TempFeeDb.h"

namespace fo {
namespace {

using test::TempFeeDb;
using Texts = std::vector<std::string>;

// Both forms of each pair, run on the same data, select the same rows.
class DialectOnData : public test::DialectTest {
protected:
    void SetUp() override { cn = db.open(); }
    Texts ids(const std::string& sql) { return test::firstColumn(*cn, sql); }

    TempFeeDb db;
    ConnectionPtr cn;
};

TEST_P(DialectOnData, AmountFormsSumCapAndKeepBalancesExactly) {
    Value none =
        test::scalar(*cn, "select " + sumOrZero(sqlServer(), "ysk") + " as yskJe from kdw_sfjlmx where sfjlid=99");
    EXPECT_FALSE(none.isNull());
    EXPECT_TRUE(none.toCurrency().isZero());

    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,ysk) values(1,1,0.1),(1,1,0.2),(1,2,5)");
    auto rs = cn->execute("select sfxmid," + sumOrZero(sqlServer(), "ysk") +
                          " as yskJe from kdw_sfjlmx where sfjlid=1 group by sfxmid order by sfxmid");
    ASSERT_TRUE(rs && !rs->eof());
    EXPECT_EQ(rs->field("yskJe").toCurrency(), Currency::fromRaw(3000));  // 0.3 exactly
    rs->moveNext();
    EXPECT_EQ(rs->field("yskJe").toCurrency(), Currency::fromInt(5));

    // The smaller of two caps a reduction at the amount owed.
    cn->execute("insert into qfmxb(qfkid,xsid,sfxmid,qfje,jmje) values(1,1,1,100,30),(1,1,2,50,80),(1,1,3,20,20)");
    rs = cn->execute("select sum(" + smallerOf(sqlServer(), "jmje", "qfje") +
                     "),sum(qfje) from qfmxb  where qfkid=1 and xsid=1");
    ASSERT_TRUE(rs && !rs->eof());
    EXPECT_EQ(rs->field(std::size_t{0}).toCurrency(), Currency::fromInt(100));  // 30 + 50 + 20
    EXPECT_EQ(rs->field(std::size_t{1}).toCurrency(), Currency::fromInt(170));
    // A null amount or link counts as zero in either form: nothing owed, an
    // ordinary record.
    cn->execute("create table legacy(id int, qfje money, ysfjlid int)");
    cn->execute("insert into legacy values(1,null,null),(2,0,0),(3,25.5,2),(4,-3,0)");
    EXPECT_EQ(ids("select id from legacy where " + nullToZero(sqlServer(), "qfje") + ">0"), Texts{"3"});
    EXPECT_EQ(ids("select id from legacy where " + nullToZero(sqlServer(), "qfje") + "=0 order by id"),
              (Texts{"1", "2"}));
    EXPECT_EQ(ids("select a.id from legacy as a where " + nullToZeroIsNullForm(sqlServer(), "a.ysfjlid") +
                  "=0 order by a.id"),
              (Texts{"1", "2", "4"}));

    // A balance adds and subtracts exactly.
    cn->execute("insert into kdw_xs(id,xh,xm,ysk) values(1,'1','甲',100.1)");
    cn->execute("update kdw_xs set " + roundedBalance(sqlServer(), "ysk", "0.2") + " where id=1");
    cn->execute("update kdw_xs set " + roundedBalance(sqlServer(), "ysk", "50.05", '-') + " where id=1");
    EXPECT_EQ(test::scalar(*cn, "select ysk from kdw_xs where id=1").toCurrency(),
              Currency::fromRaw(502500));  // 100.1 + 0.2 - 50.05
}

TEST_P(DialectOnData, StoredNowLandsOnTodayAndSettlesTheRow) {
    cn->execute("insert into qfhzb(qfkid,qfyf,xsid,qfje) values(1,'202403',1,10)");
    const DateTime now = DateTime::now();
    cn->execute("update qfhzb set jmje=10,jmjlid=5,fkrq=" + storedNowFormatted(sqlServer(), now) +
                " where qfkid=1 and xsid=1");
    Value fkrq = test::scalar(*cn, "select fkrq from qfhzb where qfkid=1");
    ASSERT_TRUE(fkrq.toDate()) << fkrq.toText();
    EXPECT_EQ(fkrq.toDate()->dateText(), now.dateText());
    EXPECT_TRUE(ids("select qfkid from qfhzb where fkrq is null").empty());

    cn->execute("insert into PJML(id,djbh) values(1,'SF1')");
    cn->execute("update PJML set zfrq=" + storedNow(sqlServer(), now) + " where id=1");
    Value zfrq = test::scalar(*cn, "select zfrq from PJML where id=1");
    ASSERT_TRUE(zfrq.toDate()) << zfrq.toText();
    EXPECT_EQ(zfrq.toDate()->dateText(), now.dateText());
}

FO_INSTANTIATE_DIALECTS(DialectOnData);

}  // namespace
}  // namespace fo
