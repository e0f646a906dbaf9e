#include <gtest/gtest.h>

#include <vector>

#include "HostTestSupport.h"
#include "db/DbError.h"
#include "host/counters/CounterService.h"

namespace fo {
namespace {

class CounterServiceTest : public ::testing::Test, public test::FeeDb {};

TEST_F(CounterServiceTest, IdsAndNumbersStartAboveWhatIsStoredNeverComeAgainOutliveTheServiceAndAreDrawnApart) {
    exec("insert into kdw_sfjl(id,djbh) values(40,'SF202609010001')");
    exec("insert into INandOutML(id,djbh) values(57,'SF202609010002')");
    CounterService counters(dbPath);
    // Fee record ids start above the records and the journal rows alike.
    EXPECT_EQ(counters.nextId("INandOutML"), 58);
    EXPECT_EQ(counters.nextId("INandOutML"), 59);
    EXPECT_EQ(counters.nextId("inandoutml"), 60);  // counter names ignore case
    EXPECT_EQ(counters.nextId("qfhzb"), 1);
    // Someone imports arrears rows with ids of his own.
    exec("insert into qfhzb(qfkid,qfyf,xsid) values(250,'202609',1)");
    EXPECT_EQ(counters.nextId("qfhzb"), 251);
    // Deleting rows does not give their ids out again.
    exec("delete from qfhzb");
    EXPECT_EQ(counters.nextId("qfhzb"), 252);
    // Blocks, and counters of other tables.
    exec("insert into PJML(id,djbh) values(12,'SF1')");
    EXPECT_EQ(counters.nextId("INandOutML", 5), 61);  // 61..65
    EXPECT_EQ(counters.nextId("INandOutML"), 66);
    EXPECT_EQ(counters.nextId("PJML"), 13);          // a table with an id column
    EXPECT_EQ(counters.nextId("no such table"), 1);  // a plain sequence
    EXPECT_EQ(counters.nextId("no such table"), 2);
    EXPECT_EQ(counters.nextId("kdw_year"), 1);       // a table without an id column
    EXPECT_THROW(counters.nextId("qfhzb", 0), std::invalid_argument);
    EXPECT_EQ(counters.nextId("qfhzb", 10), 253);
    // The last value survives the service.
    CounterService again(dbPath);
    EXPECT_EQ(again.nextId("qfhzb"), 263);
    // Beside an embedded file the counters keep a side database of their
    // own; on a server they are a table of the fee database.
    EXPECT_EQ(again.sideDatabasePath(), test::onPostgres() ? std::string() : dbPath + ".counters");

    // Document numbers are per prefix and day.
    const DateTime day{2026, 12, 6};
    const std::vector<std::string> drawn = {again.nextBillNo("JM", day), again.nextBillNo("JM", day),
                                            again.nextBillNo("QXJM", day),
                                            again.nextBillNo("JM", DateTime{2026, 12, 7}),
                                            again.nextBillNo("JM", day)};
    EXPECT_EQ(drawn, (std::vector<std::string>{"JM202612060001", "JM202612060002", "QXJM202612060001",
                                               "JM202612070001", "JM202612060003"}));

    // Numbers stored by someone else that day are passed over.
    exec("insert into kdw_sfjl(id,djbh) values(1,'JM202612060041')");
    exec("insert into PJML(id,djbh) values(1,'SF202612060007')");
    EXPECT_EQ(again.nextBillNo("JM", day), "JM202612060042");
    EXPECT_EQ(again.nextBillNo("SF", day), "SF202612060008");
    // A longer prefix sharing the first letters is another series.
    EXPECT_EQ(again.nextBillNo("QXJM", day), "QXJM202612060002");
    // A block follows what was drawn and stored, and what follows it
    // follows the block.
    EXPECT_EQ(again.nextBillNos("JM", 3, day),
              (std::vector<std::string>{"JM202612060043", "JM202612060044", "JM202612060045"}));
    EXPECT_EQ(again.nextBillNo("JM", day), "JM202612060046");

    // A draw during an open posting neither waits for it nor joins it; a
    // session holding the counters' own store shuts every draw out.
    CounterService patient(dbPath, CounterService::Options{1});
    cn->beginTrans();  // BEGIN IMMEDIATE: the fee database is write-locked
    exec("insert into qfhzb(qfkid,qfyf,xsid) values(1,'202609',1)");
    EXPECT_EQ(patient.nextId("INandOutML"), 67);
    EXPECT_EQ(patient.nextBillNo("JM", DateTime{2026, 12, 6}), "JM202612060047");
    cn->rollbackTrans();
    // The rolled-back posting leaves a gap: its numbers are not reused.
    EXPECT_EQ(patient.nextId("INandOutML"), 68);
    EXPECT_EQ(patient.nextBillNo("JM", DateTime{2026, 12, 6}), "JM202612060048");
    // Another session holding the counters' store shuts every draw out until
    // it is done: a draw gives up after its busy timeout rather than hand out
    // a number the other session may be handing out too, and draws again
    // once it is gone (the first draw of its kind in this session included).
    auto other = openConnection(test::onPostgres() ? db.connectionString()
                                                   : sqliteConnectionString(patient.sideDatabasePath()));
    other->beginTrans();
    if (test::onPostgres()) other->execute("lock table fo_counters in exclusive mode");
    EXPECT_THROW(patient.nextId("qfhzb"), DbError);
    other->commitTrans();
    EXPECT_EQ(patient.nextId("qfhzb"), 264);
}

}  // namespace
}  // namespace fo
