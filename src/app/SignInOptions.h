#pragma once
#include <optional>
#include <ostream>
#include <string>

#include "host/operators/Operators.h"

namespace CLI {
class App;
}  // namespace CLI

namespace fo::app {

// How a headless verb signs in: as an operator, with his password from a
// file or from the environment, never from the command line (which any
// user of the machine can read in the process list).
struct SignInOptions {
    int user = Operators::BuiltInId;
    std::string passwordFile;
};

// The exit status of a verb whose sign-in was refused.
inline constexpr int SignInRefused = 3;
// The environment variable that may hold the password.
inline constexpr const char* PasswordVariable = "FEEOFFICE_PASSWORD";

// --user ID and --password-file FILE.
void addSignInOptions(CLI::App& verb, SignInOptions& options);

// Signs the operator in to the fee database at `databasePath` with the
// password of --password-file, else of FEEOFFICE_PASSWORD. An operator who
// has no password yet takes the one given as his. Returns his id; when the
// sign-in is refused, says why on `err` (after "feeoffice VERB: ") and
// returns nothing. The sign-in and its failures are audited as in the
// desktop program. Throws std::runtime_error when there is no database.
std::optional<int> signInHeadless(const SignInOptions& options, const std::string& databasePath,
                                  const std::string& verb, std::ostream& err);
// He is done: one line in the audit log.
void signOutHeadless(int user, const std::string& databasePath);

}  // namespace fo::app
