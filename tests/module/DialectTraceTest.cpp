// Every window of the module worked from scripts, in each dialect, with a
// trace on the connections: no statement of the other dialect's form ever
// reaches the engine, whether the module or the reference host wrote it
// (and at the desktop, every list and grid shows its columns whole).
#include "module/EveryWindowTest.h"
#include "support/StatementTrace.h"

namespace fo::test {
namespace {

class DialectTrace : public EveryWindowTest {
protected:
    // Traced from here on: the demo school is written without a dialect.
    void SetUp() override {
        EveryWindowTest::SetUp();
        trace = std::make_unique<StatementTrace>();
    }
    void TearDown() override {
        trace.reset();
        EveryWindowTest::TearDown();
    }

    std::unique_ptr<StatementTrace> trace;
};

TEST_P(DialectTrace, NoStatementOfTheOtherDialectReachesTheEngine) {
    workEveryWindow();

    std::size_t own = 0;
    for (const std::string& sql : trace->statements()) {
        const auto wrong = sqlServer() ? accessForms(sql) : sqlServerForms(sql);
        for (const std::string& form : wrong) ADD_FAILURE() << form << " reached the engine in: " << sql;
        own += (sqlServer() ? sqlServerForms(sql) : accessForms(sql)).size();
    }
    // The trace saw the windows' own dialect at work.
    EXPECT_GT(own, 10u);
}

FO_INSTANTIATE_DIALECTS(DialectTrace);

}  // namespace
}  // namespace fo::test
