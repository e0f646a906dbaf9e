#include "reliability/ClerkProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "db/DbError.h"
#include "reliability/Books.h"

extern char** environ;

namespace fo::test {
ClerkProcess::ClerkProcess(const std::vector<std::string>& args, std::string outputPath)
    : outputPath_(std::move(outputPath)) {
    std::vector<std::string> all{RELIABILITY_CLERK};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start the clerk program " + all[0]);
}

ClerkProcess::~ClerkProcess() {
    if (pid_ > 0) kill();
}

std::vector<std::string> ClerkProcess::lines() const {
    std::ifstream in(outputPath_);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

bool ClerkProcess::waitReady(double seconds) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        for (const std::string& l : lines())
            if (l == "ready" || l == "end") return true;
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) {
            const_cast<ClerkProcess*>(this)->pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int ClerkProcess::wait(double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (pid_ > 0) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (std::chrono::steady_clock::now() >= until) {
            kill();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

void ClerkProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::vector<ReportedPosting> ClerkProcess::postings() const {
    std::vector<ReportedPosting> out;
    for (const std::string& l : lines()) {
        const auto f = split(l, ' ');
        if (f.size() != 7 || f[0] != "done") continue;
        ReportedPosting p;
        p.kind = f[1];
        p.committed = f[2] == "1";
        p.attempted = f[3] == "1";
        p.records = std::stoi(f[4]);
        p.tag = f[5];
        if (f[6] != "-") p.students = split(f[6]);
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<std::string> ClerkProcess::troubles() const {
    std::vector<std::string> out;
    for (const std::string& l : lines()) {
        if (l.rfind("abort ", 0) == 0 || l.rfind("escaped ", 0) == 0) out.push_back(l);
        else if (l.rfind("msg ", 0) == 0 && looksEnglish(l.substr(4))) out.push_back(l);
        // A posting of another clerk held him out for the whole wait, or the
        // server chose him as a deadlock's victim: either reads as busy.
        else if (l.rfind("msg ", 0) == 0 && l.find(dbtext::Busy) != std::string::npos) out.push_back(l);
    }
    return out;
}

}  // namespace fo::test
