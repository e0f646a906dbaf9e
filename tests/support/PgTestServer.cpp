#include "support/PgTestServer.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "db/Connection.h"
#include "db/pg/PgLink.h"

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

std::int64_t count(Connection& cn, const std::string& sql) {
    RecordsetPtr rs = cn.execute(sql);
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toInt() : 0;
}

// Serialises, across the test processes of the run, the making of one
// template and the taking of its ready clones; other templates go on.
std::string lockOf(const std::string& templateName, const char* verb) {
    return std::string("select pg_advisory_") + verb + "(hashtext('" + templateName + "'))";
}

// A clone of `templateName` that the cluster's filler made ahead (see
// tests/pg/pg-cluster.sh, which names them so), or "" when none is ready.
std::string readyClone(Connection& server, const std::string& templateName) {
    RecordsetPtr rs = server.execute("select datname from pg_database where starts_with(datname, 'fo_ready__" +
                                     templateName + "__') order by oid limit 1");
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toText() : std::string();
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
        openConnection(pgTestLink("postgres"))->execute("drop database if exists " + name_ + " with (force)");
    } catch (...) {
    }
}

}  // namespace fo::test
