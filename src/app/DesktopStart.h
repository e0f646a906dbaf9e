#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace fo::app {

class OfficeSession;

// Who signs in to the fee database at `path`: his operator id, or nothing
// when the clerk gave up.
using SignInStep = std::function<std::optional<int>(const std::string& path)>;

// The sign-in window on the fee database at `path`, titled `caption`.
std::optional<int> askSignIn(const std::string& path, const std::string& caption = "操作员登录");

// Opens the fee office the desktop program starts on: `requested` (a file
// named on the command line), else the database of last time, else the
// user's demo office, created on the first run (`notice` then says so). The
// operator signs in there (`signIn`) before it opens. A database that cannot
// be opened is named in a dialog that says why and offers to choose another
// file or to open the demo office; nullptr when the clerk chooses to quit
// there or gives up signing in. The database opened is remembered.
std::unique_ptr<OfficeSession> openStartSession(const std::string& requested, int dialect, std::string& notice,
                                                const SignInStep& signIn = [](const std::string& path) {
                                                    return askSignIn(path);
                                                });

// Asks, after `path` failed to open for `why`, which fee office to open
// instead, and opens it once the operator signed in there (the same dialog
// as at start-up); nullptr on quit.
std::unique_ptr<OfficeSession> openInstead(const std::string& path, const std::string& why, int dialect,
                                           const SignInStep& signIn = [](const std::string& path) {
                                               return askSignIn(path);
                                           });

// The desktop program on `database` ("" for the one of last time): the main
// window until it is closed. Returns the exit status.
int runDesktop(const std::string& database, int dialect);

// What a clerk reads of a failure: a data-layer error's description, or the
// exception's text.
std::string clerkText(const std::exception& e);

}  // namespace fo::app
