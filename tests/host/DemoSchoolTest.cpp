#include <gtest/gtest.h>

#include <stdexcept>

#include "host/demo/DemoSchool.h"
#include "host/demo/DemoSchoolBooks.h"
#include "host/ReferenceHost.h"
#include "host/HostTestSupport.h"

namespace fo::test {
namespace {

std::string scalarOf(Connection& cn, const std::string& sql) {
    auto rs = cn.execute(sql);
    return rs && !rs->eof() ? rs->field(0).toText() : std::string("<no row>");
}

// What a demo database holds, in a few numbers and texts that any change in
// the generated data moves.
std::string fingerprint(const std::string& path) {
    auto cn = openConnection(sqliteConnectionString(path));
    std::string out;
    for (const char* sql : {"select count(*) from kdw_xs", "select group_concat(xm,'') from kdw_xs",
                            "select count(*) from kdw_sfjl", "select sum(je) from kdw_sfjl", "select sum(jmje) from kdw_sfjl",
                            "select count(*) from qfhzb", "select sum(qfje) from qfhzb", "select count(*) from qfmxb",
                            "select count(*) from PJML", "select sum(hjje) from PJML", "select count(*) from INandOut",
                            "select group_concat(djbh,',') from kdw_sfjl", "select count(*) from xszhekou"})
        out += scalarOf(*cn, sql) + "|";
    return out;
}

class DemoSchoolFile : public ::testing::Test {
protected:
    std::string write(const std::string& name, DemoOptions options) {
        const std::string path = dir.file(name);
        writeDemoSchool(path, options);
        return path;
    }
    TempDir dir;
};

TEST_F(DemoSchoolFile, SameOptionsWriteTheSameSchoolAndAnotherSeedAnotherOne) {
    const DemoOptions options{40, 7, "2026-12-10"};
    const std::string first = fingerprint(write("a.db", options));
    EXPECT_EQ(first, fingerprint(write("b.db", options)));
    EXPECT_NE(first, fingerprint(write("c.db", DemoOptions{40, 8, "2026-12-10"})));
}

TEST_F(DemoSchoolFile, RefusesAnExistingFile) {
    const std::string path = write("a.db", DemoOptions{5, 1, "2026-10-03"});
    const std::string before = fingerprint(path);
    EXPECT_THROW(writeDemoSchool(path, DemoOptions{9, 2, "2026-10-03"}), std::runtime_error);
    EXPECT_EQ(fingerprint(path), before);
}

TEST_F(DemoSchoolFile, SeptemberOpensTheYearWithNothingCarriedOver) {
    const DemoSummary s = writeDemoSchool(dir.file("sep.db"), DemoOptions{20, 3, "2026-09-15"});
    EXPECT_EQ(s.openMonth, "202609");
    EXPECT_EQ(s.monthsCarriedOver, 0);
    EXPECT_EQ(s.arrearsRows, 0);
    EXPECT_GT(s.receipts, 0);
}

// One demo school written for the whole suite (it is only read).
class DemoSchoolData : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        path_ = dir_->file("demo.db");
        summary_ = writeDemoSchool(path_, DemoOptions{120, 1, "2027-03-18"});
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { cn = openConnection(sqliteConnectionString(path_)); }
    std::string scalar(const std::string& sql) { return scalarOf(*cn, sql); }

    static TempDir* dir_;
    static std::string path_;
    static DemoSummary summary_;
    ConnectionPtr cn;
};
TempDir* DemoSchoolData::dir_ = nullptr;
std::string DemoSchoolData::path_;
DemoSummary DemoSchoolData::summary_;

TEST_P(DemoSchoolData, OpenMonthIsTheMonthOfTodayAndEarlierMonthsAreCarriedOver) {
    ReferenceHost host(path_, GetParam());
    EXPECT_EQ(host.CurrentYf(), "202703");
    EXPECT_EQ(summary_.openMonth, "202703");
    EXPECT_EQ(summary_.monthsCarriedOver, 6);
    EXPECT_EQ(scalar("select group_concat(jzyf,',') from (select jzyf from hisxsinfo where xsid=0 order by jzyf)"),
              "202609,202610,202611,202612,202701,202702");
    EXPECT_EQ(scalar("select count(*) from ajzrq where fromdate is not null and todate is not null"), "12");
    EXPECT_EQ(scalar("select count(*) from termdate"), "2");
    EXPECT_EQ(scalar("select yearTag from kdw_year"), "2026年");
    EXPECT_EQ(scalar("select count(*) from kdw_xs"), "120");
    EXPECT_EQ(summary_.students, 120);
}

TEST_P(DemoSchoolData, EveryChargeHasItsReceiptAndJournalRow) {
    EXPECT_EQ(scalar("select count(*) from kdw_sfjl as a where left(a.djbh,2) in('SF','TF')"
                     " and not exists(select 1 from PJML as p where p.djbh=a.djbh and p.hjje=a.je)"), "0");
    EXPECT_EQ(scalar("select count(*) from kdw_sfjl as a where left(a.djbh,2) in('SF','TF')"
                     " and not exists(select 1 from INandOutML as j where j.id=a.id and j.djbh=a.djbh)"), "0");
    EXPECT_EQ(scalar("select count(*) from PJML as p where p.hjje<>(select sum(je) from PJMLmx where PjMLid=p.id)"), "0");
    EXPECT_EQ(scalar("select count(*) from INandOutML as j where j.je<>(select sum(addje-subje) from INandOut where num=j.id)"),
              "0");
    EXPECT_EQ(scalar("select count(*) from kdw_sfjl where ysfjlid is null"), "0");
    EXPECT_EQ(scalar("select count(*) from (select djbh from kdw_sfjl group by djbh having count(*)>1) as d"), "0");
}

TEST_P(DemoSchoolData, EveryMirrorNegatesItsSource) {
    EXPECT_NE(scalar("select count(*) from kdw_sfjl where left(djbh,4)='QXSF'"), "0");
    EXPECT_NE(scalar("select count(*) from kdw_sfjl where left(djbh,4)='QXJM'"), "0");
    EXPECT_EQ(scalar("select count(*) from kdw_sfjl as m inner join kdw_sfjl as s on s.id=m.ysfjlid"
                     " where m.ysfjlid<>0 and (m.je<>0-s.je or m.jmje<>0-s.jmje or m.hkje<>0-s.hkje or m.ssje<>0-s.ssje"
                     " or m.xsid<>s.xsid or m.sfyf<>s.sfyf)"), "0");
    EXPECT_EQ(scalar("select count(*) from kdw_sfjl as m where m.ysfjlid<>0 and (select sum(je)+sum(jmje) from kdw_sfjlmx"
                     " where sfjlid=m.id)<>0-(select sum(je)+sum(jmje) from kdw_sfjlmx where sfjlid=m.ysfjlid)"), "0");
    EXPECT_EQ(scalar("select count(*) from kdw_sfjl as m where left(m.djbh,4)='QXSF' and not exists(select 1 from"
                     " INandOutML as j where j.id=m.id and j.yjlid=m.ysfjlid and j.zy='取消收费')"), "0");
    EXPECT_EQ(scalar("select count(*) from PJML as p inner join kdw_sfjl as s on s.djbh=p.djbh"
                     " where s.id in(select ysfjlid from kdw_sfjl) and p.pjState<>'作废'"), "0");
}

TEST_P(DemoSchoolData, ArrearsAreConsistentAndPointToTheRecordsThatSettledThem) {
    EXPECT_EQ(scalar("select count(*) from qfhzb where fkrq is not null and not ("
                     "(sfjlid<>0 and sfjlid in(select id from kdw_sfjl where left(djbh,2)='SF'))"
                     " or (jmjlid<>0 and jmjlid in(select id from kdw_sfjl where left(djbh,2)='JM')))"), "0");
    EXPECT_EQ(scalar("select count(*) from qfhzb as h where h.qfje<>(select sum(qfje) from qfmxb where qfkid=h.qfkid)"), "0");
    EXPECT_EQ(scalar("select count(*) from qfhzb as h where h.fkrq is not null and h.yqfkid=0"
                     " and h.fkje+h.jmje<>h.qfje and not exists(select 1 from qfhzb as r where r.yqfkid=h.qfkid)"), "0");
    EXPECT_NE(scalar("select count(*) from qfhzb where yqfkid<>0"), "0");   // some paid in part
    EXPECT_NE(scalar("select count(*) from qfhzb where jmjlid<>0"), "0");   // some reduced
    EXPECT_NE(scalar("select count(*) from qfhzb where fkrq is null"), "0");
    EXPECT_EQ(scalar("select count(*) from qfhzb where qfyf not in(select yf from ajzrq where yf<'202703')"
                     " and qfyf not in('2026上','2026下','2026年','一次性')"), "0");
}

TEST_P(DemoSchoolData, PrepaymentsBalanceAndWereUsed) {
    EXPECT_NE(scalar("select count(*) from kdw_sfjl where left(djbh,3)='YSK'"), "0");
    EXPECT_NE(scalar("select count(*) from kdw_sfjl where hkje>0"), "0");
    EXPECT_EQ(scalar("select count(*) from kdw_xs as x where x.ysk<0 or x.ysk<>coalesce((select sum(ysk) from"
                     " XS_SFXM_YSK where xsid=x.id),0)"), "0");
    EXPECT_EQ(scalar("select sum(ysk) from kdw_xs"),
              scalar("select sum(ysk)-(select sum(hkje) from kdw_sfjl) from kdw_sfjl where left(djbh,3)='YSK'"));
}

TEST_P(DemoSchoolData, HostCountersContinueAboveTheDemoRows) {
    ReferenceHost host(path_, GetParam());
    const long maxId = std::stol(scalar("select max(id) from kdw_sfjl"));
    EXPECT_GT(std::stol(host.pGetMaxId("INandOutML")), maxId);
    EXPECT_GT(std::stol(host.pGetMaxId("qfhzb")), std::stol(scalar("select max(qfkid) from qfhzb")));
}

FO_BOTH_DIALECTS(DemoSchoolData);

TEST(AmountInWords, WritesChineseCapitalNumerals) {
    auto words = [](const char* text) { return demo::amountInWords(*Currency::parse(text)); };
    EXPECT_EQ(words("0"), "零元整");
    EXPECT_EQ(words("800"), "捌佰元整");
    EXPECT_EQ(words("1234.5"), "壹仟贰佰叁拾肆元伍角");
    EXPECT_EQ(words("1005.07"), "壹仟零伍元零柒分");
    EXPECT_EQ(words("10000"), "壹万元整");
    EXPECT_EQ(words("10050000"), "壹仟零伍万元整");
    EXPECT_EQ(words("100000001"), "壹亿零壹元整");
    EXPECT_EQ(words("0.25"), "贰角伍分");
    EXPECT_EQ(words("-323.95"), "负叁佰贰拾叁元玖角伍分");
}

}  // namespace
}  // namespace fo::test
