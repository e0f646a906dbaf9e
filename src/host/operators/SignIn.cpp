#include "host/operators/SignIn.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "data/FeeDatabase.h"
#include "data/PasswordHash.h"
#include "data/PgServerRoles.h"
#include "db/DbError.h"
#include "db/pg/PgCredentials.h"
#include "db/pg/PgErrors.h"
#include "db/pg/PgLink.h"
#include "host/operators/AuditLog.h"
#include "host/database/SqlText.h"

namespace fo {
namespace {

const char* const kSignIn = "登录";
const char* const kSignInFailed = "登录失败";

long long secondsOf(const DateTime& t) {
    using namespace std::chrono;
    const sys_days day = year{t.year} / month{static_cast<unsigned>(t.month)} / std::chrono::day{static_cast<unsigned>(t.day)};
    return day.time_since_epoch().count() * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

DateTime secondsBefore(const DateTime& t, long long seconds) {
    using namespace std::chrono;
    const long long at = secondsOf(t) - seconds;
    long long days = at / 86400, rest = at % 86400;
    if (rest < 0) rest += 86400, --days;
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    return DateTime{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                    static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(rest / 3600),
                    static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
}

// Claims one attempt for `userId` at `now`: counts it as pending, unless
// the wait that his failures and the attempts still being verified impose
// has not passed yet; true when it was claimed. A pending attempt counts as
// a wrong password until it is verified, so of attempts made at once only
// as many as the wait allows are verified. The wait for each count is
// spelled out in the condition, so the check and the claim are one
// statement, atomic on every engine.
//
// A claim whose workstation died while verifying is never settled: once no
// attempt has been made for kStaleClaimSeconds (verifying takes a moment),
// such claims are let go, so they do not keep him waiting for ever. While
// attempts keep coming they stay, which only makes the wait stricter.
constexpr int kStaleClaimSeconds = 60;

bool claimAttempt(Connection& cn, int userId, const DateTime& now) {
    cn.execute("update sys_user set pending=0 where id=" + std::to_string(userId) + " and pending>0 and lastfailure<=" +
               sqlLiteral(secondsBefore(now, kStaleClaimSeconds).dateTimeText()));
    const std::string counted = "failures+pending";
    std::string allowed = counted + "<3 or lastfailure is null";
    for (int failures = 3, previous = 0;; ++failures) {
        const int wait = SignIn::waitAfter(failures);
        if (wait == previous) break;  // the longest wait: every higher count waits as long
        allowed += " or (" + counted + (SignIn::waitAfter(failures + 1) == wait ? ">=" : "=") +
                   std::to_string(failures) + " and lastfailure<=" +
                   sqlLiteral(secondsBefore(now, wait).dateTimeText()) + ")";
        previous = wait;
    }
    long changed = 0;
    cn.execute("update sys_user set pending=pending+1,lastfailure=" + sqlLiteral(now.dateTimeText()) +
                   " where id=" + std::to_string(userId) + " and (" + allowed + ")",
               &changed);
    return changed > 0;
}

// A claimed attempt is verified: a right password clears his count (the
// time of the last one stays while others are still being verified), a
// wrong one becomes a failure; one that could not be verified (the server
// did not answer) counts as nothing.
enum class Verified { Right, Wrong, Unverified };

void settleAttempt(Connection& cn, int userId, Verified how, const DateTime& now) {
    // Plain statements each engine and dialect reads alike (no case
    // expression); each is atomic, and a claim made between them only ever
    // finds the count higher than it ends.
    const std::string user = " where id=" + std::to_string(userId);
    if (how == Verified::Wrong)
        cn.execute("update sys_user set failures=failures+1,lastfailure=" + sqlLiteral(now.dateTimeText()) + user);
    cn.execute("update sys_user set pending=pending-1" + user + " and pending>0");
    if (how != Verified::Right) return;
    cn.execute("update sys_user set failures=0" + user);
    cn.execute("update sys_user set lastfailure=null" + user + " and pending=0");
}

// Whether attempts of his are still being verified.
bool attemptsPending(Connection& cn, int userId) {
    auto rs = cn.execute("select pending from sys_user where id=" + std::to_string(userId));
    return rs && !rs->eof() && rs->field(std::size_t{0}).toInt() > 0;
}

int failuresOf(Connection& cn, int userId) {
    auto rs = cn.execute("select failures from sys_user where id=" + std::to_string(userId));
    return rs && !rs->eof() ? static_cast<int>(rs->field(std::size_t{0}).toInt()) : 0;
}

// How long he must still wait after his last failure.
int secondsToWait(Connection& cn, int userId, const DateTime& now) {
    auto rs = cn.execute("select failures,lastfailure from sys_user where id=" + std::to_string(userId));
    if (!rs || rs->eof()) return 0;
    const auto last = rs->field(1).toDate();
    if (!last) return 0;
    return static_cast<int>(secondsOf(*last) + SignIn::waitAfter(static_cast<int>(rs->field(std::size_t{0}).toInt())) -
                            secondsOf(now));
}

std::size_t characters(const std::string& utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

SignIn::SignIn(std::string linkString, std::string databaseName)
    : linkString_(std::move(linkString)), databaseName_(std::move(databaseName)) {}

std::vector<Operator> SignIn::operatorsToChoose() const {
    ConnectionPtr cn = openFeeDatabase(linkString_);
    Operators operators(*cn);
    operators.ensureBuiltIns();
    std::vector<Operator> all = operators.list();
    std::erase_if(all, [](const Operator& op) { return op.disabled; });
    return all;
}

void SignIn::forgetServerRole() const {
    if (onServer() && pgSignedInRoleFor(linkString_)) clearPgSignedInRole();
}

bool SignIn::onServer() const { return isPostgresLink(linkString_); }

void SignIn::useServerRole(Connection& cn, int userId, const std::string& password) const {
    const PgLinkParts where = pgLinkParts(linkString_);
    setPgSignedInRole({where.host, where.port, where.database, pgOperatorRole(cn, userId), password});
}

bool SignIn::passwordIsRight(Connection& cn, int userId, const std::string& hash, const std::string& password) const {
    // On a server the password is the operator's role's, and the server's
    // own authentication checks it.
    if (onServer()) return pgLoginAccepted(linkString_, pgOperatorRole(cn, userId), password);
    return password::matches(hash, password);
}

namespace {

const char* const kNotRecorded =
    "登录无法记入审计日志（费用数据库正被其他程序或工作站占用，或不能写入），本次登录无效。请稍后再试；"
    "若一直如此，请让管理员检查数据库。";

SignInResult notRecorded(SignInResult result) {
    result.status = SignInStatus::NotRecorded;
    result.message = kNotRecorded;
    return result;
}

}  // namespace

SignInResult SignIn::attempt(int userId, const std::string& password, const DateTime& now) {
    try {
        return attemptOnce(userId, password, now);
    } catch (const DbError& e) {
        // The lock held past the wait, a full disk, a file that may not be
        // written: the attempt could be neither counted nor logged, so it
        // does not happen, whatever the password.
        if (e.kind() != DbErrorKind::Busy && e.kind() != DbErrorKind::DiskFull && e.kind() != DbErrorKind::ReadOnly)
            throw;
        forgetServerRole();
        SignInResult result;
        result.status = SignInStatus::NotRecorded;
        result.message = "本次登录无效：" + e.description();
        return result;
    }
}

SignInResult SignIn::attemptOnce(int userId, const std::string& password, const DateTime& now) {
    // A new sign-in starts from the workstation's own way in.
    forgetServerRole();
    ConnectionPtr cn = openFeeDatabase(linkString_);
    Operators operators(*cn);
    operators.ensureBuiltIns();  // a new database's administrator
    SignInResult result;
    const auto op = operators.find(userId);
    if (!op) {
        log(userId, {}, kSignInFailed, "没有该操作员");
        result.message = "没有编号为 " + std::to_string(userId) + " 的操作员。";
        return result;
    }
    result.op = *op;
    if (op->disabled) {
        log(userId, op->name, kSignInFailed, "已停用");
        result.status = SignInStatus::Disabled;
        result.message = "操作员“" + op->name + "”已停用，不能登录。";
        return result;
    }

    // The attempt is claimed before the password is looked at, in one
    // statement that also checks the wait: of attempts made at once, only
    // those the wait allows get past it, however many run in parallel. One
    // held back only by attempts still being verified waits for them (a
    // moment): right passwords made at once all get in, while guesses find
    // the failures those attempts became.
    bool claimed = claimAttempt(*cn, userId, now);
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         !claimed && attemptsPending(*cn, userId) && std::chrono::steady_clock::now() < until;
         claimed = claimAttempt(*cn, userId, now))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!claimed) {
        log(userId, op->name, kSignInFailed, "等待中，未校验密码");
        result.status = SignInStatus::MustWait;
        result.waitSeconds = std::max(1, secondsToWait(*cn, userId, now));
        result.message = "密码错误次数过多，请 " + std::to_string(result.waitSeconds) + " 秒后再试。";
        return result;
    }
    std::string hash;
    bool right = false;
    try {
        hash = operators.passwordHash(userId);
        // One without a password yet proves nothing: he sets his first.
        right = hash.empty() || passwordIsRight(*cn, userId, hash, password);
    } catch (...) {
        settleAttempt(*cn, userId, Verified::Unverified, now);
        throw;
    }
    settleAttempt(*cn, userId, right ? Verified::Right : Verified::Wrong, now);
    if (hash.empty()) {
        result.status = SignInStatus::NeedsNewPassword;
        result.message = "“" + op->name + "”还没有密码：请设置登录密码。";
        return result;
    }
    if (!right) {
        log(userId, op->name, kSignInFailed, "密码错误");
        result.status = SignInStatus::WrongPassword;
        result.waitSeconds = waitAfter(failuresOf(*cn, userId));
        result.message = "密码错误！";
        if (result.waitSeconds > 0) result.message += "请 " + std::to_string(result.waitSeconds) + " 秒后再试。";
        return result;
    }
    // He proved his password: from here on the sessions are his role's (a
    // headless sign-in goes on with the password that is due for a change).
    if (onServer()) useServerRole(*cn, userId, password);
    if (op->mustSetPassword) {
        if (!signInRecorded(userId, op->name, "成功，须设置新密码")) return notRecorded(result);
        result.status = SignInStatus::NeedsNewPassword;
        result.message = "请为“" + op->name + "”设置新的登录密码。";
        return result;
    }
    if (!signInRecorded(userId, op->name, "成功")) return notRecorded(result);
    result.status = SignInStatus::SignedIn;
    return result;
}

std::string SignIn::setNewPassword(int userId, const std::string& current, const std::string& next,
                                   const std::string& repeated) {
    forgetServerRole();
    ConnectionPtr cn = openFeeDatabase(linkString_);
    Operators operators(*cn);
    const auto op = operators.find(userId);
    if (!op || op->disabled) return "该操作员不能登录。";
    const std::string hash = operators.passwordHash(userId);
    if (!hash.empty() && !passwordIsRight(*cn, userId, hash, current)) return "原密码不对。";
    if (next != repeated) return "两次输入的新密码不一致。";
    if (std::string why = passwordRule(next); !why.empty()) return why;
    if (!hash.empty() && next == current) return "新密码不能与原密码相同。";
    if (!onServer()) {
        operators.setPassword(userId, next, false);
    } else if (hash.empty()) {
        // His role has no password yet: only who may manage roles (the
        // schema's owner, an administrator) can give it its first.
        try {
            Transaction tx(*cn);
            operators.setPassword(userId, next, false);
            tx.commit();
        } catch (const DbError& e) {
            if (e.kind() != DbErrorKind::ReadOnly) throw;
            return "“" + op->name + "”还没有密码，只有数据库的所有者或管理员才能为他设置第一个密码。";
        }
    } else {
        // He changes his own, signed in as himself.
        useServerRole(*cn, userId, current);
        ConnectionPtr his = openFeeDatabase(linkString_);
        his->execute("alter role current_user password " +
                     sqlLiteral(pgPasswordVerifier(pgOperatorRole(*cn, userId), next)));
        his->execute("update sys_user set mustsetpw=0 where id=" + std::to_string(userId));
    }
    if (onServer()) useServerRole(*cn, userId, next);
    log(userId, op->name, "设置密码", audit::Done);
    if (hash.empty() && !signInRecorded(userId, op->name, "成功")) return kNotRecorded;
    return {};
}

void SignIn::signedOut(int userId) {
    std::string name;
    try {
        ConnectionPtr cn = openFeeDatabase(linkString_);
        if (auto op = Operators(*cn).find(userId)) name = op->name;
    } catch (...) {
    }
    log(userId, name, "退出登录", audit::Done);
    forgetServerRole();
}

std::string SignIn::passwordRule(const std::string& password) {
    if (characters(password) < MinPasswordLength)
        return "密码至少要有 " + std::to_string(MinPasswordLength) + " 个字符。";
    if (password.find_first_not_of(" \t") == std::string::npos) return "密码不能全是空格。";
    return {};
}

int SignIn::waitAfter(int failures) {
    if (failures < 3) return 0;
    const int doublings = std::min(failures - 3, 6);
    return std::min(300, 5 << doublings);
}

bool SignIn::signInRecorded(int userId, const std::string& userName, const std::string& outcome) const {
    if (AuditLog(linkString_, databaseName_, userId, userName).eventRecorded(kSignIn, {}, outcome)) return true;
    forgetServerRole();
    return false;
}

void SignIn::log(int userId, const std::string& userName, const std::string& operation,
                 const std::string& outcome) const {
    AuditLog(linkString_, databaseName_, userId, userName).event(operation, {}, outcome);
}

}  // namespace fo
