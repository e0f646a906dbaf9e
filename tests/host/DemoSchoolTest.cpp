#include <gtest/gtest.h>

#include <filesystem>

#include "db/DbError.h"
#include "host/database/FeeDatabaseCopy.h"
#include "host/demo/DemoSchool.h"
#include "host/demo/DemoSchoolBooks.h"
#include "host/ReferenceHost.h"
#include "host/HostTestSupport.h"
#include "support/FullDisk.h"
#include "support/Query.h"

namespace fo::test {
namespace {

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
        out += scalar(*cn, sql).toText() + "|";
    return out;
}

// A demo school or a copy that cannot be written whole leaves nothing under
// its name (a retry would refuse it as existing), nor its temporary file.
TEST(DemoSchoolFile, ANewFileThatCannotBeWrittenLeavesNothingAndADemoHoldsEveryKindOfRecordWithTotalsThatAgree) {
    TempDir dir;
    const DemoOptions options{5, 1, "2026-12-06"};
    const std::string source = dir.file("source.db");
    writeDemoSchool(source, options);
    const std::string demo = dir.file("demo.db"), copy = dir.file("copy.db");
    const auto leftBehind = [](const std::string& path) {
        std::string out;
        for (const char* suffix : {"", "-wal", ".counters", ".part", ".part-wal", ".part.counters"})
            if (std::filesystem::exists(path + suffix)) out += path + suffix + " ";
        return out;
    };
    {
        FullDisk full;
        EXPECT_THROW(writeDemoSchool(demo, options), DbError);
        EXPECT_THROW(copyFeeDatabase(source, copy), DbError);
    }
    EXPECT_EQ(leftBehind(demo) + leftBehind(copy), "");
    writeDemoSchool(demo, options);
    EXPECT_TRUE(copyFeeDatabase(source, copy).sound());
    EXPECT_EQ(fingerprint(demo), fingerprint(source));
    EXPECT_EQ(fingerprint(copy), fingerprint(source));
    EXPECT_FALSE(std::filesystem::exists(copy + ".part"));

    // What a demo school of a March holds: every kind of record the windows
    // work on, receipts and journal rows that add up, balances that agree. (The
    // books check reads its mirrors, arrears, balances and counters on every engine.)
    const DemoSummary summary = writeDemoSchool(dir.file("march.db"), DemoOptions{120, 1, "2027-03-18"});
    auto cn = openConnection(sqliteConnectionString(dir.file("march.db")));
    const auto text = [&](const std::string& sql) { return scalar(*cn, sql).toText(); };
    EXPECT_EQ(ReferenceHost(dir.file("march.db")).CurrentYf() + "|" + summary.openMonth + "|" +
                  std::to_string(summary.monthsCarriedOver) + "|" + std::to_string(summary.students),
              "202703|202703|6|120");
    EXPECT_EQ(text("select group_concat(jzyf,',') from (select jzyf from hisxsinfo where xsid=0 order by jzyf)"),
              "202609,202610,202611,202612,202701,202702");
    EXPECT_EQ(text("select (select count(*) from ajzrq where fromdate is not null and todate is not null)||'|'||"
                   "(select count(*) from termdate)||'|'||(select count(*) from kdw_xs)"),
              "12|2|120");
    // Cancelled charges and reductions, prepayments, transfers, arrears paid
    // in part, reduced and still open.
    for (const char* some : {"select count(*) from kdw_sfjl where left(djbh,4)='QXSF'",
                             "select count(*) from kdw_sfjl where left(djbh,4)='QXJM'",
                             "select count(*) from kdw_sfjl where left(djbh,3)='YSK'",
                             "select count(*) from kdw_sfjl where hkje>0", "select count(*) from qfhzb where yqfkid<>0",
                             "select count(*) from qfhzb where jmjlid<>0", "select count(*) from qfhzb where fkrq is null"})
        EXPECT_NE(text(some), "0") << some;
    for (const char* none : {
             "select count(*) from kdw_sfjl as a where left(a.djbh,2) in('SF','TF')"
             " and not exists(select 1 from PJML as p where p.djbh=a.djbh and p.hjje=a.je)",
             "select count(*) from kdw_sfjl as a where left(a.djbh,2) in('SF','TF')"
             " and not exists(select 1 from INandOutML as j where j.id=a.id and j.djbh=a.djbh)",
             "select count(*) from PJML as p where p.hjje<>(select sum(je) from PJMLmx where PjMLid=p.id)",
             "select count(*) from INandOutML as j where j.je<>(select sum(addje-subje) from INandOut where num=j.id)",
             "select count(*) from qfhzb where qfyf not in(select yf from ajzrq where yf<'202703')"
             " and qfyf not in('2026上','2026下','2026年','一次性')",
             "select count(*) from kdw_xs as x where x.ysk<0 or x.ysk<>coalesce((select sum(ysk) from"
             " XS_SFXM_YSK where xsid=x.id),0)"})
        EXPECT_EQ(text(none), "0") << none;
}

TEST(AmountInWords, WritesChineseCapitalNumerals) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "零元整"}, {"800", "捌佰元整"}, {"1234.5", "壹仟贰佰叁拾肆元伍角"}, {"1005.07", "壹仟零伍元零柒分"},
        {"10000", "壹万元整"}, {"10050000", "壹仟零伍万元整"}, {"100000001", "壹亿零壹元整"}, {"0.25", "贰角伍分"},
        {"-323.95", "负叁佰贰拾叁元玖角伍分"}};
    for (const auto& [amount, words] : cases) EXPECT_EQ(demo::amountInWords(*Currency::parse(amount)), words) << amount;
}

}  // namespace
}  // namespace fo::test
