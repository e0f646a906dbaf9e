// The embedded engine tells its planner what share of a table a constant
// range keeps: ten years of receipts are walked in the order asked for,
// one month through its date index; the rows are the same either way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDatabase.h"

using fo::RecordsetPtr;
using fo::dbtest::DialectDbTest;

namespace {

class RangeEstimate : public DialectDbTest {
protected:
    void SetUp() override {
        // Ten receipts a day over ten years, keyed by their row id as the
        // fee database keys them, and a table without a date index.
        cn_->execute(
            "create table PJML(id integer not null primary key, djbh varchar(20), kprq datetime, hjje money);"
            "create index ix_PJML_kprq on PJML(kprq);"
            "insert into PJML select i, 'SF' || i, date('2016-09-01', '+' || (i/10) || ' days') || ' 08:00:00', i % 97 "
            "from (with recursive n(i) as (select 1 union all select i+1 from n where i<36500) select i from n);"
            "create table plain(id int not null primary key, kprq datetime);"
            "insert into plain select id, kprq from PJML;"
            "analyze");
    }

    std::string between(const char* from, const char* to) const {
        return sqlServer() ? std::string(" kprq between '") + from + "' and '" + to + "' "
                           : std::string(" kprq between  format('") + from + "','yyyy-mm-dd') and format('" + to +
                                 "','yyyy-mm-dd') ";
    }
    std::string registerQuery(const char* from, const char* to) const {
        return "select id, djbh, hjje from PJML where" + between(from, to) + "order by id desc";
    }
    std::string plan(const std::string& query) {
        std::string lines;
        for (RecordsetPtr rs = cn_->execute("explain query plan " + query); !rs->eof(); rs->moveNext())
            lines += rs->field(std::size_t{3}).toText() + "\n";
        return lines;
    }
    // The ids a query returns, in order; `streamed` reads it as the register does.
    std::vector<long long> ids(const std::string& query, bool streamed) {
        std::vector<long long> out;
        RecordsetPtr rs = streamed ? cn_->executeStreamed(query, 30) : cn_->execute(query);
        for (; !rs->eof(); rs->moveNext()) out.push_back(rs->field(std::size_t{0}).toInt());
        return out;
    }
};

TEST_P(RangeEstimate, AllDatesWalkTheKeyAndOneMonthItsDateIndex) {
    const std::string allDates = registerQuery("2016-01-01", "2027-01-01");
    const std::string allPlan = plan(allDates);
    EXPECT_EQ(allPlan.find("TEMP B-TREE"), std::string::npos) << allPlan;
    EXPECT_NE(allPlan.find("SCAN PJML"), std::string::npos) << allPlan;
    EXPECT_EQ(allPlan.find("ix_PJML_kprq"), std::string::npos) << allPlan;

    const std::string oneMonth = registerQuery("2025-08-01", "2025-09-01");
    const std::string monthPlan = plan(oneMonth);
    EXPECT_NE(monthPlan.find("ix_PJML_kprq"), std::string::npos) << monthPlan;

    // The same rows, newest first, whichever way they were found and read.
    const std::string noIndex = "select id, djbh, hjje from PJML where +" + between("2025-08-01", "2025-09-01") +
                                "order by id desc";
    const std::vector<long long> expected = ids(noIndex, false);
    ASSERT_EQ(expected.size(), 310u);
    EXPECT_EQ(ids(oneMonth, false), expected);
    EXPECT_EQ(ids(oneMonth, true), expected);
    const std::vector<long long> all = ids(allDates, true);
    ASSERT_EQ(all.size(), 36500u);
    EXPECT_EQ(all.front(), 36500);
    EXPECT_EQ(all.back(), 1);
    EXPECT_EQ(ids(allDates, false), all);
}

TEST_P(RangeEstimate, ARangeWithoutEstimateRunsAsWritten) {
    // Bounds that are no dates, a column no index leads, a range outside the
    // books, a reversed one: the rows are what the condition says.
    for (const auto& [where, count] : std::vector<std::pair<std::string, int>>{
             {"PJML where djbh between 'SF1' and 'SF2'", 11112}, {"plain where" + between("2016-01-01", "2016-09-02"), 9},
             {"PJML where" + between("2030-01-01", "2031-01-01"), 0}, {"PJML where" + between("2026-09-01", "2026-08-01"), 0}})
        EXPECT_EQ(cn_->execute("select count(*) from " + where)->field(std::size_t{0}).toInt(), count) << where;
    // A bound the engine cannot work out fails as the statement would.
    EXPECT_ANY_THROW(cn_->execute("select id from PJML where kprq between nosuchfunction('x') and '2027-01-01'"));
}

FO_INSTANTIATE_DIALECTS(RangeEstimate);

}  // namespace
