#pragma once
#include <functional>
#include <string>

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

}  // namespace fo::test
