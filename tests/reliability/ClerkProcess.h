#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace fo::test {

// What a clerk process printed for one operation ("done ..." line).
struct ReportedPosting {
    std::string kind, tag;
    bool committed = false, attempted = false;
    int records = 0;
    std::vector<std::string> students;
};

// The clerk program (reliability_clerk) running as a child process, its
// output going to a file the parent reads while it runs.
class ClerkProcess {
public:
    // Starts the clerk with `args` (after the program name); its output goes
    // to `outputPath`.
    ClerkProcess(const std::vector<std::string>& args, std::string outputPath);
    ~ClerkProcess();
    ClerkProcess(const ClerkProcess&) = delete;
    ClerkProcess& operator=(const ClerkProcess&) = delete;

    // Every line printed so far.
    std::vector<std::string> lines() const;
    // True once it printed "ready" (or ended); false after `seconds`.
    bool waitReady(double seconds) const;
    // Waits for the end; the exit code, or -1 when it did not exit by itself
    // within `seconds` (it is then killed).
    int wait(double seconds);
    // SIGKILL, at once; reaps the process.
    void kill();

    std::vector<ReportedPosting> postings() const;
    // Lines that say a window let an exception out or asked what nobody
    // answers, and message boxes written in English.
    std::vector<std::string> troubles() const;

private:
    pid_t pid_ = -1;
    std::string outputPath_;
};

}  // namespace fo::test
