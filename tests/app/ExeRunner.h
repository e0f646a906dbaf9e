// Runs the built feeoffice executable as a child process, without a shell,
// capturing its exit status and both output streams.
#pragma once
#include <gtest/gtest.h>

#include "support/DriveMode.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/FileText.h"
#include "support/TempDir.h"

extern char** environ;

namespace fo::test {

struct ExeRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Whether `r` exited with `code` and said `text` on standard error.
inline bool endedSaying(const ExeRun& r, int code, const std::string& text) {
    return r.exitCode == code && r.err.find(text) != std::string::npos;
}

// The documented password of the demo fee office's administrator.
inline constexpr const char* kDemoAdminPassword = "admin123";

// A fresh directory per test, removed afterwards, and the runner. Verbs
// that sign in do so as the demo's administrator (FEEOFFICE_PASSWORD), and
// their audit log goes to the test's directory.
class ExeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("FEEOFFICE_PASSWORD", kDemoAdminPassword, 1);
        ::setenv("XDG_STATE_HOME", path("state").c_str(), 1);
    }

    std::string path(const std::string& name) const { return dir_.file(name); }

    ExeRun run(std::vector<std::string> args) {
        // A script runs at the desktop's widgets in the desktop runs.
        if (drivesDesktop() && !args.empty() && args.front() == "drive") args.insert(args.begin() + 1, "--desktop");
        args.insert(args.begin(), FEEOFFICE_EXE);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        const std::string outPath = path("stdout"), errPath = path("stderr");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        ExeRun result;
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return result;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readWholeFile(outPath);
        result.err = readWholeFile(errPath);
        return result;
    }

    TempDir dir_;
};

}  // namespace fo::test
