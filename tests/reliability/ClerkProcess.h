#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "reliability/Clerk.h"

namespace fo::test {

// The clerk program (reliability_clerk) running as a child process, its
// output going to a file the parent reads while it runs.
class ClerkProcess {
public:
    // Starts the clerk with `args` (after the program name); its output goes
    // to `outputPath`.
    ClerkProcess(const std::vector<std::string>& args, std::string outputPath);
    ~ClerkProcess() { kill(); }
    ClerkProcess(const ClerkProcess&) = delete;
    ClerkProcess& operator=(const ClerkProcess&) = delete;

    // Every line printed so far, and all of them as one text.
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

}  // namespace fo::test
