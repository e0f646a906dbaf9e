// Seeded random sequences of a clerk's operations in both dialects: single
// reductions, wizard and receivables-list batches, cancellations of the
// latest reduction and of any reduction (out of order), receipt voids and
// the month-end carry-over; the books check clean after every step. A
// failure prints the seed; FEEOFFICE_SEED replays it, FEEOFFICE_RELIABILITY_STEPS
// lengthens the run. And chosen sequences where the month-end comes between
// what a clerk was shown and what he posts. And a clerk process posting in a
// loop killed with SIGKILL at a moment drawn from a seed, again and again on
// the same books: after each kill the file is sound and the books check
// clean, so no posting was left half-written. That clerk types no wrong
// amounts: what the kills find is a posting cut in two.
#include <chrono>
#include <iostream>
#include <random>
#include <thread>

#include "reduction/JmjlStatements.h"
#include "reduction/ReductionCancellation.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "reliability/ReliabilityFixture.h"
#include "host/api/ModuleGlobals.h"
#include "ui/FormInstance.h"

namespace fo::test {
namespace {

using RandomSequenceTest = ReliabilityTest;

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
        history += std::to_string(step) + ": " + p.kind + (p.tag.empty() ? "" : " " + p.tag) +
                   (p.committed ? " committed" : " not committed") +
                   (p.lastMessage.empty() ? "" : " (" + p.lastMessage + ")") + "\n";
        for (const std::string& m : p.messages) EXPECT_FALSE(looksEnglish(m)) << "step " << step << ": " << m;
        const auto faults = checkBooksAt(locator);
        ASSERT_TRUE(faults.empty()) << "after step " << step << " of seed " << seed << ":\n"
                                    << history << describe(faults);
    }
    EXPECT_GT(committed, 0) << history;
    if (std::getenv("FEEOFFICE_VERBOSE")) std::cout << history;
}

TEST_P(RandomSequenceTest, TheMonthEndBetweenWhatAClerkWasShownAndWhatHePosts) {
    ClerkOffice office(locator, dialect(), dir.file("settings"));
    // The host does not fill in the period columns.
    globals().settings->set("chkAutoInputTerm", Value("0"));
    // Students who owe December's tuition whole.
    const auto fresh = column("select x.id from kdw_xs x where x.sflxid=1 and x.del=0 and x.inttx=0 and not exists("
                              "select 1 from kdw_sfjl a where a.xsid=x.id and a.sfyf='202612') and not exists(select 1"
                              " from xszhekou z where z.xsid=x.id) order by x.id limit 2");
    ASSERT_EQ(fresh.size(), 2u);
    auto xh = [&](const std::string& xsid) { return one("select xh from kdw_xs where id=" + xsid); };

    // December's tuition of the first reduced by 100; a window for the
    // second is filled in, not yet posted.
    auto first = formInstance<frmjmjlNew>();
    ASSERT_TRUE(fillReduction(*first, xh(fresh[0]), "c202612", "1", "100", "本月减免"));
    first->cmd_ok.userClick();
    FormInstances::releaseAll();
    const std::string coming = one("select max(id) from kdw_sfjl where jmyy='本月减免'");
    ASSERT_NE(coming, "") << office.ui().lastMessage()->text;
    auto waiting = std::make_shared<frmjmjlNew>();
    ASSERT_TRUE(fillReduction(*waiting, xh(fresh[1]), "c202612", "1", "100", "窗口未关"));

    // The records window is open and its clerk has seen what cancelling the
    // first would do, when another clerk carries December over.
    auto list = formInstance<frmjmjlML>();
    list->load();
    plan::Draws preview;
    const plan::Plan seen = jmjl::cancellationPlan(office.cn(), office.host(), coming, "张会计", preview);
    ASSERT_FALSE(seen.refused());
    Clerk other(office, 1);
    ASSERT_TRUE(other.carryOver().committed);
    // December's tuition went into the arrears with the 100 taken off.
    const std::string stored = "select q.qfje from qfhzb h inner join qfmxb q on q.qfkid=h.qfkid where h.fkrq is null"
                               " and h.qfyf='202612' and q.sfxmid=1 and h.xsid=" + fresh[0];
    ASSERT_EQ(one(stored), "700");

    // The carry-over took the reduction off what is owed: cancelling it now
    // would take it off the books and leave the arrears short.
    bool ok = true;
    list->CancelMonthJM(coming, ok, &seen);
    EXPECT_FALSE(ok);
    EXPECT_EQ(office.ui().lastMessage()->text,
              jmjl::carriedOverRefusal(one("select djbh from kdw_sfjl where id=" + coming), "202612"));
    EXPECT_EQ(one("select count(*) from kdw_sfjl where ysfjlid=" + coming) + "/" + one(stored), "0/700");

    // The window filled before the month-end reduces December as it now
    // stands: the stored row, which it settles.
    const std::string december = one("select h.qfkid from qfhzb h where h.xsid=" + fresh[1] + " and h.qfyf='202612'");
    ASSERT_NE(december, "");
    waiting->cmd_ok.userClick();
    ASSERT_EQ(office.ui().lastMessage()->text.rfind("操作成功！", 0), 0u) << office.ui().lastMessage()->text;
    EXPECT_EQ(one("select count(*) from qfhzb where fkrq is not null and jmjlid=(select max(id) from kdw_sfjl where"
                  " jmyy='窗口未关') and qfkid=" + december),
              "1");
    const auto faults = checkBooksAt(locator);
    EXPECT_TRUE(faults.empty()) << describe(faults);
}

FO_INSTANTIATE_ENGINES_AND_DIALECTS(RandomSequenceTest);

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
