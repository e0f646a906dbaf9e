#pragma once
#include <functional>
#include <string>

#include "db/Connection.h"

namespace fo::test {

// The PostgreSQL cluster of the test run. ctest starts it (tests/pg) and
// names it in FEEOFFICE_TEST_PG for the tests it registers a second time to
// run on PostgreSQL; without it the tests run on the embedded engine.
bool onPostgres();

// The link string of database `name` on the test cluster.
std::string pgTestLink(const std::string& name);

// A database of its own for one test on the test cluster, a clone of the
// template `templateName`, which the first test of the run to ask for it
// makes by calling `fill` with the template's link (the processes take a
// lock per template, so a template is made once). The clone is one the
// cluster's filler made ahead when one is ready, else made here; dropped
// when the object goes.
class PgTestDatabase {
public:
    PgTestDatabase(const std::string& templateName, const std::function<void(const std::string& link)>& fill);
    ~PgTestDatabase();
    PgTestDatabase(const PgTestDatabase&) = delete;
    PgTestDatabase& operator=(const PgTestDatabase&) = delete;

    const std::string& link() const { return link_; }

private:
    std::string name_;
    std::string link_;
};

// A connection on `linkString` as the test arranges and reads the books: on
// the test cluster as the database's owner even while an operator is
// signed in (PgSignedInOperator); elsewhere the plain connection.
ConnectionPtr openAsOwner(const std::string& linkString);

// On a PostgreSQL test run, while it lives: every session the program opens
// on the database of `linkString` logs in as operator `userId`'s own server
// role, as after his sign-in, so the host's postings, cancellations and
// voids meet that role's grants, triggers and row security. A database
// cloned from a template shares the template's roles with every other
// clone, so the operator first gets a role of this database's own (dropped
// with it), with the test's password. Does nothing on the embedded engine.
class PgSignedInOperator {
public:
    PgSignedInOperator() = default;
    PgSignedInOperator(const std::string& linkString, int userId) { signIn(linkString, userId); }
    ~PgSignedInOperator();
    PgSignedInOperator(const PgSignedInOperator&) = delete;
    PgSignedInOperator& operator=(const PgSignedInOperator&) = delete;

    // He signs in now (in place of whoever was).
    void signIn(const std::string& linkString, int userId);
};

}  // namespace fo::test
