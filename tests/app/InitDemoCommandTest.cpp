// The init-demo verb, run as the built executable.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/TempDir.h"

namespace {

struct VerbRun {
    int exitCode = -1;
    std::string out, err;
};

class InitDemoVerb : public ::testing::Test {
protected:
    VerbRun run(const std::string& args) {
        const std::string out = dir.file("out.txt"), err = dir.file("err.txt");
        const int status = std::system((std::string("'") + FEEOFFICE_EXE + "' init-demo " + args + " >'" + out + "' 2>'" +
                                        err + "'").c_str());
        return VerbRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
    }
    static std::string slurp(const std::string& path) {
        std::ifstream in(path);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fo::test::TempDir dir;
};

TEST_F(InitDemoVerb, WritesTheSchoolAndPrintsItsSummary) {
    const std::string db = dir.file("demo.db");
    const VerbRun r = run("'" + db + "' --students 25 --seed 3 --today 2026-11-05");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("students:              25"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("months carried over:   2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("open month:            202611"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("receipts:"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(db));
}

TEST_F(InitDemoVerb, RefusesAnExistingFileWithoutTouchingIt) {
    const std::string db = dir.file("taken.db");
    { std::ofstream(db) << "not a fee office"; }
    const VerbRun r = run("'" + db + "' --students 5");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(db), "not a fee office");
}

TEST_F(InitDemoVerb, BadArgumentsPrintTheUsage) {
    for (const std::string args : {std::string(), dir.file("a.db") + " --students x",
                                   dir.file("a.db") + " --today 2026-02-30", dir.file("a.db") + " --seed",
                                   dir.file("a.db") + " " + dir.file("b.db")}) {
        const VerbRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find("usage: feeoffice init-demo FILE"), std::string::npos) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.db")));
}

}  // namespace
