// A clerk process posting in a loop is killed with SIGKILL at a moment drawn
// from a seed, again and again on the same books, on every engine and in both
// dialects: after each kill the file is sound and the books check clean, so
// no posting was left half-written. The clerk types no wrong amounts here:
// what this test finds is a posting cut in two.
#include <chrono>
#include <random>
#include <thread>

#include "reliability/ReliabilityFixture.h"

namespace fo::test {
namespace {

using CrashTest = ReliabilityTest;

TEST_P(CrashTest, AKilledPostingLeavesNothingHalfWritten) {
    const long kills = fromEnvironment("FEEOFFICE_RELIABILITY_KILLS", 6);
    const long seed = fromEnvironment("FEEOFFICE_SEED", 20261206);
    SCOPED_TRACE("FEEOFFICE_SEED=" + std::to_string(seed));
    std::mt19937_64 rnd(static_cast<std::uint64_t>(seed));
    long operations = 0;
    for (long k = 0; k < kills; ++k) {
        const std::string name = "k" + std::to_string(k);
        auto clerk = startClerk(name, [&](Clerk& c) { postAtRandom(c, name, 0); }, seed + k, false);
        // Once it has started working, at a moment of the seed's choosing.
        const auto started = std::chrono::steady_clock::now();
        while (clerk->postings().empty() && std::chrono::steady_clock::now() - started < std::chrono::seconds(30))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + static_cast<int>(rnd() % 400)));
        clerk->kill();
        operations += static_cast<long>(clerk->postings().size());
        EXPECT_TRUE(clerk->troubles().empty()) << "kill " << k;
        const auto faults = checkBooksAt(locator);
        ASSERT_TRUE(faults.empty()) << "after kill " << k << ":\n" << describe(faults);
    }
    EXPECT_GE(operations, kills) << "the clerk should have worked before each kill";
}

FO_INSTANTIATE_ENGINES_AND_DIALECTS(CrashTest);

}  // namespace
}  // namespace fo::test
