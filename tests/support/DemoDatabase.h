#pragma once
#include <memory>
#include <string>

#include "host/demo/DemoSchool.h"
#include "support/PgTestServer.h"
#include "support/TempDir.h"

namespace fo::test {

// A demo fee office for one test: a new file in `dir`, or on a PostgreSQL
// test run a database of its own, cloned from the demo written once per run
// for the same options.
class DemoDatabase {
public:
    DemoDatabase(const TempDir& dir, const DemoOptions& options, const std::string& fileName = "fee.db") {
        if (!onPostgres()) {
            location_ = dir.file(fileName);
            writeDemoSchool(location_, options);
            return;
        }
        std::string day = options.today;
        std::erase(day, '-');
        const std::string name = "fo_tpl_demo_" + std::to_string(options.students) + "_" +
                                 std::to_string(options.seed) + "_" + day;
        server_ = std::make_unique<PgTestDatabase>(
            name, [&options](const std::string& link) { writeDemoSchool(link, options); });
        location_ = server_->link();
    }

    // The database as the reference host opens it: a path or a link string.
    const std::string& location() const { return location_; }

private:
    std::unique_ptr<PgTestDatabase> server_;
    std::string location_;
};

}  // namespace fo::test
