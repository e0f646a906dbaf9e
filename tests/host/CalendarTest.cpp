#include <gtest/gtest.h>

#include "HostTestSupport.h"
#include "host/fees/Calendar.h"
#include "host/fees/FeePeriod.h"
#include "host/ReferenceHost.h"

namespace fo {
namespace {

// A school year 2026 (September to August) with two terms; September is
// carried over, October was never given dates, November is the first open
// month. One month's dates are stored with a time of day, as some tools
// write them.
class CalendarTest : public test::FeeDbTest {
protected:
    void SetUp() override {
        exec("insert into kdw_year(yearMc,dateFrom,dateTo,yearTag) values('2026-2027学年','2026-09-01','2027-08-31','2026年')");
        exec("insert into termdate(yearname,termName,yffromDate,yftoDate,termTag) values"
             "('2026年','上学期','2026-09-01','2027-01-31','2026上'),('2026年','下学期','2027-02-01','2027-08-31','2026下')");
        exec("insert into ajzrq(yf,fromdate,todate,jfmc) values('202609','2026-09-01','2026-09-30','2026年9月'),"
             "('202610',null,null,'2026年10月'),('202611','2026-11-01 00:00:00','2026-11-30 00:00:00','2026年11月'),"
             "('202612','2026-12-01','2026-12-31','2026年12月'),('202702','2027-02-01','2027-02-28','2027年2月')");
        // A student's own history row (17) is not a carry-over of the month.
        exec("insert into hisxsinfo(xsid,jzyf) values(0,'202609'),(17,'202611')");
        host = std::make_shared<ReferenceHost>(dbPath, dialect());
    }

    std::shared_ptr<ReferenceHost> host;
};

// The period object finds the month of a date; a month key resolves to its
// dates and to the term and year that hold it; what it cannot resolve is
// cleared, never left from the month before.
TEST_P(CalendarTest, PeriodObjectResolvesMonthTermAndYearAndTheCurrentMonthSkipsCarriedOverAndDatelessMonths) {
    auto period = host->pFindJzDate();
    EXPECT_EQ(period->getYfFromDate("2026-11-15"), "202611");
    EXPECT_EQ(period->getYfFromDate("2026-11-30"), "202611");  // last day, stored with a time
    EXPECT_EQ(period->getYfFromDate("2026-12-01 09:30:00"), "202612");
    EXPECT_EQ(period->getYfFromDate("2026-10-12"), "");  // October has no dates
    EXPECT_EQ(period->getYfFromDate("2027-01-10"), "");  // no January row
    EXPECT_EQ(host->pFindJzDate(), period);  // one period object per host
    exec("insert into ajzrq(yf,fromdate,todate,jfmc) values('202509','2025-09-01','2025-09-30','2025年9月')");
    using Texts = std::vector<std::string>;
    const std::pair<const char*, Texts> cases[] = {
        {"202612", {"202612", "2026-12-01", "2026-12-31", "2026上", "2026-09-01", "2027-01-31", "2026年"}},
        {"202610", {"202610", "", "", "", "", "", ""}},  // no dates: only its key
        {"202702", {"202702", "2027-02-01", "2027-02-28", "2026下", "2027-02-01", "2027-08-31", "2026年"}},
        {"209912", {"", "", "", "", "", "", ""}},  // unknown
        {"202509", {"202509", "2025-09-01", "2025-09-30", "", "", "", ""}},  // outside every term and year
    };
    for (const auto& [yf, expected] : cases) {
        period->setDdateFromYF(yf);
        EXPECT_EQ((Texts{period->monthQf(), period->monthQFdateF(), period->monthQFdateT(), period->termTag(),
                         period->termQFdateF(), period->termQFdateT(), period->yearTag()}),
                  expected)
            << yf;
    }

    // The current month skips carried-over and dateless months as the calendar reads them.
    exec("delete from ajzrq where yf='202509'");
    Calendar cal = host->calendar();
    auto months = cal.months();
    ASSERT_EQ(months.size(), 5u);
    EXPECT_FALSE(months[1].usable());
    EXPECT_EQ(months[2].fromDate, "2026-11-01");  // the time of day is dropped
    EXPECT_TRUE(cal.isCarriedOver("202609"));
    EXPECT_FALSE(cal.isCarriedOver("202611"));
    EXPECT_EQ(host->CurrentYf() + "|" + host->currentYfFromDate(), "202611|2026-11-01");
    // Setting up October's dates later makes it the open month again.
    exec("update ajzrq set fromdate='2026-10-01',todate='2026-10-31' where yf='202610'");
    EXPECT_EQ(host->CurrentYf(), "202610");

    for (const char* yf : {"202610", "202611", "202612", "202702"})
        exec(std::string("insert into hisxsinfo(xsid,jzyf) values(0,'") + yf + "')");
    EXPECT_EQ(host->CurrentYf() + "|" + host->currentYfFromDate(), "|");  // every usable month is carried over
}

FO_INSTANTIATE_DIALECTS(CalendarTest);

}  // namespace
}  // namespace fo
