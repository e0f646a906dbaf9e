#pragma once
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>
#include <unistd.h>

#include "db/Connection.h"

namespace fo::dbtest {

// A new, empty database file of its own for one test, under
// $FEEOFFICE_TEST_TMP (set by ctest) or the system's temporary directory. The
// file and its WAL companions are removed when the object goes.
class TempDatabase {
public:
    TempDatabase() {
        namespace fs = std::filesystem;
        static std::atomic<int> counter{0};
        const char* base = std::getenv("FEEOFFICE_TEST_TMP");
        const fs::path dir = (base && *base) ? fs::path(base) : fs::temp_directory_path();
        fs::create_directories(dir);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "db";
        for (char& c : name)
            if (c == '/') c = '_';
        path_ = (dir / ("db-" + name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".db"))
                    .string();
        removeFiles();
        createDatabase(connectionString())->close();
    }
    ~TempDatabase() { removeFiles(); }
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    const std::string& path() const { return path_; }
    std::string connectionString() const { return sqliteConnectionString(path_); }
    ConnectionPtr connect() const { return openConnection(connectionString()); }

private:
    void removeFiles() const {
        std::error_code ignored;
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path_ + suffix, ignored);
    }
    std::string path_;
};

// Dialect codes: 1 SQL Server, 0 Access. Tests of statements whose text differs
// between the dialects run once per code, each on its own database.
inline constexpr int kSqlServer = 1;
inline constexpr int kAccess = 0;

class DialectDbTest : public ::testing::TestWithParam<int> {
protected:
    bool sqlServer() const { return GetParam() == kSqlServer; }
    // The form of a statement for the dialect of this run.
    const char* pick(const char* sqlServerForm, const char* accessForm) const {
        return sqlServer() ? sqlServerForm : accessForm;
    }
    TempDatabase db_;
    ConnectionPtr cn_ = db_.connect();
};

inline std::string dialectName(const ::testing::TestParamInfo<int>& info) {
    return info.param == kSqlServer ? "SqlServer" : "Access";
}

}  // namespace fo::dbtest

#define FO_DB_BOTH_DIALECTS(suite)                                                                 \
    INSTANTIATE_TEST_SUITE_P(Dialects, suite,                                                      \
                             ::testing::Values(::fo::dbtest::kSqlServer, ::fo::dbtest::kAccess), \
                             ::fo::dbtest::dialectName)
