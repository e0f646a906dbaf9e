// The reports against the books of the demo school on every engine: every
// student's line balances month by month and each month starts where the one
// before ended; the school's year ends on what the open rows owe, each class
// on what the arrears table leaves it owing, whose trend holds its months; a
// row damaged by hand unbalances its student's line and fails the check of
// the books; one day of one operator in the collection summary is his day
// there, figure for figure, the months whole (from the kept totals) are the
// months read in parts (from the journal), and the year's items add up to
// its records; the kept totals follow the journal. (The
// students behind each bar: GeneratedSchoolTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "data/FeeDatabase.h"
#include "data/FeeSchema.h"
#include "db/pg/PgLink.h"
#include "fees/DayReport.h"
#include "reliability/ReliabilityFixture.h"
#include "reports/ArrearsAnalysis.h"
#include "reports/CollectionSummary.h"
#include "reports/MonthReport.h"
#include "support/Query.h"

namespace fo::test {
namespace {

class BooksReports : public DemoBooksTest {
protected:
    Currency amount(const std::string& sql) { return scalar(*cn, sql).toCurrency(); }
};

// The demo school's year runs from September to the open month, December.
const char* const kMonths[] = {"2026-09", "2026-10", "2026-11", "2026-12"};

TEST_P(BooksReports, StudentsBalanceClassesEndOnTheirArrearsDaysAndMonthsAddUpAndKeptTotalsFollowTheJournal) {
    std::map<std::string, Currency> endedAt;  // student number -> end of the month before
    Currency moved;
    for (const char* month : kMonths) {
        const monthreport::Report r = monthreport::build(*cn, month, month);
        EXPECT_EQ(r.unbalanced, 0) << month;
        for (const monthreport::Row& row : r.rows) {
            EXPECT_TRUE(row.m.balances()) << month << ' ' << row.className << ' ' << row.studentNo;
            if (row.studentNo.empty()) continue;
            EXPECT_EQ(row.m.start, endedAt[row.studentNo]) << month << ' ' << row.studentNo;  // a newcomer: nothing
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
    for (std::size_t i = 0; i < line.size(); ++i) EXPECT_EQ(line[i], std::pair(months[i], byPeriod.at(months[i])));
    EXPECT_EQ(arrearsview::trend(cells, 2), decltype(line)(line.end() - 2, line.end()));

    // The days with voids and refunds among them, where the two could part.
    long compared = 0;
    for (const std::string& at : firstColumn(*cn, "select czrq from INandOutML where djbh like 'QXSF%' or djbh like"
                                                  " 'TF%' or djbh like 'YSK%' order by id limit 6")) {
        const std::string day = at.substr(0, 10), next = DateTime::parse(day)->addDays(1).dateText();
        for (const cashday::Line& clerk : cashday::dayLines(*cn, day)) {
            collection::Line summed;
            for (const collection::Line& l : collection::lines(*cn, day, next, clerk.operatorId))
                if (l.account == clerk.account) summed = collection::totalOf({summed, l});
            EXPECT_EQ((std::vector<Currency>{summed.charged, summed.voided, summed.refunded, summed.prepaid}),
                      (std::vector<Currency>{clerk.charged, clerk.voided, clerk.refunded, clerk.prepaidTaken}))
                << day << " operator " << clerk.operatorId << " account " << clerk.account;
            ++compared;
        }
    }
    EXPECT_GT(compared, 0);

    // Whole months are read from the kept totals, a month in part from the
    // journal: the four months at once give the lines and figures of each
    // month read in two halves.
    const auto summed = [&](const std::vector<std::pair<std::string, std::string>>& spans) {
        std::map<std::string, collection::Line> byKey;
        for (const auto& [from, to] : spans)
            for (const collection::Line& l : collection::lines(*cn, from, to)) {
                collection::Line& sum = byKey[l.month + "|" + l.operatorId + "|" + l.account + "|" + l.itemId];
                sum = collection::totalOf({sum, l});
            }
        std::vector<std::string> out;
        for (const auto& [key, l] : byKey)
            out.push_back(key + " " + l.charged.format00() + " " + l.voided.format00() + " " + l.reduced.format00() +
                          " " + l.reductionsCancelled.format00() + " " + l.refunded.format00() + " " +
                          l.prepaid.format00());
        return out;
    };
    std::vector<std::pair<std::string, std::string>> halves;
    for (const char* month : kMonths) {
        const std::string first = std::string(month) + "-01", middle = std::string(month) + "-16";
        halves.push_back({first, middle});
        halves.push_back({middle, DateTime::parse(first)->addDays(DateTime::parse(first)->daysInMonth()).dateText()});
    }
    const std::vector<std::string> whole = summed({{"2026-09-01", "2027-01-01"}});
    EXPECT_GT(whole.size(), 20u);
    EXPECT_EQ(whole, summed(halves));

    // The whole year's items add up to its records.
    const collection::Line items = collection::totalOf(collection::lines(*cn, "2026-09-01", "2027-01-01"));
    const auto recorded = [&](const char* prefix, const char* column) {
        return amount(std::string("select sum(") + column + ") from kdw_sfjl where djbh like '" + prefix + "%'");
    };
    EXPECT_EQ((std::vector<Currency>{items.charged, items.voided, items.reduced, items.reductionsCancelled}),
              (std::vector<Currency>{recorded("SF", "je"), recorded("QXSF", "je"), recorded("JM", "jmje"),
                                     recorded("QXJM", "jmje")}));
    EXPECT_LT(items.reductionsCancelled, Currency());

    // A row changed by hand, a payment one yuan short on a row paid off in
    // full in November, unbalances its student and fails the check.
    const std::string row = scalar(*cn, "select min(qfkid) from qfhzb where sfjlid<>0 and fkrq>='2026-11-01' and"
                                        " fkrq<'2026-12-01' and qfkid not in(select yqfkid from qfhzb)")
                                .toText();
    ASSERT_FALSE(row.empty());
    const std::string xsid = scalar(*cn, "select xsid from qfhzb where qfkid=" + row).toText();
    const std::string xh = scalar(*cn, "select xh from kdw_xs where id=" + xsid).toText();
    cn->execute("update qfhzb set fkje=fkje-1 where qfkid=" + row);

    const monthreport::Report r = monthreport::build(*cn, "2026-11", "2026-11");
    EXPECT_EQ(r.unbalanced, 1);
    for (const monthreport::Row& student : r.rows)
        if (student.studentNo == xh) {
            EXPECT_EQ(student.m.expectedEnd() - student.m.end, Currency::fromInt(1));
        }
    EXPECT_FALSE(r.rows.back().m.balances());
    EXPECT_NE(monthreport::asText(r).find("不平"), std::string::npos);

    const auto faults = checkBooksAt(locator);
    EXPECT_TRUE(std::any_of(faults.begin(), faults.end(), [&xsid](const BooksFault& f) {
        return f.code == "arrears-ledger" && f.text.find("学生 id " + xsid + " ") != std::string::npos;
    })) << describe(faults);

    // The cash totals the engine keeps: the upgrade to them fills them, a
    // posting rolled back leaves them as they were, and a journal row moved
    // to another month or an item deleted moves them, as the books check
    // finds against the journal; a total damaged by hand fails it, named.
    const bool server = isPostgresLink(cn->connectionString());
    const auto totalsFaults = [&] {
        std::vector<std::string> out;
        for (const BooksFault& f : checkBooksAt(locator))
            if (f.code == "cash-totals") out.push_back(f.text);
        return out;
    };
    // The books as version 13 left them: no totals, no triggers.
    for (const auto& [part, table] : {std::pair{"journal", "INandOutML"}, {"lines", "INandOut"}, {"items", "kdw_sfjlmx"}}) {
        const std::string name = std::string("fo_cash_totals_") + part;
        if (server) cn->execute("drop trigger " + name + " on " + table);
        else
            for (const char* change : {"_insert", "_delete", "_update"}) cn->execute("drop trigger " + name + change);
    }
    cn->execute("drop table fo_cash_totals");
    cn->execute("update fo_schema set version=13");
    cn->writeEngineStamp(kFeeApplicationId, 13);
    EXPECT_EQ(feeSchemaVersionOf(*openFeeDatabase(linkStringFor(locator))), kFeeSchemaVersion);
    const std::string totals = "select yf,userid,subid,prefix,sfxmid,je,ysk,n from fo_cash_totals order by 1,2,3,4,5";
    const std::vector<std::string> filled = joinedRows(*cn, totals);
    ASSERT_GT(filled.size(), 20u);
    EXPECT_EQ(totalsFaults(), std::vector<std::string>{});

    // A charge booked again under a new id, rolled back.
    const std::string id = scalar(*cn, "select min(id) from INandOutML where djbh like 'SF%' and id not in(select"
                                       " yjlid from INandOutML)").toText();
    ConnectionPtr tr = host->pgettrcn();
    tr->beginTrans();
    tr->execute("insert into INandOutML(djbh,id,je,userID,czrq) select 'SF209912310001',990001,je,userID,czrq from"
                " INandOutML where id=" + id);
    tr->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysk) select 990001,sfxmid,je,ysk from kdw_sfjlmx where sfjlid=" + id);
    tr->execute("insert into INandOut(num,subid,addje) select 990001,subid,addje from INandOut where num=" + id);
    EXPECT_NE(joinedRows(*tr, totals), filled);
    tr->rollbackTrans();
    EXPECT_EQ(joinedRows(*cn, totals), filled);
    cn->execute("update INandOutML set czrq='2026-08-31' where id=" + id);
    cn->execute("delete from kdw_sfjlmx where sfjlid=" + id + " and sfxmid=(select min(sfxmid) from kdw_sfjlmx where"
                " sfjlid=" + id + ")");
    EXPECT_NE(joinedRows(*cn, totals), filled);
    EXPECT_EQ(totalsFaults(), std::vector<std::string>{});

    // One total a yuan off, one gone, one the journal has no rows for.
    const std::vector<std::string> keys = joinedRows(*cn, "select 'userid='||userid||' and subid='||subid||' and"
                                                          " prefix='''||prefix||''' and sfxmid='||sfxmid from"
                                                          " fo_cash_totals where yf='2026-11' order by 1 limit 2");
    ASSERT_EQ(keys.size(), 2u);
    cn->execute("update fo_cash_totals set je=je+1 where yf='2026-11' and " + keys[0]);
    cn->execute("delete from fo_cash_totals where yf='2026-11' and " + keys[1]);
    cn->execute("insert into fo_cash_totals(yf,userid,subid,prefix,sfxmid,je,ysk,n) values('2099-01',1,1,'SF',1,5,0,1)");
    const std::vector<std::string> damaged = totalsFaults();
    ASSERT_EQ(damaged.size(), 3u) << joined(damaged);
    for (const std::string& f : damaged) {
        EXPECT_NE(f.find("操作员"), std::string::npos) << f;
        EXPECT_NE(f.find("收费项目"), std::string::npos) << f;
        EXPECT_FALSE(looksEnglish(f)) << f;
    }
    EXPECT_EQ(damaged.back().find("收费汇总多出 2099-01 操作员 系统管理员（id 1）"), 0u) << damaged.back();
}

FO_INSTANTIATE_ENGINES(BooksReports);

}  // namespace
}  // namespace fo::test
