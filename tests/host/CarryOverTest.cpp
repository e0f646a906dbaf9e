#include <gtest/gtest.h>

#include <stdexcept>

#include "host/fees/CarryOver.h"
#include "host/ReferenceHost.h"
#include "host/DuesTestOffice.h"

namespace fo::test {
namespace {

class CarryOver : public DuesOfficeTest {
protected:
    std::string count(const std::string& table, const std::string& where = "1=1") {
        return scalar("select count(*) from " + table + " where " + where);
    }
};

TEST_P(CarryOver, TurnsUnpaidDuesIntoOpenArrearsOpensTheNextMonthAndRefusesAnyButTheOpenOne) {
    ReferenceHost host(dbPath, dialect());
    exec("insert into xszhekou(xsid,xmid,zhekou) values(2,2,50)");
    addRecord(10, "SF", 1, "202609", 1, "800");   // tuition paid in full
    addRecord(11, "SF", 1, "202609", 2, "41");    // board partly paid
    addRecord(12, "JM", 1, "202609", 5, "0", "200");  // registration reduced away
    addArrears(500, 1, "202508", {{1, "10"}}, "2026-08-31");  // an old row, settled: ids continue above it
    ASSERT_EQ(host.CurrentYf(), "202609");

    carryOverMonth(*cn, host, "202609");

    EXPECT_EQ(host.CurrentYf(), "202610");
    EXPECT_EQ(count("hisxsinfo", "xsid=0 and jzyf='202609'"), "1");
    // Student 1: 300 board; 300 books; 100 insurance. Student 2: 800 + 170.5
    // board at half; 300; 100; 200. Student 3 as 2 without the discount.
    auto rs = cn->execute("select xsid,qfyf,qfje,sjqfje,fkje,jmje,jmjlid,sfjlid,yqfkid,userid,qfrq from qfhzb"
                          " where fkrq is null order by xsid,qfyf");
    std::map<std::pair<int, std::string>, std::string> headers;
    for (; rs && !rs->eof(); rs->moveNext()) {
        EXPECT_EQ(rs->field("qfje").toCurrency(), rs->field("sjqfje").toCurrency());
        for (const char* zero : {"fkje", "jmje", "jmjlid", "sfjlid", "yqfkid"})
            EXPECT_EQ(rs->field(zero).toCurrency(), Currency()) << zero;
        EXPECT_EQ(rs->field("userid").toText(), host.gUserid());
        EXPECT_EQ(rs->field("qfrq").toDate()->dateText(), "2026-09-30");
        headers[{static_cast<int>(rs->field("xsid").toInt()), rs->field("qfyf").toText()}] =
            rs->field("qfje").toCurrency().format00();
    }
    const std::map<std::pair<int, std::string>, std::string> expected = {
        {{1, "202609"}, "300.00"}, {{1, "2026上"}, "300.00"}, {{1, "2026年"}, "100.00"},
        {{2, "202609"}, "970.50"}, {{2, "2026上"}, "300.00"}, {{2, "2026年"}, "100.00"}, {{2, "一次性"}, "200.00"},
        {{3, "202609"}, "1141.00"}, {{3, "2026上"}, "300.00"}, {{3, "2026年"}, "100.00"}, {{3, "一次性"}, "200.00"},
    };
    EXPECT_EQ(headers, expected);
    // Their ids come from the host's counter.
    EXPECT_EQ(scalar("select min(qfkid) from qfhzb where qfkid<>500"), "501");
    EXPECT_EQ(scalar("select max(qfkid) from qfhzb"), "511");
    EXPECT_EQ(host.pGetMaxId("qfhzb"), "512");
    // Every item carries the student's charge type; the item not counted in
    // arrears (兴趣班) is left out (their sums: the books check's).
    EXPECT_EQ(count("qfmxb", "sflxid<>1 or fkje<>0 or jmje<>0 or sfxmid=6"), "0");
    EXPECT_EQ(count("qfmxb", "qfkid<>500"), "13");
    EXPECT_EQ(scalar("select qfje from qfmxb where xsid=2 and sfxmid=2"), "170.5");

    // A month that is not the open one, or has no dates, is refused whole.
    const auto refusal = [&](const std::string& yf) {
        const std::string before = count("qfhzb") + "|" + count("hisxsinfo");
        try {
            carryOverMonth(*cn, host, yf);
            ADD_FAILURE() << yf << " was carried over";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(count("qfhzb") + "|" + count("hisxsinfo"), before) << yf;
            EXPECT_FALSE(cn->inTransaction());
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_NE(refusal("202611").find("不是当前未结转的月份"), std::string::npos);
    for (const char* yf : {"202610", "202611", "202612"}) carryOverMonth(*cn, host, yf);
    EXPECT_NE(refusal("202701").find("没有设置起止日期"), std::string::npos);
}

FO_INSTANTIATE_DIALECTS(CarryOver);

}  // namespace
}  // namespace fo::test
