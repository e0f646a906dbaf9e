// The collection summary against the clerk's day on the demo school on every
// engine: one day of one operator is his day there, figure for figure, on
// days with voids, refunds and deposits; the year's items add up to its records.
#include <gtest/gtest.h>

#include "fees/DayReport.h"
#include "host/ReferenceHost.h"
#include "reliability/Books.h"
#include "reports/CollectionSummary.h"
#include "support/Query.h"

namespace fo::test {
namespace {

class CollectionSummaryTest : public ::testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        locator = booksEngines()[GetParam()].demoOffice(dir);
        host = std::make_unique<ReferenceHost>(locator);
        cn = host->pGetCN();
    }

    TempDir dir;
    std::string locator;
    std::unique_ptr<ReferenceHost> host;
    ConnectionPtr cn;
};

TEST_P(CollectionSummaryTest, OneDayOfOneOperatorIsHisDayAndTheMonthsAddUp) {
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
        return scalar(*cn, std::string("select sum(") + column + ") from kdw_sfjl where djbh like '" + prefix + "%'")
            .toCurrency();
    };
    EXPECT_EQ(year.charged, recorded("SF", "je"));
    EXPECT_EQ(year.voided, recorded("QXSF", "je"));
    EXPECT_EQ(year.reduced, recorded("JM", "jmje"));
    EXPECT_EQ(year.reductionsCancelled, recorded("QXJM", "jmje"));
    EXPECT_LT(year.reductionsCancelled, Currency());
}

INSTANTIATE_TEST_SUITE_P(Engines, CollectionSummaryTest, ::testing::Range<std::size_t>(0, booksEngines().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) { return booksEngines()[info.param].name; });

}  // namespace
}  // namespace fo::test
