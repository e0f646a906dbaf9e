#include "reliability/ClerkProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <thread>

#include "db/DbError.h"
#include "reliability/Books.h"
#include "support/FileText.h"
#include "ui/FormInstance.h"

namespace fo::test {
namespace {

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

}  // namespace

#ifdef FEEOFFICE_COVERAGE
// The child leaves by _exit, which skips the handler that writes a coverage
// build's counters: it writes them itself, so its work counts as the test's.
extern "C" void __gcov_dump(void);
#endif

ClerkProcess::ClerkProcess(const std::function<void()>& work, std::string outputPath)
    : outputPath_(std::move(outputPath)) {
    // Nothing the test has written yet is written a second time by the child.
    std::cout.flush();
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("cannot start a clerk process");
    if (pid_ > 0) return;
    // The child: never back into the test, nor through its exit handlers,
    // which would close the parent's sessions.
    const int out = open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int nothing = open("/dev/null", O_RDONLY);
    if (out < 0 || nothing < 0 || dup2(nothing, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(3);
    int status = 0;
    try {
        work();
        std::cout << "end" << std::endl;
    } catch (const std::exception& e) {
        std::cout << "escaped " << oneLine(e.what()) << std::endl;
        status = 1;
    }
    std::cout.flush();
#ifdef FEEOFFICE_COVERAGE
    __gcov_dump();
#endif
    _exit(status);
}

std::vector<std::string> ClerkProcess::lines() const { return split(output(), '\n'); }

std::string ClerkProcess::output() const { return readWholeFile(outputPath_); }

bool ClerkProcess::ended(int& status) {
    if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) != pid_) return pid_ <= 0;
    pid_ = -1;
    return true;
}

bool ClerkProcess::waitReady(double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (int status = 0; std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        for (const std::string& l : lines())
            if (l == "ready" || l == "end") return true;
        if (ended(status)) return false;
    }
    return false;
}

int ClerkProcess::wait(double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (!ended(status)) {
        if (std::chrono::steady_clock::now() >= until) {
            kill();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ClerkProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::vector<Posting> ClerkProcess::postings() const {
    std::vector<Posting> out;
    for (const std::string& l : lines()) {
        const auto f = split(l, ' ');
        if (f.size() != 7 || f[0] != "done") continue;
        Posting& p = out.emplace_back(f[1], f[5]);
        p.committed = f[2] == "1";
        p.attempted = f[3] == "1";
        p.records = std::stoi(f[4]);
        if (f[6] != "-") p.students = split(f[6]);
    }
    return out;
}

std::vector<std::string> ClerkProcess::troubles() const {
    std::vector<std::string> out;
    for (const std::string& l : lines()) {
        const bool message = l.rfind("msg ", 0) == 0;
        // A posting of another clerk held him out for the whole wait, or the
        // server chose him as a deadlock's victim: either reads as busy.
        if (l.rfind("abort ", 0) == 0 || l.rfind("escaped ", 0) == 0 ||
            (message && (looksEnglish(l.substr(4)) || l.find(dbtext::Busy) != std::string::npos)))
            out.push_back(l);
    }
    return out;
}

void reportPosting(const Posting& p) {
    for (const std::string& m : p.messages) std::cout << "msg " << oneLine(m) << "\n";
    const std::string students = joined(p.students);
    std::cout << "done " << p.kind << " " << p.committed << " " << p.attempted << " " << p.records << " "
              << (p.tag.empty() ? "-" : p.tag) << " " << (students.empty() ? "-" : students) << std::endl;
}

void guarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const HeadlessAbort& a) {
        std::cout << "abort " << oneLine(a.message()) << std::endl;
        FormInstances::releaseAll();
    } catch (const std::exception& e) {
        std::cout << "escaped " << oneLine(e.what()) << std::endl;
        FormInstances::releaseAll();
    }
}

void waitForFile(const std::string& path) {
    while (!path.empty() && !std::filesystem::exists(path)) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void atBarrier(const std::string& path) {
    std::cout << "ready" << std::endl;
    waitForFile(path);
}

void postAtRandom(Clerk& clerk, const std::string& name, long ops) {
    for (long i = 0; ops == 0 || i < ops; ++i)
        guarded([&] { reportPosting(clerk.anyPosting(name + "-" + std::to_string(i))); });
}

}  // namespace fo::test
