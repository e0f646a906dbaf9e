// The command line, parsed in-process: what the desktop program would open,
// each verb's help, and bad values refused with their option named.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

struct Parsed {
    std::optional<int> status;  // nothing: the line names something to run
    std::string out;
    std::string err;
};

Parsed parse(fo::app::CommandLine& line, const std::vector<std::string>& words) {
    std::ostringstream out, err;
    const std::optional<int> status = line.parse(words, out, err);
    return {status, out.str(), err.str()};
}

TEST(CommandLine, AFileGivenAloneOrByDbIsWhatTheDesktopProgramOpensAndAmbiguousLinesAreUsageErrors) {
    // The verb, the database and the dialect the line comes to.
    const std::vector<std::pair<std::vector<std::string>, std::string>> good = {
        {{"/home/clerk/账本 2026.db"}, "|/home/clerk/账本 2026.db|1"},  // a file manager's "Open with"
        {{"--dialect", "0", "sql.db"}, "|sql.db|0"},                   // a file whose name is close to a verb's
        {{"--db", "school.db"}, "|school.db|1"},
        {{"sql", "--db", "school.db", "select 1"}, "sql||1"},  // a verb leaves the desktop options alone
    };
    for (const auto& [words, shown] : good) {
        fo::app::CommandLine line;
        const auto p = parse(line, words);
        ASSERT_FALSE(p.status) << p.err;
        EXPECT_EQ(line.verbName() + "|" + line.guiOptions().database + "|" + std::to_string(line.guiOptions().dialect),
                  shown);
    }
    // Ambiguous or mistyped lines are usage errors.
    const std::vector<std::vector<std::string>> bad = {
        {"--db", "a.db", "b.db"},         // two databases
        {"chek", "--db", "a.db"},         // no verb, and no file either
        {"--dialect", "0", "sql", "--db", "a.db", "select 1"},  // a desktop option before a verb
    };
    for (const auto& words : bad) {
        fo::app::CommandLine line;
        const auto p = parse(line, words);
        EXPECT_EQ(p.status, 2) << words.front();
        EXPECT_EQ(p.out, "");
        EXPECT_NE(p.err.find("usage: feeoffice"), std::string::npos) << p.err;
    }
    fo::app::CommandLine line;
    EXPECT_NE(parse(line, {"chek"}).err.find("chek is neither a verb (tour, init, init-demo, sql, drive"), std::string::npos);
}

TEST(CommandLine, BadValuesNameTheirOptionAndWhy) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"init-demo", "x.db", "--today", "2026-13-45"}, "feeoffice init-demo: --today: 2026-13-45 is not a date"},
        {{"init-demo", "x.db", "--today", "2026-02-29"}, "--today: 2026-02-29 is not a date"},
        {{"init-demo", "x.db", "--students", "-3"}, "--students: -3 is not a whole number from 1 to 100000"},
        {{"init-demo", "x.db", "--students", "0"}, "--students: 0 is not a whole number"},
        {{"init-demo", "x.db", "--seed", "1e3"}, "--seed: 1e3 is not a whole number"},
        {{"sql", "--db", "x.db", "--dialect", "7", "select 1"}, "feeoffice sql: --dialect: 7 is not a dialect"},
        {{"drive", "--db", "x.db", "--user", "admin", "s.txt"}, "--user: admin is not a whole number"},
        {{"drive", "--db", "x.db", "--set", "=1", "s.txt"}, "--set: =1 is not NAME=VALUE"},
        {{"sql", "--db", "x.db", " "}, "STATEMENT: nothing given"},
        {{"sql", "--db", "", "select 1"}, "--db: nothing given"},
        {{"tour", "--db", "x.db", "--out", "pics", "--dialect", "SQL"}, "--dialect: SQL is not a dialect"},
        {{"log", "--db", "x.db", "--from", "2026-12-32"}, "--from: 2026-12-32 is not a date"},
        {{"--dialect", "2"}, "feeoffice: --dialect: 2 is not a dialect"},
    };
    for (const auto& [words, message] : cases) {
        fo::app::CommandLine line;
        const auto p = parse(line, words);
        EXPECT_EQ(p.status, 2) << message;
        EXPECT_NE(p.err.find(message), std::string::npos) << p.err;
        const std::string usage = "usage: feeoffice " + (words.front()[0] == '-' ? "" : words.front());
        EXPECT_NE(p.err.find(usage), std::string::npos) << p.err;
    }
    // The values at the edges of what is allowed pass.
    fo::app::CommandLine line;
    EXPECT_FALSE(parse(line, {"init-demo", "x.db", "--students", "100000", "--today", "2028-02-29"}).status);
}

TEST(CommandLine, EveryVerbExplainsEachOfItsOptionsAndItsExitStatus) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> verbs = {
        {"tour", {"--db DB", "--out DIR", "--dialect 1|0", "--user ID", "--password-file FILE"}},
        {"init", {"DB"}},
        {"init-demo", {"DB ", "--students N", "--seed S", "--today yyyy-mm-dd"}},
        {"sql", {"--db DB", "--dialect 1|0", "STATEMENT "}},
        {"drive", {"--db DB", "--dialect 1|0", "--user ID", "--password-file FILE", "--settings DIR",
                   "--export-dir DIR", "--set NAME=VALUE", "SCRIPT "}},
        {"log", {"--db DB", "--from yyyy-mm-dd", "--to yyyy-mm-dd"}},
        {"copy", {"--from DB", "--to DB"}},
        {"month-end", {"--db DB", "--month yyyymm", "--today yyyy-mm-dd", "--user ID", "--password-file FILE"}},
        {"import-students", {"--db DB", "FILE", "--dry-run", "--user ID", "--password-file FILE"}},
    };
    for (const auto& [verb, options] : verbs) {
        fo::app::CommandLine line;
        const auto p = parse(line, {verb, "--help"});
        EXPECT_EQ(p.status, 0) << verb;
        EXPECT_EQ(p.err, "");
        EXPECT_NE(p.out.find("usage: feeoffice " + verb + " "), std::string::npos) << p.out;
        EXPECT_NE(p.out.find("exit status: 0 "), std::string::npos) << p.out;
        for (const std::string& option : options) {
            // Listed with a word of explanation after it, not only in the synopsis.
            const auto at = p.out.find("\n  " + option);
            ASSERT_NE(at, std::string::npos) << verb << ": " << option << '\n' << p.out;
            const auto end = p.out.find('\n', at + 1);
            EXPECT_GT(end - at, 30u) << p.out.substr(at, end - at);
        }
    }
    // The program's own help lists every verb by its synopsis.
    fo::app::CommandLine line;
    const auto p = parse(line, {"--help"});
    EXPECT_EQ(p.status, 0);
    for (const auto& [verb, options] : verbs)
        EXPECT_NE(p.out.find("  feeoffice " + verb + " " + options.front()), std::string::npos) << p.out;
}

}  // namespace
