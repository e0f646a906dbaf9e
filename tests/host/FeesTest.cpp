// The host's fee rules: the calendar and its period object, the dues of the
// open months and of stored arrears, and the month-end carry-over.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>

#include "HostTestSupport.h"
#include "db/Connection.h"
#include "db/values/Currency.h"
#include "host/fees/Calendar.h"
#include "host/fees/CarryOver.h"
#include "host/fees/Dues.h"
#include "host/fees/FeePeriod.h"
#include "host/ReferenceHost.h"

namespace fo::test {
namespace {

class CalendarTest : public FeeDbTest {};

// The period object finds the month of a date; a month key resolves to its
// dates and to the term and year that hold it; what it cannot resolve is
// cleared, never left from the month before.
TEST_P(CalendarTest, PeriodObjectResolvesMonthTermAndYearAndTheCurrentMonthSkipsCarriedOverAndDatelessMonths) {
    // A school year 2026 (September to August) with two terms; September is
    // carried over, October was never given dates, November is the first open
    // month. One month's dates are stored with a time of day, as some tools
    // write them.
    exec("insert into kdw_year(yearMc,dateFrom,dateTo,yearTag) values('2026-2027学年','2026-09-01','2027-08-31','2026年')");
    exec("insert into termdate(yearname,termName,yffromDate,yftoDate,termTag) values"
         "('2026年','上学期','2026-09-01','2027-01-31','2026上'),('2026年','下学期','2027-02-01','2027-08-31','2026下')");
    exec("insert into ajzrq(yf,fromdate,todate,jfmc) values('202609','2026-09-01','2026-09-30','2026年9月'),"
         "('202610',null,null,'2026年10月'),('202611','2026-11-01 00:00:00','2026-11-30 00:00:00','2026年11月'),"
         "('202612','2026-12-01','2026-12-31','2026年12月'),('202702','2027-02-01','2027-02-28','2027年2月')");
    // A student's own history row (17) is not a carry-over of the month.
    exec("insert into hisxsinfo(xsid,jzyf) values(0,'202609'),(17,'202611')");
    auto host = std::make_shared<ReferenceHost>(dbPath, dialect());
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
    EXPECT_EQ(std::pair(cal.isCarriedOver("202609"), cal.isCarriedOver("202611")), std::pair(true, false));
    EXPECT_EQ(host->CurrentYf() + "|" + host->currentYfFromDate(), "202611|2026-11-01");
    // Setting up October's dates later makes it the open month again.
    exec("update ajzrq set fromdate='2026-10-01',todate='2026-10-31' where yf='202610'");
    EXPECT_EQ(host->CurrentYf(), "202610");

    for (const char* yf : {"202610", "202611", "202612", "202702"})
        exec(std::string("insert into hisxsinfo(xsid,jzyf) values(0,'") + yf + "')");
    EXPECT_EQ(host->CurrentYf() + "|" + host->currentYfFromDate(), "|");  // every usable month is carried over
}

FO_INSTANTIATE_DIALECTS(CalendarTest);

// A small fee office for the fee-rule tests: the autumn months of the
// 2026-2027 school year, one charge type with an item of every kind, two
// classes, three first-level categories and a few students.
//
//   item 1 保育费 monthly  800
//   item 2 伙食费 monthly, per day 15.5 x 22 days
//   item 3 书本费 termly   300
//   item 4 保险费 yearly   100
//   item 5 报名费 one-off  200
class DuesOffice : public FeeDbTest {
public:
    // Work-table rows keyed by (xsid, sfyf, sfxmid): (ysje, jfje, jmje) as "0.00" texts.
    using Key = std::tuple<int, std::string, int>;
    using Amounts = std::tuple<std::string, std::string, std::string>;

protected:
    void SetUp() override {
        FeeDbTest::SetUp();
        exec("insert into ajzrq(yf,fromdate,todate,jfmc) values('202609','2026-09-01','2026-09-30','2026年09月'),"
             "('202610','2026-10-01','2026-10-31','2026年10月'),('202611','2026-11-01','2026-11-30','2026年11月'),"
             "('202612','2026-12-01','2026-12-31','2026年12月'),('202701',null,null,'2027年01月')");  // no dates yet
        exec("insert into termdate(yearname,termName,yffromDate,yftoDate,termTag) values"
             "('2026年','上学期','2026-09-01','2027-01-31','2026上')");
        exec("insert into kdw_year(yearMc,dateFrom,dateTo,yearTag) values('2026-2027学年','2026-09-01','2027-08-31','2026年')");
        exec("insert into kdw_sfxm(id,bh,mc,jflx,projectID_DF,cqts,qftj) values"
             "(1,'01','保育费',3,1,'N','Y'),(2,'02','伙食费',3,2,'Y','Y'),(3,'03','书本费',0,3,'N','Y'),"
             "(4,'04','保险费',2,4,'N','Y'),(5,'05','报名费',1,5,'N','Y'),(6,'06','兴趣班',3,6,'N','N')");
        exec("insert into kdw_sflx(id,mc,sfxmid,je,mrcqts) values"
             "(1,'全日制',1,800,0),(1,'全日制',2,15.5,22),(1,'全日制',3,300,0),(1,'全日制',4,100,0),"
             "(1,'全日制',5,200,0),(1,'全日制',6,50,0)");
        exec("insert into kdw_bj(id,mc) values(1,'小班一班'),(2,'大班二班')");
        exec("insert into kdw_xslx(id,parentid,mc) values(1,0,'在园幼儿'),(2,0,'托班'),(3,0,'离园')");
        // S004 is suspended.
        exec("insert into kdw_xs(id,xh,xm,bjid,sflxid,lb,lb1,lb2,del,intTx) values(1,'S001','王小明',1,1,1,1,0,0,0),"
             "(2,'S002','李佳怡',1,1,2,2,0,0,0),(3,'S003','张子涵',2,1,1,1,0,0,0),(4,'S004','刘一诺',2,1,1,1,0,0,1)");
    }

    // A fee record with one item; `kind` is the number prefix ("SF", "JM", "YSK").
    void addRecord(int id, const std::string& kind, int xsid, const std::string& sfyf, int item,
                   const std::string& je, const std::string& jmje = "0", int ysfjlid = 0) {
        const std::string sid = std::to_string(id);
        exec("insert into kdw_sfjl(id,djbh,sfrq,xsid,sfyf,je,jmje,ysfjlid) values(" + sid + ",'" + kind + "20260915" +
             sid + "','2026-09-15'," + std::to_string(xsid) + ",'" + sfyf + "'," + je + "," + jmje + "," +
             std::to_string(ysfjlid) + ")");
        exec("insert into kdw_sfjlmx(sfjlid,sfxmid,je,jmje) values(" + sid + "," + std::to_string(item) + "," + je + "," +
             jmje + ")");
    }

    // A reduction of `amount` on `item`, made in `sfyf` and dated `sfrq` (the
    // first day of the period it is for; left empty, the month it names).
    void addReduction(int id, int xsid, const std::string& sfyf, int item, const std::string& amount,
                      const std::string& sfrq) {
        addRecord(id, "JM", xsid, sfyf, item, "0", amount);
        exec("update kdw_sfjl set sfrq=" + (sfrq.empty() ? std::string("null") : "'" + sfrq + "'") +
             " where id=" + std::to_string(id));
    }

    // A stored arrears row with items {item, amount}; settled when `fkrq` is set.
    void addArrears(int qfkid, int xsid, const std::string& qfyf, std::map<int, std::string> items,
                    const std::string& fkrq = {}) {
        Currency total;
        for (auto& [item, amount] : items) total += *Currency::parse(amount);
        exec("insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkrq) values(" + std::to_string(qfkid) + ",'" + qfyf +
             "'," + std::to_string(xsid) + ",'2026-09-30'," + total.plainText() + "," + total.plainText() + "," +
             (fkrq.empty() ? "null" : "'" + fkrq + "'") + ")");
        for (auto& [item, amount] : items)
            exec("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje) values(" + std::to_string(qfkid) + "," +
                 std::to_string(xsid) + ",1," + std::to_string(item) + "," + amount + ")");
    }

    void carriedOver(const std::string& yf) { exec("insert into hisxsinfo(xsid,jzyf) values(0,'" + yf + "')"); }

    std::map<Key, Amounts> workRows(const std::string& table) {
        std::map<Key, Amounts> out;
        auto rs = cn->execute("select xsid,sfyf,sfxmid,ysje,jfje,jmje from " + table);
        for (; rs && !rs->eof(); rs->moveNext()) {
            Key key{static_cast<int>(rs->field(0).toInt()), rs->field(1).toText(), static_cast<int>(rs->field(2).toInt())};
            EXPECT_EQ(out.count(key), 0u) << "duplicate work row " << std::get<0>(key) << " " << std::get<1>(key);
            out[key] = Amounts{rs->field(3).toCurrency().format00(), rs->field(4).toCurrency().format00(),
                               rs->field(5).toCurrency().format00()};
        }
        return out;
    }
};

using Rows = std::map<DuesOffice::Key, DuesOffice::Amounts>;

// Only attending students matching every filter: the student text (its
// quotes doubled), the class, the categories and the filter dialog's statement.
TEST_P(DuesOffice, OnlyAttendingStudentsMatchingEveryFilterOweTheChargeTypeLessChargesAndReductions) {
    const auto students = [&](const std::string& student, const std::string& classId, const std::string& where,
                              const std::string& category) {
        fillArrearsWorkTable(*cn, "tmpSel", "202609", "1", student, classId, where, category);
        std::set<int> out;
        for (auto& [key, amounts] : workRows("tmpSel")) out.insert(std::get<0>(key));
        return out;
    };
    exec("insert into kdw_xs(id,xh,xm,bjid,sflxid,lb1,del,intTx) values(5,'S005','赵六',1,1,1,1,0)");  // deleted
    exec("update kdw_xs set xm='O''Neil' where id=2");
    EXPECT_EQ(students("", "", "", ""), (std::set<int>{1, 2, 3}));
    EXPECT_EQ(students("S002", "", "", ""), (std::set<int>{2}));
    EXPECT_EQ(students("张子涵", "", "", ""), (std::set<int>{3}));
    EXPECT_EQ(students("O'Neil", "", "", ""), (std::set<int>{2}));
    EXPECT_EQ(students("", "1", "", ""), (std::set<int>{1, 2}));
    EXPECT_EQ(students("", "", "", " and lb1 in(1)"), (std::set<int>{1, 3}));
    EXPECT_EQ(students("", "2", "", " and lb1 in(2)"), (std::set<int>{}));
    EXPECT_EQ(students("", "", "select id from kdw_xs where 1=1", ""), (std::set<int>{1, 2, 3}));
    EXPECT_EQ(students("", "", "select id from kdw_xs where 1=1 and lb1 in(1) and bjid=2", ""), (std::set<int>{3}));
    EXPECT_EQ(students("", "", "select id from kdw_xs where 1=1and xm like '%Ne%'", ""), (std::set<int>{2}));
    // The suspended student stays out even when the filter names him.
    EXPECT_EQ(students("", "", "select id from kdw_xs where 1=1and xh ='S004'", ""), (std::set<int>{}));
    EXPECT_EQ(students("", "", "bjid=1", " and lb1 in(1,2)"), (std::set<int>{1, 2}));

    // (A cancelled charge and the term and one-off periods a month lists: the
    // new office's walk and the carry-over's case, which take them to arrears.)
    addRecord(10, "SF", 1, "202609", 1, "500");       // paid part of the tuition
    addRecord(11, "JM", 1, "202609", 1, "0", "100");  // and a reduction on it
    addRecord(14, "YSK", 1, "202609", 4, "100");      // a prepayment pays nothing
    addRecord(15, "SF", 1, "202610", 2, "50");        // another month's board

    fillArrearsWorkTable(*cn, "tmpQF1", "202609", ",1,2,4", "S001", "", "", "");
    const Rows expected = {
        {{1, "202609", 1}, {"800.00", "500.00", "100.00"}},
        {{1, "202609", 2}, {"341.00", "0.00", "0.00"}},
        {{1, "2026年", 4}, {"100.00", "0.00", "0.00"}},
    };
    EXPECT_EQ(workRows("tmpQF1"), expected);
    // A discount's product rounds half away from zero to cents: 15.5 x 22 =
    // 341 at 33.33% = 113.6553 -> 113.66; 800 at 12.5% = 100.
    exec("insert into xszhekou(xsid,xmid,zhekou) values(2,2,33.33),(2,1,12.5)");
    fillArrearsWorkTable(*cn, "tmpQF", "202609", "1,2", "S002", "", "", "");
    auto rows = workRows("tmpQF");
    EXPECT_EQ(std::get<0>(rows[{2, "202609", 2}]), "113.66");
    EXPECT_EQ(std::get<0>(rows[{2, "202609", 1}]), "100.00");
    // A fully paid item is left out, an overpaid one kept.
    addRecord(16, "SF", 3, "202609", 1, "800");
    addRecord(17, "SF", 3, "202609", 5, "250");
    fillArrearsWorkTable(*cn, "tmpQF", "202609", "1,5", "S003", "", "", "");
    EXPECT_EQ(workRows("tmpQF"), (Rows{{{3, "一次性", 5}, {"200.00", "250.00", "0.00"}}}));
}

TEST_P(DuesOffice, PerDayItemsOweTheDaysChargedAndAMoveChangesTheDuesFromThePeriodHoldingItsDate) {
    addRecord(10, "SF", 2, "202609", 2, "155");
    exec("update kdw_sfjlmx set cqts=10,feetermname='202609' where sfjlid=10");
    EXPECT_EQ(itemDues(*cn, "2", "2", "202609").days, 10);
    EXPECT_TRUE(itemDues(*cn, "2", "2", "202609").owed().isZero());
    EXPECT_EQ(itemDues(*cn, "2", "2", "202609", 12).due.format00(), "186.00");
    EXPECT_EQ(itemDues(*cn, "2", "2", "202610").days, 22);  // another month: the default days
    // Cancelled, the charge names no days.
    addRecord(11, "QXSF", 2, "202609", 2, "-155", "0", 10);
    EXPECT_EQ(itemDues(*cn, "2", "2", "202609").due.format00(), "341.00");

    exec("insert into kdw_sflx(id,mc,sfxmid,je,mrcqts) values(2,'半日制',1,500,0)");
    // S003 entered on the first day and changed type in mid-October; S001
    // entered in October.
    exec("insert into kdw_xsbd(xsid,bdrq,bjid,sflxid) values(3,'2026-09-01',2,1),(3,'2026-10-15',2,2),(1,'2026-10-08',1,1)");
    exec("update kdw_xs set sflxid=2 where id=3");
    fillArrearsWorkTable(*cn, "tmpQF", "202609,202610", "1", "", "", "id in(1,3)", "");
    const Rows expected = {{{1, "202610", 1}, {"800.00", "0.00", "0.00"}},
                           {{3, "202609", 1}, {"800.00", "0.00", "0.00"}},
                           {{3, "202610", 1}, {"500.00", "0.00", "0.00"}}};
    EXPECT_EQ(workRows("tmpQF"), expected);
}

// A record that settled stored arrears pays the open month only with the
// rows it names; stored arrears own their term, year and one-off periods.
TEST_P(DuesOffice, StoredArrearsKeepTheirPeriodsAndSettlingRecordAndCarriedOverMonthsListOnlyOpenOnes) {
    carriedOver("202609");
    addArrears(1, 1, "202609", {{1, "800"}}, "2026-10-05");
    addRecord(10, "SF", 1, "202610", 1, "800");
    exec("update kdw_sfjlmx set feetermname='202609' where sfjlid=10");
    exec("update qfhzb set sfjlid=10,fkje=800 where qfkid=1");
    // The same receipt took 100 of October's board.
    exec("insert into kdw_sfjlmx(sfjlid,sfxmid,je,feetermname) values(10,2,100,'202610')");
    addArrears(2, 1, "2026上", {{3, "300"}}, "2026-10-02");  // settled: still owns the term item
    addArrears(3, 1, "一次性", {{5, "200"}});                 // open
    fillArrearsWorkTable(*cn, "tmpQF", "202610", "1,2,3,4,5", "S001", "", "", "");
    const Rows expected = {
        {{1, "202610", 1}, {"800.00", "0.00", "0.00"}},
        {{1, "202610", 2}, {"341.00", "100.00", "0.00"}},
        {{1, "2026年", 4}, {"100.00", "0.00", "0.00"}},
    };
    EXPECT_EQ(workRows("tmpQF"), expected);

    // With October carried over too, only the open stored arrears of the chosen
    // items are listed.
    carriedOver("202610");
    addArrears(11, 1, "202609", {{1, "800"}, {2, "341"}});
    addArrears(12, 1, "202609", {{1, "800"}}, "2026-10-01");  // settled
    addArrears(13, 1, "2026上", {{3, "300"}});                // named by both months, listed once
    addArrears(14, 2, "202610", {{1, "350.5"}});
    exec("update qfmxb set fkje=100 where qfkid=14");
    addArrears(15, 4, "202610", {{1, "800"}});                // suspended student

    fillArrearsWorkTable(*cn, "tmpQF", "202609,202610", ",1,3", "", "", "", "");
    const Rows carried = {
        {{1, "202609", 1}, {"800.00", "0.00", "0.00"}},
        {{1, "2026上", 3}, {"300.00", "0.00", "0.00"}},
        {{2, "202610", 1}, {"350.50", "100.00", "0.00"}},
    };
    EXPECT_EQ(workRows("tmpQF"), carried);
}

TEST_P(DuesOffice, SeveralOpenMonthsAtOnceListWhatEachMonthListsAlone) {
    // Every kind of record in every open month: payments, a reduction made in
    // December for October's board and one for the term, a one-off payment,
    // a cancelled charge and a prepayment, for two students.
    addRecord(1, "SF", 1, "202609", 1, "800");
    addRecord(2, "SF", 1, "202610", 1, "500");
    addRecord(3, "SF", 1, "202610", 3, "120");
    addRecord(4, "SF", 1, "202611", 5, "200");
    addRecord(5, "SF", 3, "202611", 4, "40");
    addRecord(6, "SF", 3, "202612", 2, "100");
    addReduction(7, 1, "202612", 2, "33", "2026-10-01");
    addReduction(8, 3, "202612", 3, "60", "2026-09-01");
    addRecord(9, "SF", 3, "202610", 1, "800");
    addRecord(10, "QXSF", 3, "202610", 1, "-800", "0", 9);
    addRecord(11, "YSK", 1, "202612", 1, "300");
    const std::string months[] = {"202609", "202610", "202611", "202612"};
    std::map<Key, Amounts> alone;
    for (const std::string& month : months) {
        fillArrearsWorkTable(*cn, "tmpQF", month, "1,2,3,4,5", "", "", "", "");
        for (const auto& [key, amounts] : workRows("tmpQF")) alone[key] = amounts;
    }
    fillArrearsWorkTable(*cn, "tmpQF", "202609,202610,202611,202612", "1,2,3,4,5", "", "", "", "");
    // The one work table refilled each time: a row left from the fill before,
    // or a term, year or one-off period listed once per month, is a row
    // workRows finds twice.
    const auto together = workRows("tmpQF");
    EXPECT_EQ(together, alone);
    // The records reached the periods they are for, also those of another
    // open month (what one month's records do alone, the cases above state).
    EXPECT_EQ(together.at({1, "202610", 2}), (Amounts{"341.00", "0.00", "33.00"}));
    EXPECT_EQ(together.at({1, "2026上", 3}), (Amounts{"300.00", "120.00", "0.00"}));
    EXPECT_EQ(together.at({3, "2026上", 3}), (Amounts{"300.00", "0.00", "60.00"}));
}

TEST_P(DuesOffice, ReductionsCountOnlyAgainstTheDuesOfThePeriodTheyAreForInWorkTablesAndItemDues) {
    // December is open; September to November are carried over without stored rows.
    for (const char* yf : {"202609", "202610", "202611"}) carriedOver(yf);
    addReduction(10, 1, "202612", 1, "30", "2026-09-01");  // for September: reaches no other month
    addReduction(11, 1, "202612", 2, "41", "2026-12-01");  // for December's board
    addReduction(12, 1, "202612", 3, "50", "2026-09-01");  // for the term that holds September
    addReduction(13, 1, "202612", 6, "20", "");            // undated: the month it names
    fillArrearsWorkTable(*cn, "tmpQF", "202612", "1,2,3,6", "S001", "", "", "");
    const Rows expected = {
        {{1, "202612", 1}, {"800.00", "0.00", "0.00"}},
        {{1, "202612", 2}, {"341.00", "0.00", "41.00"}},
        {{1, "2026上", 3}, {"300.00", "0.00", "50.00"}},
        {{1, "202612", 6}, {"50.00", "0.00", "20.00"}},
    };
    EXPECT_EQ(workRows("tmpQF"), expected);

    // Item dues of a computed and of a stored period, S003's.
    addArrears(1, 3, "202609", {{1, "800"}});  // September's tuition, stored, partly paid
    exec("update qfmxb set fkje=300 where qfkid=1");
    addRecord(20, "SF", 3, "202610", 3, "120");
    addReduction(21, 3, "202612", 3, "30", "2026-10-01");
    auto show = [](const ItemDues& d) {
        return d.period + (d.stored ? " stored " : " ") + d.due.format00() + "/" + d.paid.format00() + "/" +
               d.reduced.format00() + "=" + d.owed().format00();
    };
    // A month key names the term that holds it for a termly item.
    EXPECT_EQ(show(itemDues(*cn, "3", "3", "202612")), "2026上 300.00/120.00/30.00=150.00");
    EXPECT_EQ(show(itemDues(*cn, "3", "1", "202609")), "202609 stored 800.00/300.00/0.00=500.00");
    EXPECT_EQ(show(itemDues(*cn, "3", "1", "202612")), "202612 800.00/0.00/0.00=800.00");
    EXPECT_EQ(itemDues(*cn, "3", "99", "202612").owed(), Currency());
}

TEST_P(DuesOffice, PaidAndReducedSumsTheCountingRecordsOfThePeriodAndNoneOfAPeriodStoredArrearsHold) {
    const auto read = [&](const std::string& xsid, const std::string& item, const std::string& period,
                          const std::string& from = {}, const std::string& to = {}) {
        auto rs = paidAndReduced(*cn, xsid, item, period, from, to);
        if (!rs || rs->eof()) return std::string("none");
        return rs->field("je").toCurrency().format00() + "/" + rs->field("jmje").toCurrency().format00() + "/" +
               rs->field("ye").toCurrency().format00();
    };
    addRecord(10, "SF", 1, "202609", 1, "300.25");
    addRecord(11, "JM", 1, "202609", 1, "0", "99.75");
    addRecord(12, "SF", 1, "202610", 1, "800");
    addRecord(13, "SF", 1, "202609", 3, "100");
    addRecord(14, "SF", 1, "202610", 3, "50");
    addRecord(15, "QXSF", 1, "202610", 3, "-50", "0", 14);
    addRecord(16, "SF", 1, "202611", 5, "200");
    exec("update kdw_sfjlmx set ye=20 where sfjlid=16");
    addRecord(17, "SF", 1, "202609", 4, "60");
    EXPECT_EQ(read("1", "1", "202609"), "300.25/99.75/0.00");
    EXPECT_EQ(read("1", "3", "2026上"), "100.00/0.00/0.00");
    EXPECT_EQ(read("1", "5", "一次性"), "200.00/0.00/20.00");
    // Asked as the reduction window asks, with a month's key and dates: the
    // term, year or one-off period that holds the month answers.
    EXPECT_EQ(read("1", "3", "202612", "2026-12-01", "2026-12-31"), "100.00/0.00/0.00");
    EXPECT_EQ(read("1", "4", "202612", "2026-12-01", "2026-12-31"), "60.00/0.00/0.00");
    EXPECT_EQ(read("1", "5", "202609"), "200.00/0.00/20.00");
    EXPECT_EQ(read("1", "1", "202611"), "none");
    EXPECT_EQ(read("2", "1", "202609"), "none");
    EXPECT_EQ(read("1", "1", "?", "2026-10-01", "2026-11-30"), "800.00/0.00/0.00");

    // Once stored arrears hold a period's item, its dues left the open month:
    // the month's grid offers nothing for it beside the stored arrears line.
    carriedOver("202609");
    addArrears(1, 3, "2026上", {{3, "300"}}, "2026-10-05");  // paid by the charge below
    addRecord(20, "SF", 3, "202610", 3, "300");
    exec("update qfhzb set sfjlid=20,fkje=300 where qfkid=1");
    addArrears(2, 3, "2026年", {{4, "100"}});                // still open
    ReferenceHost host(dbPath, dialect());
    for (const char* item : {"3", "4"}) {
        auto rs = host.getRptJFdata(cn, "3", item, "202610", "2026-10-01", "2026-10-31");
        ASSERT_TRUE(rs && !rs->eof()) << item;
        const Currency dues = Currency::fromInt(item == std::string("3") ? 300 : 100);
        EXPECT_GE(rs->field("je").toCurrency() - rs->field("ye").toCurrency() + rs->field("jmje").toCurrency(), dues)
            << item;
    }
}

TEST_P(DuesOffice, CarryOverTurnsUnpaidDuesIntoOpenArrearsOpensTheNextMonthAndRefusesAnyButTheOpenOne) {
    const auto count = [&](const std::string& table, const std::string& where = "1=1") {
        return scalar("select count(*) from " + table + " where " + where);
    };
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
    EXPECT_EQ(scalar("select min(qfkid)||'|'||max(qfkid) from qfhzb where qfkid<>500"), "501|511");
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

FO_INSTANTIATE_DIALECTS(DuesOffice);

}  // namespace
}  // namespace fo::test
