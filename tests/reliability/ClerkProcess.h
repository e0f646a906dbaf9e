#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "reliability/Clerk.h"

namespace fo::test {

// A clerk working in a process of his own, forked from the test's, his
// output going to a file the parent reads while he works. The child prints
// one line per operation (reportPosting), flushed at once, so the parent can
// count what he was told was committed and kill him at any moment; "ready"
// at a barrier, "end" when his work is done.
class ClerkProcess {
public:
    // Runs `work` in the child, its output to `outputPath`. The parent holds
    // no session of the books while it forks: the child opens its own.
    ClerkProcess(const std::function<void()>& work, std::string outputPath);
    ~ClerkProcess() { kill(); }
    ClerkProcess(const ClerkProcess&) = delete;
    ClerkProcess& operator=(const ClerkProcess&) = delete;

    // Every line printed so far (an empty one after the last newline), and
    // all of them as one text.
    std::vector<std::string> lines() const;
    std::string output() const;
    // True once it printed "ready" (or ended); false after `seconds`, or
    // when it died first.
    bool waitReady(double seconds);
    // Waits for the end; the exit code, or -1 when it did not exit by itself
    // within `seconds` (it is then killed).
    int wait(double seconds);
    // SIGKILL, at once; reaps the process.
    void kill();

    // What it printed of each operation ("done ..." lines; no messages).
    std::vector<Posting> postings() const;
    // Lines that say a window let an exception out or asked what nobody
    // answers, and message boxes written in English or saying busy.
    std::vector<std::string> troubles() const;

private:
    // Whether it ended by now; its exit status goes to `status`.
    bool ended(int& status);

    pid_t pid_ = -1;
    std::string outputPath_;
};

// In the clerk's process. What an operation came to: a "msg TEXT" line per
// message box, then "done KIND COMMITTED ATTEMPTED RECORDS TAG STUDENTS".
void reportPosting(const Posting& p);
// Runs one step, printing what escaped it ("abort TEXT" when a window asked
// what nobody answers, "escaped TEXT" for an exception) instead of dying of it.
void guarded(const std::function<void()>& step);
// Waits until a file at `path` exists ("": at once); at a barrier, says
// "ready" first.
void waitForFile(const std::string& path);
void atBarrier(const std::string& path);
// `ops` postings chosen at random (0: until killed), given the reasons
// NAME-0, NAME-1...
void postAtRandom(Clerk& clerk, const std::string& name, long ops);

}  // namespace fo::test
