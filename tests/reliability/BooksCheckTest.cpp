// The books check on every engine: the demo school checks clean, with the
// host's counters drawn; each kind of damage made by hand to its rows is
// reported, naming the rows.
#include <gtest/gtest.h>

#include "host/ReferenceHost.h"
#include "reliability/Books.h"
#include "support/Query.h"

namespace fo::test {
namespace {

class BooksCheckTest : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        locator = booksEngines()[GetParam()].demoOffice(dir);
        host = std::make_unique<ReferenceHost>(locator);
        cn = host->pGetCN();
    }
    std::string text(const std::string& sql) { return scalar(*cn, sql).toText(); }
    // Whether a fault of `code` was reported whose text names `row`.
    static bool reported(const std::vector<BooksFault>& faults, const std::string& code, const std::string& row) {
        for (const BooksFault& f : faults)
            if (f.code == code && f.text.find(row) != std::string::npos) return true;
        return false;
    }

    TempDir dir;
    std::string locator;
    std::unique_ptr<ReferenceHost> host;
    ConnectionPtr cn;
};

TEST_P(BooksCheckTest, TheDemoSchoolChecksCleanWithItsCountersDrawn) {
    host->pGetMaxId("INandOutML");
    host->pGetMaxId("qfhzb");
    host->pGetBillNum("JM");
    ASSERT_GE(host->counters()->readings().size(), 3u);
    const auto faults = checkBooksAt(locator);
    EXPECT_TRUE(faults.empty()) << describe(faults);
}

TEST_P(BooksCheckTest, EachDamageMadeByHandIsReportedByItsRows) {
    // A reduction's mirror one yuan short.
    const std::string mirror = text("select min(djbh) from kdw_sfjl where djbh like 'QXJM%'");
    cn->execute("update kdw_sfjl set jmje=jmje+1 where djbh='" + mirror + "'");
    // A live reduction whose items add up to more than the record.
    const std::string reduction =
        text("select min(a.djbh) from kdw_sfjl a where a.djbh like 'JM%' and a.id not in(select ysfjlid from kdw_sfjl)");
    cn->execute("update kdw_sfjlmx set jmje=jmje+5 where sfjlid=(select id from kdw_sfjl where djbh='" + reduction +
                "') and sfxmid=(select min(sfxmid) from kdw_sfjlmx where sfjlid=(select id from kdw_sfjl where djbh='" +
                reduction + "'))");
    // A remainder whose row was reopened under it.
    const std::string remainder = text("select min(r.qfkid) from qfhzb r inner join qfhzb p on p.qfkid=r.yqfkid");
    cn->execute("update qfhzb set fkrq=null,sfjlid=0,fkje=0 where qfkid=(select yqfkid from qfhzb where qfkid=" +
                remainder + ")");
    // A row still closed by a reduction that was cancelled.
    const std::string closed = text("select min(q.qfkid) from qfhzb q where q.jmjlid<>0");
    const std::string closer = text("select jmjlid from qfhzb where qfkid=" + closed);
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,jmje,ysfjlid) select 900001,'QXJM209901010001',xsid,0-jmje,id"
                " from kdw_sfjl where id=" + closer);
    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,jmje) select 900001,sfxmid,0-jmje from kdw_sfjlmx where sfjlid=" +
                closer);
    // Arrears written past the counters.
    const long drawn = std::stol(host->pGetMaxId("qfhzb"));
    cn->execute("insert into qfhzb(qfkid,qfyf,xsid,qfje) values(" + std::to_string(drawn + 10) + ",'202612',7,10)");
    cn->execute("insert into qfmxb(qfkid,xsid,sfxmid,qfje) values(" + std::to_string(drawn + 10) + ",7,1,10)");
    // A voided receipt whose charge still stands.
    const std::string bill = text("select min(p.djbh) from PJML p inner join kdw_sfjl a on a.djbh=p.djbh where"
                                  " a.id not in(select ysfjlid from kdw_sfjl) and coalesce(p.pjState,'')=''");
    cn->execute("update PJML set pjState='作废' where djbh='" + bill + "'");

    const auto faults = checkBooksAt(locator);
    EXPECT_TRUE(reported(faults, "mirror-amount", mirror)) << describe(faults);
    EXPECT_TRUE(reported(faults, "record-items", reduction)) << describe(faults);
    EXPECT_TRUE(reported(faults, "remainder-orphan", "余欠行 欠费 " + remainder)) << describe(faults);
    EXPECT_TRUE(reported(faults, "arrears-cancelled-closer", "欠费 " + closed)) << describe(faults);
    EXPECT_TRUE(reported(faults, "counter-behind", "qfhzb")) << describe(faults);
    EXPECT_TRUE(reported(faults, "void-live", bill)) << describe(faults);
    for (const BooksFault& f : faults) EXPECT_FALSE(looksEnglish(f.text)) << f.text;
}

TEST_P(BooksCheckTest, PartialPostingsAreFound) {
    // A reduction that closed its row and left the rest unowed; a mirror
    // written twice; items whose record is gone; a remainder owing too much.
    const std::string partly = text("select min(p.qfkid) from qfhzb p inner join qfhzb r on r.yqfkid=p.qfkid");
    const std::string rest = text("select qfkid from qfhzb where yqfkid=" + partly);
    cn->execute("update qfhzb set qfje=qfje+1 where qfkid=" + rest);
    const std::string twice = text("select min(ysfjlid) from kdw_sfjl where djbh like 'QXJM%'");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,jmje,ysfjlid) select 900002,'QXJM209901010002',xsid,jmje,ysfjlid"
                " from kdw_sfjl where ysfjlid=" + twice);
    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,jmje) values(900003,1,10)");
    const std::string whole = text("select min(q.qfkid) from qfhzb q where q.jmjlid<>0 and q.qfkid not in"
                                   "(select yqfkid from qfhzb)");
    cn->execute("update qfhzb set jmje=jmje-1 where qfkid=" + whole);

    const auto faults = checkBooksAt(locator);
    EXPECT_TRUE(reported(faults, "remainder-amount", "余欠行 欠费 " + rest)) << describe(faults);
    EXPECT_TRUE(reported(faults, "mirror-twice", "QXJM209901010002")) << describe(faults);
    EXPECT_TRUE(reported(faults, "items-orphan", "900003")) << describe(faults);
    EXPECT_TRUE(reported(faults, "remainder-missing", "欠费 " + whole)) << describe(faults);
}

INSTANTIATE_TEST_SUITE_P(Engines, BooksCheckTest, ::testing::Range<std::size_t>(0, booksEngines().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) { return booksEngines()[info.param].name; });

}  // namespace
}  // namespace fo::test
