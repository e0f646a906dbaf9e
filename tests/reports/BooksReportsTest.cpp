// The reports against the books of the demo school on every engine: every
// student's line balances month by month and each month starts where the one
// before ended; the school's year ends on what the open rows owe, each class
// on what the arrears table leaves it owing, whose trend holds its months; a
// row damaged by hand unbalances its student's line and fails the check of
// the books; one day of one operator in the collection summary is his day
// there, figure for figure, and the year's items add up to its records. (The
// students behind each bar: GeneratedSchoolTest.)
#include <gtest/gtest.h>

#include <map>

#include "fees/DayReport.h"
#include "host/ReferenceHost.h"
#include "reliability/Books.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/CollectionSummary.h"
#include "reports/MonthReport.h"
#include "support/Query.h"

namespace fo::test {
namespace {

class BooksReports : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        locator = booksEngines()[GetParam()].demoOffice(dir);
        host = std::make_unique<ReferenceHost>(locator);
        cn = host->pGetCN();
    }
    Currency amount(const std::string& sql) { return scalar(*cn, sql).toCurrency(); }

    TempDir dir;
    std::string locator;
    std::unique_ptr<ReferenceHost> host;
    ConnectionPtr cn;
};

// The demo school's year runs from September to the open month, December.
const char* const kMonths[] = {"2026-09", "2026-10", "2026-11", "2026-12"};

TEST_P(BooksReports, EveryStudentBalancesEachMonthStartsWhereTheLastEndedAndEachClassEndsOnItsArrears) {
    std::map<std::string, Currency> endedAt;  // student number -> end of the month before
    Currency moved;
    for (const char* month : kMonths) {
        const monthreport::Report r = monthreport::build(*cn, month, month);
        EXPECT_EQ(r.unbalanced, 0) << month;
        for (const monthreport::Row& row : r.rows) {
            EXPECT_TRUE(row.m.balances()) << month << ' ' << row.className << ' ' << row.studentNo;
            if (row.studentNo.empty()) continue;
            const auto before = endedAt.find(row.studentNo);
            EXPECT_EQ(row.m.start, before == endedAt.end() ? Currency() : before->second)
                << month << ' ' << row.studentNo;
            endedAt[row.studentNo] = row.m.end;
            moved += row.m.raised + row.m.reduced + row.m.paid;
        }
    }
    EXPECT_GT(moved, Currency());  // the months carried over, reduced and paid something

    // The arrears table by class and by period.
    const auto cells = arrearsview::cells(*cn);
    ASSERT_FALSE(cells.empty());
    std::map<std::string, Currency> byClass, byPeriod;
    for (const arrearsview::Cell& c : cells) {
        byClass[c.className] += c.owed;
        byPeriod[c.period] += c.owed;
    }
    // The range at once: the school's line is the months' sum, and it ends
    // on what the open rows owe, each class on what the table has it owe.
    const monthreport::Report year = monthreport::build(*cn, kMonths[0], kMonths[3]);
    const monthreport::Row& school = year.rows.back();
    EXPECT_EQ(school.className, "合计");
    EXPECT_TRUE(school.m.balances());
    EXPECT_EQ(school.m.end, amount("select sum(qfje) from qfhzb where fkrq is null"));
    EXPECT_GT(school.m.mirrors, 0);
    std::size_t classes = 0;
    for (const monthreport::Row& row : year.rows)
        if (row.studentName == "小计" && !row.m.end.isZero()) {
            ++classes;
            EXPECT_EQ(row.m.end, byClass[row.className]) << row.className;
        }
    EXPECT_EQ(classes, byClass.size());
    EXPECT_THROW(monthreport::build(*cn, kMonths[3], kMonths[0]), std::invalid_argument);
    EXPECT_THROW(monthreport::build(*cn, "2026-13", "2026-13"), std::invalid_argument);

    // The trend: the months only (not terms, years, one-offs), the latest last.
    std::vector<std::string> months;
    for (const auto& [period, owed] : byPeriod)
        if (period.size() == 6 && period.find_first_not_of("0123456789") == std::string::npos) months.push_back(period);
    ASSERT_GE(months.size(), 2u);
    ASSERT_LT(months.size(), byPeriod.size());
    const auto line = arrearsview::trend(cells);
    ASSERT_EQ(line.size(), months.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        EXPECT_EQ(line[i].first, months[i]);
        EXPECT_EQ(line[i].second, byPeriod.at(months[i])) << months[i];
    }
    const auto lastTwo = arrearsview::trend(cells, 2);
    ASSERT_EQ(lastTwo.size(), 2u);
    EXPECT_EQ(lastTwo.back().first, months.back());
}

TEST_P(BooksReports, ARowChangedByHandUnbalancesItsStudentAndFailsTheCheck) {
    // A payment one yuan short on a row paid off in full in November.
    const std::string row = scalar(*cn, "select min(qfkid) from qfhzb where sfjlid<>0 and fkrq>='2026-11-01' and"
                                        " fkrq<'2026-12-01' and qfkid not in(select yqfkid from qfhzb)")
                                .toText();
    ASSERT_FALSE(row.empty());
    const std::string xsid = scalar(*cn, "select xsid from qfhzb where qfkid=" + row).toText();
    const std::string xh = scalar(*cn, "select xh from kdw_xs where id=" + xsid).toText();
    cn->execute("update qfhzb set fkje=fkje-1 where qfkid=" + row);

    const monthreport::Report r = monthreport::build(*cn, "2026-11", "2026-11");
    EXPECT_EQ(r.unbalanced, 1);
    for (const monthreport::Row& line : r.rows)
        if (line.studentNo == xh) EXPECT_EQ(line.m.expectedEnd() - line.m.end, Currency::fromInt(1));
    EXPECT_FALSE(r.rows.back().m.balances());
    EXPECT_NE(monthreport::asText(r).find("不平"), std::string::npos);

    const auto faults = checkBooksAt(locator);
    bool named = false;
    for (const BooksFault& f : faults)
        named = named || (f.code == "arrears-ledger" && f.text.find("学生 id " + xsid + " ") != std::string::npos);
    EXPECT_TRUE(named) << describe(faults);
}

TEST_P(BooksReports, OneDayOfOneOperatorIsHisDayAndTheMonthsAddUp) {
    // The days with voids and refunds among them, where the two could part.
    std::vector<std::string> days;
    for (RecordsetPtr rs = cn->execute("select djbh,czrq from INandOutML where djbh like 'QXSF%' or djbh like 'TF%'"
                                       " or djbh like 'YSK%' order by id");
         !rs->eof() && days.size() < 6; rs->moveNext())
        days.push_back(rs->field("czrq").toText().substr(0, 10));
    ASSERT_FALSE(days.empty());
    long compared = 0;
    for (const std::string& day : days) {
        const std::string next = DateTime::parse(day)->addDays(1).dateText();
        for (const cashday::Line& clerk : cashday::dayLines(*cn, day)) {
            collection::Line summed;
            for (const collection::Line& l : collection::lines(*cn, day, next, clerk.operatorId))
                if (l.account == clerk.account) {
                    summed.charged += l.charged;
                    summed.voided += l.voided;
                    summed.refunded += l.refunded;
                    summed.prepaid += l.prepaid;
                }
            const std::string at = day + " operator " + clerk.operatorId + " account " + clerk.account;
            EXPECT_EQ(summed.charged, clerk.charged) << at;
            EXPECT_EQ(summed.voided, clerk.voided) << at;
            EXPECT_EQ(summed.refunded, clerk.refunded) << at;
            EXPECT_EQ(summed.prepaid, clerk.prepaidTaken) << at;
            ++compared;
        }
    }
    EXPECT_GT(compared, 0);

    // The whole year's items add up to its records.
    const collection::Line year = collection::totalOf(collection::lines(*cn, "2026-09-01", "2027-01-01"));
    const auto recorded = [&](const char* prefix, const char* column) {
        return amount(std::string("select sum(") + column + ") from kdw_sfjl where djbh like '" + prefix + "%'");
    };
    EXPECT_EQ(year.charged, recorded("SF", "je"));
    EXPECT_EQ(year.voided, recorded("QXSF", "je"));
    EXPECT_EQ(year.reduced, recorded("JM", "jmje"));
    EXPECT_EQ(year.reductionsCancelled, recorded("QXJM", "jmje"));
    EXPECT_LT(year.reductionsCancelled, Currency());
}

INSTANTIATE_TEST_SUITE_P(Engines, BooksReports, ::testing::Range<std::size_t>(0, booksEngines().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) { return booksEngines()[info.param].name; });

}  // namespace
}  // namespace fo::test
