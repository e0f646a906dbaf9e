#pragma once
#include <string>
#include <vector>

#include "db/values/DateTime.h"
#include "host/operators/Operators.h"

namespace fo {

// What became of a sign-in attempt.
enum class SignInStatus {
    SignedIn,          // the password was right
    NeedsNewPassword,  // right (or none stored yet): he must now set a new one
    WrongPassword,
    MustWait,          // too many wrong passwords: not even tried
    Disabled,
    Unknown,           // no such operator
    NotRecorded,       // right, but the audit log could not record it: no sign-in
};

struct SignInResult {
    SignInStatus status = SignInStatus::Unknown;
    Operator op;          // who he is, when known
    int waitSeconds = 0;  // how long the next attempt must wait
    std::string message;  // what the clerk reads; "" when signed in
};

// Signing in to a fee database, the same for the desktop program and the
// headless verbs. A password is checked against its stored hash only. An
// operator with no password yet (a new database's administrator, a new or
// upgraded operator) proves nothing at his first sign-in: he sets his
// password there. Three wrong passwords in a row make the next attempt wait
// 5 seconds, and every further one twice as long (up to 5 minutes); the
// count lives in the database, so a restart does not reset it. Every
// sign-in, failed sign-in, password change and sign-out is written to the
// audit log.
//
// On a server the operator's password is his login role's (PgServerRoles),
// checked by the server's own authentication: the link's user (the
// workstation's way in) reads the operators and counts the attempt, and
// once he is signed in every session the program opens on the database
// logs in as his role, with the password he typed held in memory only
// (PgCredentials), until he signs out.
class SignIn {
public:
    static constexpr int MinPasswordLength = 6;

    // On the fee database at `linkString`, called `databaseName` in the log;
    // each call opens it as every program does (an older one is upgraded, one
    // that is no fee database refused with DbError).
    SignIn(std::string linkString, std::string databaseName);

    // The operators who can sign in, by id.
    std::vector<Operator> operatorsToChoose() const;
    SignInResult attempt(int userId, const std::string& password, const DateTime& now = DateTime::now());
    // Sets `next` as his password after attempt() answered NeedsNewPassword
    // (`current` is what he signed in with). Returns why it is refused, ""
    // when it is set.
    std::string setNewPassword(int userId, const std::string& current, const std::string& next,
                               const std::string& repeated);
    // He leaves: one line in the log.
    void signedOut(int userId);

    // Why `password` cannot be a new password; "" when it can.
    static std::string passwordRule(const std::string& password);
    // The wait before the next attempt after `failures` wrong passwords in a row.
    static int waitAfter(int failures);

private:
    SignInResult attemptOnce(int userId, const std::string& password, const DateTime& now);
    bool onServer() const;
    // On a server: whether the password is his role's, and from now on
    // every session of this database logs in as his role; or as the link's
    // user again.
    bool passwordIsRight(Connection& cn, int userId, const std::string& hash, const std::string& password) const;
    void useServerRole(Connection& cn, int userId, const std::string& password) const;
    void forgetServerRole() const;
    void log(int userId, const std::string& userName, const std::string& operation, const std::string& outcome) const;
    // Logs a sign-in; false, after taking back the server role it gave,
    // when its row could not be written (the lock held past the wait, a
    // full disk): a sign-in nobody can find in the log does not happen.
    bool signInRecorded(int userId, const std::string& userName, const std::string& outcome) const;

    std::string linkString_, databaseName_;
};

}  // namespace fo
