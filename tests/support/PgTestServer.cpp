#include "support/PgTestServer.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "data/PgServerRoles.h"
#include "db/Connection.h"
#include "db/pg/PgCredentials.h"
#include "db/pg/PgLink.h"
#include "db/sql/SqlQuoting.h"
#include "support/Query.h"

namespace fo::test {
namespace {

std::string socketFolder() {
    const char* state = std::getenv("FEEOFFICE_TEST_PG");
    if (!state || !*state) throw std::logic_error("no PostgreSQL test cluster (FEEOFFICE_TEST_PG)");
    std::ifstream in(state);
    std::string folder;
    if (!std::getline(in, folder) || folder.empty())
        throw std::runtime_error(std::string("the PostgreSQL test cluster did not start (no ") + state + ")");
    return folder;
}

std::int64_t count(Connection& cn, const std::string& sql) { return scalar(cn, sql).toInt(); }

// Serialises, across the test processes of the run, the making of one
// template and the taking of its ready clones; other templates go on.
std::string lockOf(const std::string& templateName, const char* verb) {
    return std::string("select pg_advisory_") + verb + "(hashtext('" + templateName + "'))";
}

// A clone of `templateName` that the cluster's filler made ahead (see
// tests/pg/pg-cluster.sh, which names them so), or "" when none is ready.
std::string readyClone(Connection& server, const std::string& templateName) {
    return scalar(server, "select datname from pg_database where starts_with(datname, 'fo_ready__" + templateName +
                              "__') order by oid limit 1").toText();
}

std::atomic<int> sequence{0};

}  // namespace

bool onPostgres() {
    const char* state = std::getenv("FEEOFFICE_TEST_PG");
    return state && *state;
}

std::string pgTestLink(const std::string& name) {
    return pgProviderString(PgLinkParts{socketFolder(), "5432", name, "feeoffice"});
}

PgTestDatabase::PgTestDatabase(const std::string& templateName,
                               const std::function<void(const std::string& link)>& fill)
    : name_("fo_test_" + std::to_string(::getpid()) + "_" + std::to_string(++sequence)), link_(pgTestLink(name_)) {
    auto server = openConnection(pgTestLink("postgres"));
    server->execute(lockOf(templateName, "lock"));
    std::string ready;
    try {
        if (count(*server, "select count(*) from pg_database where datname='" + templateName + "'") == 0) {
            // Made under another name and renamed when whole, so a template
            // that failed half-way is never cloned.
            const std::string building = templateName + "_building";
            server->execute("drop database if exists " + building);
            fill(pgTestLink(building));
            server->execute("alter database " + building + " rename to " + templateName);
        }
        // Taking a ready clone is a rename.
        ready = readyClone(*server, templateName);
        if (!ready.empty()) server->execute("alter database " + ready + " rename to " + name_);
    } catch (...) {
        server->execute(lockOf(templateName, "unlock"));
        throw;
    }
    server->execute(lockOf(templateName, "unlock"));
    // When the filler has not caught up, the test clones for itself, beside
    // the others. A file copy clones a small database several times faster
    // than the default strategy, which logs every page it writes.
    if (ready.empty())
        server->execute("create database " + name_ + " template " + templateName + " strategy file_copy");
}

PgTestDatabase::~PgTestDatabase() {
    try {
        // A connection the test left open must not keep the database.
        auto server = openConnection(pgTestLink("postgres"));
        server->execute("drop database if exists " + name_ + " with (force)");
        // Then the roles made for its operators (named after it), which
        // the cluster would otherwise keep.
        for (const std::string& role :
             firstColumn(*server, "select rolname from pg_roles where starts_with(rolname, '" + name_ + "_')"))
            server->execute("drop role if exists " + quotedIdentifier(role));
    } catch (...) {
    }
}

ConnectionPtr openAsOwner(const std::string& linkString) {
    const std::optional<PgSignedInRole> signedIn =
        isPostgresLink(linkString) ? pgSignedInRoleFor(linkString) : std::nullopt;
    if (!signedIn) return openConnection(linkString);
    // The link's own user (the owner, trusted on the test cluster) logs in
    // while no role is set; the operator is signed in again at once.
    clearPgSignedInRole();
    try {
        ConnectionPtr owner = openConnection(linkString);
        setPgSignedInRole(*signedIn);
        return owner;
    } catch (...) {
        setPgSignedInRole(*signedIn);
        throw;
    }
}

PgSignedInOperator::~PgSignedInOperator() {
    if (onPostgres()) clearPgSignedInRole();
}

void PgSignedInOperator::signIn(const std::string& linkString, int userId) {
    if (!onPostgres() || !isPostgresLink(linkString)) return;
    static const std::string password = "test-operator-password";
    clearPgSignedInRole();
    ConnectionPtr owner = openConnection(linkString);
    const std::string user = std::to_string(userId);
    if (count(*owner, "select count(*) from sys_user where id=" + user) == 0)
        throw std::logic_error("operator " + user + " is not in the database: the test arranges him first");
    std::string role = pgOperatorRole(*owner, userId);
    const std::string database = scalar(*owner, "select current_database()").toText();
    if (role.rfind(database + "_", 0) != 0)
        role = createPgOperatorRole(*owner, userId, count(*owner, "select count(*) from sys_user where admin<>0 and id=" + user) > 0);
    setPgOperatorPassword(*owner, userId, password);
    const PgLinkParts parts = pgLinkParts(linkString);
    setPgSignedInRole({parts.host, parts.port, parts.database, role, password});
}

}  // namespace fo::test
