// The sql verb, run as the built executable would be run by a script.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SqlVerb : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("FEEOFFICE_TEST_TMP");
        fs::path root = base ? fs::path(base) : fs::temp_directory_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = root / ("sqlverb-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        db_ = (dir_ / "fee.db").string();
        // An empty file is an empty database to the engine.
        std::ofstream(db_).close();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the executable with `args` (no shell, so statements need no quoting).
    RunResult run(std::vector<std::string> args) {
        args.insert(args.begin(), FEEOFFICE_EXE);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        const std::string outPath = (dir_ / "stdout").string(), errPath = (dir_ / "stderr").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        RunResult result;
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return result;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readFile(outPath);
        result.err = readFile(errPath);
        return result;
    }

    RunResult sql(const std::string& statement) { return run({"sql", "--db", db_, statement}); }

    fs::path dir_;
    std::string db_;
};

TEST_F(SqlVerb, StatementsWithoutRowsReportTheRowsAffected) {
    auto created = sql("create table t(id int, name varchar(20), je money)");
    EXPECT_EQ(created.exitCode, 0) << created.err;
    EXPECT_EQ(created.out, "0 rows affected\n");

    auto inserted = sql("insert into t(id,name,je) values(1,'张三',12.5),(2,'O''Brien',null),(3,'李四',0)");
    EXPECT_EQ(inserted.exitCode, 0) << inserted.err;
    EXPECT_EQ(inserted.out, "3 rows affected\n");

    auto updated = run({"sql", "--db", db_, "--dialect", "0", "update t set je=je+1 where je is not null"});
    EXPECT_EQ(updated.exitCode, 0) << updated.err;
    EXPECT_EQ(updated.out, "2 rows affected\n");
}

TEST_F(SqlVerb, QueriesPrintAHeaderAndTabSeparatedRowsWithNullAsEmpty) {
    ASSERT_EQ(sql("create table t(id int, name varchar(20), je money)").exitCode, 0);
    ASSERT_EQ(sql("insert into t values(1,'张三',12.5),(2,'O''Brien',null)").exitCode, 0);

    auto rows = run({"sql", "--dialect", "1", "--db", db_, "select id, name as 姓名, je from t order by id"});
    EXPECT_EQ(rows.exitCode, 0) << rows.err;
    EXPECT_EQ(rows.out, "id\t姓名\tje\n1\t张三\t12.5\n2\tO'Brien\t\n");
    EXPECT_EQ(rows.err, "");

    // A query without rows still names its columns.
    auto none = sql("select id, name from t where id > 5");
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "id\tname\n");
}

TEST_F(SqlVerb, AnEngineErrorGoesToStandardErrorWithExitStatusOne) {
    auto failed = sql("select * from no_such_table");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err.find("no_such_table"), std::string::npos) << failed.err;
}

TEST_F(SqlVerb, AMissingDatabaseFileIsAnErrorAndIsNotCreated) {
    const std::string missing = (dir_ / "missing.db").string();
    auto result = run({"sql", "--db", missing, "select 1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(missing), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(SqlVerb, BadArgumentsPrintUsageWithExitStatusTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {"sql"},
        {"sql", "select 1"},                                   // no database
        {"sql", "--db", db_},                                  // no statement
        {"sql", "--db"},                                       // option without value
        {"sql", "--db", db_, "--dialect", "2", "select 1"},    // unknown dialect
        {"sql", "--db", db_, "--verbose", "select 1"},         // unknown option
        {"sql", "--db", db_, "select 1", "select 2"},          // two statements
    };
    for (const auto& args : bad) {
        auto result = run(args);
        EXPECT_EQ(result.exitCode, 2) << args.size();
        EXPECT_NE(result.err.find("usage"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

}  // namespace
