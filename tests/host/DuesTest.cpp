#include <gtest/gtest.h>

#include "host/fees/Dues.h"
#include "host/ReferenceHost.h"
#include "host/DuesTestOffice.h"

namespace fo::test {
namespace {

using Rows = std::map<DuesOfficeTest::Key, DuesOfficeTest::Amounts>;

class OpenMonthDues : public DuesOfficeTest {};

// Only attending students matching every filter: the student text (its
// quotes doubled), the class, the categories and the filter dialog's statement.
TEST_P(OpenMonthDues, OnlyAttendingStudentsMatchingEveryFilterOweTheChargeTypeLessChargesAndReductions) {
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

TEST_P(OpenMonthDues, PerDayItemsOweTheDaysChargedAndAMoveChangesTheDuesFromThePeriodHoldingItsDate) {
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
TEST_P(OpenMonthDues, StoredArrearsKeepTheirPeriodsAndSettlingRecordAndCarriedOverMonthsListOnlyOpenOnes) {
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

TEST_P(OpenMonthDues, SeveralOpenMonthsAtOnceListWhatEachMonthListsAlone) {
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

// December is open; September to November are carried over without stored rows.
class ReductionPeriods : public DuesOfficeTest {
protected:
    void SetUp() override {
        DuesOfficeTest::SetUp();
        for (const char* yf : {"202609", "202610", "202611"}) carriedOver(yf);
    }
};

TEST_P(ReductionPeriods, CountOnlyAgainstTheDuesOfThePeriodTheyAreForInWorkTablesAndItemDues) {
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

FO_INSTANTIATE_DIALECTS(ReductionPeriods);

FO_INSTANTIATE_DIALECTS(OpenMonthDues);

class PaidAndReduced : public DuesOfficeTest {
protected:
    std::string read(const std::string& xsid, const std::string& item, const std::string& period,
                     const std::string& from = {}, const std::string& to = {}) {
        auto rs = paidAndReduced(*cn, xsid, item, period, from, to);
        if (!rs || rs->eof()) return "none";
        return rs->field("je").toCurrency().format00() + "/" + rs->field("jmje").toCurrency().format00() + "/" +
               rs->field("ye").toCurrency().format00();
    }
};

TEST_P(PaidAndReduced, SumsTheCountingRecordsOfThePeriodAndNoneOfAPeriodStoredArrearsHold) {
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

FO_INSTANTIATE_DIALECTS(PaidAndReduced);

}  // namespace
}  // namespace fo::test
