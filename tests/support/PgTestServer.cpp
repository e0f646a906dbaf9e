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

// Serialises the making of templates and the cloning of them across the
// test processes of the run.
constexpr const char* kTemplateLock = "select pg_advisory_lock(4242)";
constexpr const char* kTemplateUnlock = "select pg_advisory_unlock(4242)";

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
    server->execute(kTemplateLock);
    try {
        if (count(*server, "select count(*) from pg_database where datname='" + templateName + "'") == 0) {
            // Made under another name and renamed when whole, so a template
            // that failed half-way is never cloned.
            const std::string building = templateName + "_building";
            server->execute("drop database if exists " + building);
            fill(pgTestLink(building));
            server->execute("alter database " + building + " rename to " + templateName);
        }
        server->execute("create database " + name_ + " template " + templateName);
    } catch (...) {
        server->execute(kTemplateUnlock);
        throw;
    }
    server->execute(kTemplateUnlock);
}

PgTestDatabase::~PgTestDatabase() {
    try {
        // A connection the test left open must not keep the database.
        openConnection(pgTestLink("postgres"))->execute("drop database if exists " + name_ + " with (force)");
    } catch (...) {
    }
}

}  // namespace fo::test
