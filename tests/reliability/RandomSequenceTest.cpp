// Seeded random sequences of a clerk's operations in both dialects: single
// reductions, wizard and receivables-list batches, cancellations of the
// latest reduction and of any reduction (out of order), receipt voids and
// the month-end carry-over; the books check clean after every step. A
// failure prints the seed; FEEOFFICE_SEED replays it, FEEOFFICE_RELIABILITY_STEPS
// lengthens the run.
#include <iostream>

#include "reliability/Clerk.h"
#include "reliability/ReliabilityFixture.h"

namespace fo::test {
namespace {

using RandomSequenceTest = ReliabilityTest;

std::string describePosting(const Posting& p) {
    return p.kind + (p.tag.empty() ? "" : " " + p.tag) + (p.committed ? " committed" : " not committed") +
           (p.lastMessage.empty() ? "" : " (" + p.lastMessage + ")");
}

TEST_P(RandomSequenceTest, TheBooksHoldAfterEveryStep) {
    const long steps = fromEnvironment("FEEOFFICE_RELIABILITY_STEPS", 60);
    const long seed = fromEnvironment("FEEOFFICE_SEED", 20261206 + dialect());
    SCOPED_TRACE("FEEOFFICE_SEED=" + std::to_string(seed));
    ClerkOffice office(locator, dialect(), dir.file("settings"));
    Clerk clerk(office, static_cast<std::uint64_t>(seed));
    int committed = 0;
    std::string history;
    for (long step = 0; step < steps; ++step) {
        const int r = clerk.below(100);
        // Now and then the month-end; cancellations more often than a clerk
        // would, in order and out of it.
        const Posting p = r < 2 ? clerk.carryOver()
                                : r < 20 ? clerk.cancelReduction(clerk.below(2) == 0)
                                         : clerk.anyPosting("r" + std::to_string(step));
        committed += p.committed;
        history += std::to_string(step) + ": " + describePosting(p) + "\n";
        for (const std::string& m : p.messages) EXPECT_FALSE(looksEnglish(m)) << "step " << step << ": " << m;
        const auto faults = checkBooksAt(locator);
        ASSERT_TRUE(faults.empty()) << "after step " << step << " of seed " << seed << ":\n"
                                    << history << describe(faults);
    }
    EXPECT_GT(committed, 0) << history;
    if (std::getenv("FEEOFFICE_VERBOSE")) std::cout << history;
}

FO_INSTANTIATE_ENGINES_AND_DIALECTS(RandomSequenceTest);

}  // namespace
}  // namespace fo::test
