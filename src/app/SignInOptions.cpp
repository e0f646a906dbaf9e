#include "app/SignInOptions.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "app/CommandLine.h"
#include "host/operators/SignIn.h"

namespace fo::app {
namespace {

// The password of the options: the first line of the file, else the
// environment's; nothing when neither gives one.
std::optional<std::string> givenPassword(const SignInOptions& options, std::string& problem) {
    if (!options.passwordFile.empty()) {
        std::ifstream file(options.passwordFile);
        std::string line;
        if (!file || !std::getline(file, line)) {
            problem = "cannot read a password from " + options.passwordFile;
            return std::nullopt;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    if (const char* env = std::getenv(PasswordVariable)) return std::string(env);
    problem = "operator " + std::to_string(options.user) + " needs his password: --password-file FILE or " +
              PasswordVariable;
    return std::nullopt;
}

std::string refusal(const SignInResult& result, int user) {
    const std::string who = "operator " + std::to_string(user);
    switch (result.status) {
    case SignInStatus::WrongPassword:
        return "wrong password for " + who +
               (result.waitSeconds > 0 ? " (the next attempt must wait " + std::to_string(result.waitSeconds) + " s)"
                                       : std::string());
    case SignInStatus::MustWait:
        return "too many wrong passwords for " + who + ": try again in " + std::to_string(result.waitSeconds) + " s";
    case SignInStatus::Disabled: return who + " is disabled";
    case SignInStatus::Unknown: return "there is no " + who;
    case SignInStatus::NotRecorded:
        return "the audit log could not record the sign-in of " + who +
               " (the database is busy or cannot be written): try again";
    default: return who + " cannot sign in";
    }
}

}  // namespace

void addSignInOptions(CLI::App& verb, SignInOptions& options) {
    verb.add_option("--user", options.user, "the operator's id (default 1, the administrator)")
        ->type_name("ID")
        ->check(wholeNumber(0, 999999999));
    verb.add_option("--password-file", options.passwordFile,
                    std::string("the file whose first line is his password; without it the password is taken "
                                "from the environment variable ") +
                        PasswordVariable)
        ->type_name("FILE");
}

std::optional<int> signInHeadless(const SignInOptions& options, const std::string& databasePath,
                                  const std::string& verb, std::ostream& err) {
    if (databaseMissing(databasePath)) throw std::runtime_error("no fee database at " + databasePath);
    const std::string prefix = "feeoffice " + verb + ": ";
    std::string problem;
    const std::optional<std::string> password = givenPassword(options, problem);
    if (!password) {
        err << prefix << problem << '\n';
        return std::nullopt;
    }
    SignIn signIn(linkStringFor(databasePath), databasePath);
    const SignInResult result = signIn.attempt(options.user, *password);
    if (result.status == SignInStatus::SignedIn) return result.op.id;
    if (result.status == SignInStatus::NeedsNewPassword) {
        // One asked to choose a new password still signs in with his
        // present one: a script cannot choose for him.
        if (result.op.hasPassword) return result.op.id;
        // The first sign-in sets the password, here as at the desktop.
        if (signIn.setNewPassword(options.user, {}, *password, *password).empty()) return result.op.id;
        err << prefix << "operator " << options.user << " has no password yet, and the one given cannot be his: "
            << "at least " << SignIn::MinPasswordLength << " characters, not only blanks\n";
        return std::nullopt;
    }
    err << prefix << refusal(result, options.user) << '\n';
    return std::nullopt;
}

void signOutHeadless(int user, const std::string& databasePath) {
    SignIn(linkStringFor(databasePath), databasePath).signedOut(user);
}

}  // namespace fo::app
