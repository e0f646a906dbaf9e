#include "db/pg/PgCredentials.h"

#include <libpq-fe.h>

#include <memory>
#include <mutex>

#include "db/DbError.h"
#include "db/pg/PgEngine.h"
#include "db/pg/PgErrors.h"
#include "db/pg/PgLink.h"

namespace fo {
namespace {

std::mutex guard;
std::optional<PgSignedInRole> current;

}  // namespace

void setPgSignedInRole(PgSignedInRole signedIn) {
    std::lock_guard lock(guard);
    current = std::move(signedIn);
}

void clearPgSignedInRole() {
    std::lock_guard lock(guard);
    if (current) current->password.assign(current->password.size(), '\0');
    current.reset();
}

std::optional<PgSignedInRole> pgSignedInRoleFor(const std::string& link) {
    const PgLinkParts parts = pgLinkParts(link);
    std::lock_guard lock(guard);
    if (current && current->host == parts.host && current->port == parts.port && current->database == parts.database)
        return current;
    return std::nullopt;
}

std::string pgPasswordVerifier(const std::string& role, const std::string& password) {
    // libpq makes the verifier only through a connection object, which it
    // uses for nothing else when the method is named: one that never
    // connects (no polling follows its start) serves.
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectStart("host=/nonexistent dbname=none"), &PQfinish);
    char* made = conn ? PQencryptPasswordConn(conn.get(), password.c_str(), role.c_str(), "scram-sha-256") : nullptr;
    if (!made) throw DbError(dberr::BadProvider, "cannot make the password's SCRAM verifier");
    std::string verifier = made;
    PQfreemem(made);
    return verifier;
}

}  // namespace fo

namespace fo {

bool pgLoginAccepted(const std::string& link, const std::string& role, const std::string& password) {
    try {
        PgEngine session(pgConninfo(link), 0, shownWithoutPassword(link), role, password);
        return true;
    } catch (const DbError& e) {
        if (e.code() == pgErrorCode("28P01") || e.code() == pgErrorCode("28000")) return false;
        throw;
    }
}

}  // namespace fo
