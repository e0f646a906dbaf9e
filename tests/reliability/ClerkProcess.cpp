#include "reliability/ClerkProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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

std::vector<std::string> ClerkProcess::lines() const {
    std::ifstream in(outputPath_);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string ClerkProcess::output() const {
    std::string out;
    for (const std::string& l : lines()) out += l + "\n";
    return out;
}

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

}  // namespace fo::test
