#pragma once
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

#include <unistd.h>

#include "host/demo/DemoSchool.h"
#include "support/PgTestServer.h"
#include "support/TempDir.h"

namespace fo::test {

// The demo school of `options` (a fixed day) as a file written once per
// build of the test program, for all its tests and runs to copy: writing a
// school takes hundreds of milliseconds, copying it a few, and ctest runs
// every test in a process of its own. A rebuilt program writes its own
// schools; those of earlier builds go after an hour.
inline std::string cachedDemoSchool(const DemoOptions& options) {
    namespace fs = std::filesystem;
    if (options.today.empty()) throw std::logic_error("a cached demo school needs a fixed day");
    const char* base = std::getenv("FEEOFFICE_TEST_TMP");
    const fs::path dir = fs::path(base && *base ? fs::path(base) : fs::temp_directory_path()) / "demo-schools";
    fs::create_directories(dir);
    const auto built =
        static_cast<unsigned long long>(fs::last_write_time("/proc/self/exe").time_since_epoch().count());
    std::string day = options.today;
    std::erase(day, '-');
    const fs::path file = dir / ("demo_" + std::to_string(options.students) + "_" + std::to_string(options.seed) + "_" +
                                 day + "_" + std::to_string(built) + ".db");
    if (fs::exists(file)) return file.string();

    std::error_code ignored;
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ignored))
        if (e.last_write_time(ignored) < hourAgo) fs::remove(e.path(), ignored);
    // Written under a name of this process's own, then put in place whole.
    const fs::path part = file.string() + "." + std::to_string(::getpid()) + ".part";
    writeDemoSchool(part.string(), options);
    if (fs::exists(part.string() + "-wal")) throw std::runtime_error("the demo school was left with a write-ahead log");
    fs::rename(part, file);
    return file.string();
}

// A demo fee office for one test: a copy in `dir` of the school written for
// these options, or on a PostgreSQL test run (or `onServer`) a database of
// its own, cloned from the demo written once per run for the same options.
class DemoDatabase {
public:
    DemoDatabase(const TempDir& dir, const DemoOptions& options, const std::string& fileName = "fee.db",
                 bool onServer = onPostgres()) {
        if (!onServer) {
            location_ = dir.file(fileName);
            std::filesystem::copy_file(cachedDemoSchool(options), location_);
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
