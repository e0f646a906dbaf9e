// The command line, parsed in-process: what the desktop program would open,
// each verb's help, and bad values refused with their option named. The
// verbs that make, read, check and carry over a fee database, run as the
// built executable: init and init-demo, sql, check, month-end and
// import-students; and the drive verb on a demo fee office, whose script's
// status is the exit status once the operator signed in. (What the script
// driver does with each line is its own test's, in-process.) And
// `cmake --install` puts the program where the desktop finds it: the
// executable, its menu entry (checked by desktop-file-validate), its icon,
// and the MIME type that tells a fee database from any other SQLite file
// (checked by GLib's content-type detection on the installed database).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ExeRunner.h"
#include "support/XlsxSheet.h"

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

class Verbs : public fo::test::ExeTest {
protected:
    // What the sql verb prints for `statement` on `db`.
    std::string sql(const std::string& db, const std::string& statement) {
        return run({"sql", "--db", db, statement}).out;
    }
};

// One demo office through its month-end: only an administrator carries
// over, a month not over must be named, and the books check passes before
// and after; then a removed trail shows in the check, both ways.
TEST_F(Verbs, InitDemoSummarisesTheOfficeWhoseMonthEndIsAnAdministratorsNamedStepAndCheckFindsADamagedTrail) {
    const std::string db = path("school.db");
    const auto made = run({"init-demo", db, "--students", "30", "--seed", "3", "--today", "2026-11-05"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    for (const char* line : {"students:              30", "months carried over:   2", "open month:            202611",
                             "receipts:"})
        EXPECT_NE(made.out.find(line), std::string::npos) << made.out;
    auto r = run({"check", "--db", db});
    EXPECT_EQ(std::to_string(r.exitCode) + "|" + r.out, "0|ok\n") << r.err;

    std::ofstream(path("clerk")) << "zhang123\n";
    std::ofstream(path("admin")) << "admin123\n";
    r = run({"month-end", "--db", db, "--today", "2026-11-07", "--user", "2", "--password-file", path("clerk")});
    EXPECT_TRUE(fo::test::endedSaying(r, 1, "only an administrator")) << r.err;
    const std::vector<std::string> admin = {"month-end", "--db", db, "--password-file", path("admin"), "--today", "2026-11-07"};
    r = run(admin);
    EXPECT_TRUE(fo::test::endedSaying(r, 1, "202611 is not over yet; name it with --month 202611")) << r.err;
    auto words = admin;
    words.insert(words.end(), {"--month", "202610"});
    EXPECT_EQ(run(words).exitCode, 1);
    EXPECT_EQ(sql(db, "select count(*) from hisxsinfo where jzyf='202611'"), "count(*)\n0\n");
    words = admin;
    words.insert(words.end(), {"--month", "202611"});
    r = run(words);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("carried over 202611"), std::string::npos) << r.out;
    EXPECT_NE(run({"log", "--db", db}).out.find("\t月末结转\t202611\t"), std::string::npos);
    EXPECT_EQ(run({"check", "--db", db}).out, "ok\n");

    // A reduction whose log row is gone, and a log row of a void whose
    // receipt was turned back to live. (Each fault of the books themselves:
    // the books check's own tests.)
    const auto damage = run({"sql", "--db", db,
                             "delete from sys_log where id=(select min(id) from sys_log where operation='减免');"
                             "update PJML set pjState='' where djbh=(select min(djbh) from sys_log where"
                             " operation='作废票据')"});
    ASSERT_EQ(damage.exitCode, 0) << damage.err;
    r = run({"check", "--db", db});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("在操作日志中没有记载。 [audit-missing]\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("在账中不存在或没有作废。 [audit-orphan]\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("ok\n"), std::string::npos);
}

// An empty office, written once and never over: the books check passes,
// there is no student, and the administrator is there to sign in and
// choose his password; its first students come from a roster, each row
// said first, then the accepted written; the administrator's sql verb works
// on it. Nothing is written over a file or into a folder that is not there,
// and anything but a fee database is refused untouched, by every verb alike.
TEST_F(Verbs, InitWritesEmptyBooksOnceARosterFillsThemSqlPrintsTheRowsOrTheErrorAndNoVerbWritesOverAnythingElse) {
    const std::string db = path("office.db");
    const auto r = run({"init", db});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto again = run({"init", db});
    EXPECT_TRUE(fo::test::endedSaying(again, 1, "already exists")) << again.err;
    EXPECT_EQ(run({"check", "--db", db}).out, "ok\n");
    EXPECT_EQ(sql(db, "select count(*) as n from kdw_xs"), "n\n0\n");
    EXPECT_EQ(sql(db, "select id,admin,pwhash from sys_user"), "id\tadmin\tpwhash\n1\t1\t\n");

    sql(db, "insert into kdw_bj(id,mc) values(1,'小班一班')");
    sql(db, "insert into kdw_sflx(id,mc,sfxmid,je) values(1,'全日制',0,0)");
    const std::string roster = path("roster.csv");
    std::ofstream(roster) << "学号,姓名,班级,收费类型\n20260001,王小明,小班一班,全日制\n20260001,李二,小班一班,全日制\n";
    const auto preview = run({"import-students", "--db", db, roster, "--dry-run"});
    EXPECT_EQ(preview.exitCode, 0) << preview.err;
    EXPECT_EQ(preview.out, "2\taccepted\t20260001\t王小明\n3\trefused\t20260001\t李二\t学号20260001已经用过\n"
                           "1 of 2 rows would be imported (dry run: nothing written)\n");
    EXPECT_EQ(sql(db, "select count(*) as n from kdw_xs"), "n\n0\n");
    const auto imported = run({"import-students", "--db", db, roster});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_NE(imported.out.find("imported 1 students"), std::string::npos) << imported.out;
    EXPECT_EQ(sql(db, "select xm,jm from kdw_xs"), "xm\tjm\n王小明\tWXM\n");
    EXPECT_EQ(run({"check", "--db", db}).out, "ok\n");

    // The sql verb reports the rows a statement affected, prints a query's
    // rows tab-separated and sends an error to standard error.
    auto created = run({"sql", "--db", db, "create table t(id int, name varchar(20), je money)"});
    EXPECT_EQ(std::to_string(created.exitCode) + "|" + created.out, "0|0 rows affected\n") << created.err;
    EXPECT_EQ(sql(db, "insert into t(id,name,je) values(1,'张三',11.5),(2,'O''Brien',null),(3,'李四',0)"),
              "3 rows affected\n");
    auto updated = run({"sql", "--db", db, "--dialect", "0", "update t set je=je+1 where je is not null"});
    EXPECT_EQ(std::to_string(updated.exitCode) + "|" + updated.out, "0|2 rows affected\n") << updated.err;

    auto rows = run({"sql", "--dialect", "1", "--db", db, "select id, name as 姓名, je from t where id<3 order by id"});
    EXPECT_EQ(std::to_string(rows.exitCode) + "|" + rows.out + "|" + rows.err,
              "0|id\t姓名\tje\n1\t张三\t12.5\n2\tO'Brien\t\n|");
    // A query without rows still names its columns.
    EXPECT_EQ(sql(db, "select id, name from t where id > 5"), "id\tname\n");

    // An engine error: the clerk's words first, then the engine's own for
    // the administrator, on standard error with exit status 1.
    auto failed = run({"sql", "--db", db, "select * from no_such_table"});
    EXPECT_EQ(std::to_string(failed.exitCode) + "|" + failed.out, "1|");
    EXPECT_NE(failed.err.find("数据库操作失败"), std::string::npos) << failed.err;
    EXPECT_NE(failed.err.find("no such table: no_such_table"), std::string::npos) << failed.err;

    const std::string taken = path("taken.db");
    std::ofstream(taken) << "not a fee office";
    const auto refused = run({"init-demo", taken, "--students", "5"});
    EXPECT_TRUE(fo::test::endedSaying(refused, 1, "already exists")) << refused.err;
    EXPECT_EQ(fo::test::readWholeFile(taken), "not a fee office");
    // A folder that is not there is named as a command line names it.
    const auto nowhere = run({"init-demo", path("nowhere") + "/demo.db", "--students", "5"});
    EXPECT_TRUE(fo::test::endedSaying(nowhere, 1, "does not exist (nothing was written)")) << nowhere.err;
    EXPECT_EQ(nowhere.err.find("打开数据库"), std::string::npos) << nowhere.err;

    const std::string text = path("notes.txt");
    std::ofstream(text) << "not a database\n";
    const auto notes = run({"check", "--db", text});
    EXPECT_TRUE(fo::test::endedSaying(notes, 2, "notes.txt")) << notes.err;
    EXPECT_EQ(fo::test::readWholeFile(text), "not a database\n");
    // Every verb says the same of a database that is not there, in the
    // command line's words, and exits 2.
    const std::string missing = path("missing.db");
    const std::vector<std::vector<std::string>> verbs = {
        {"check", "--db", missing}, {"sql", "--db", missing, "select 1"}, {"log", "--db", missing},
        {"copy", "--from", missing, "--to", path("to.db")}, {"month-end", "--db", missing},
        {"drive", "--db", missing, text}, {"tour", "--db", missing, "--out", path("pictures")}};
    for (const auto& words : verbs) {
        const auto r = run(words);
        EXPECT_EQ(r.exitCode, 2) << words.front() << r.err;
        EXPECT_EQ(r.err.find("重新选择"), std::string::npos) << words.front() << r.err;
        if (words.front() != "drive") {
            EXPECT_NE(r.err.find("no fee database at"), std::string::npos) << words.front() << r.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

class DriveVerb : public fo::test::ExeTest {
protected:
    void SetUp() override {
        ExeTest::SetUp();
        db_ = path("demo.db");
        const auto made = run({"init-demo", db_, "--students", "8", "--today", "2026-10-15"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    fo::test::ExeRun drive(const std::string& script, std::vector<std::string> extra = {}) {
        const std::string file = path("script.txt");
        std::ofstream(file) << script;
        std::vector<std::string> words = {"drive", "--db", db_, "--settings", path("settings")};
        words.insert(words.end(), extra.begin(), extra.end());
        words.push_back(file);
        return run(words);
    }

    std::string db_;
};

// The operator signs in with the password of a file or the environment, and
// the script's status is the exit status. A probe reads and never writes,
// and only an administrator's script probes: a clerk's script cannot make
// him administrator or erase his trail. Rights hold in the windows,
// whoever opens them, once he signed in with his password: operator 3 may
// look at receipts but neither reprint nor void them, and may not open a
// batch window at all, be it through the entry operation or the window's
// own name; operator 2 has the right to reprint.
TEST_F(DriveVerb, ItSignsInByAFileOrTheEnvironmentExitsWithTheScriptsStatusAndRightsHoldThroughAnyEntry) {
    const std::string script = "open frmMsg\nclick cmdOK\n";
    std::ofstream(path("clerk")) << "li123456\n";
    const std::vector<std::string> clerk = {"--user", "3", "--password-file", path("clerk")};
    auto r = drive(script, clerk);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    ::unsetenv("FEEOFFICE_PASSWORD");
    r = drive(script);
    EXPECT_EQ(std::to_string(r.exitCode) + "|" + r.out + "|" + r.err,
              "3||feeoffice drive: operator 1 needs his password: --password-file FILE or FEEOFFICE_PASSWORD\n");
    ::setenv("FEEOFFICE_PASSWORD", "li123457", 1);
    r = drive(script, {"--user", "3"});
    EXPECT_EQ(std::to_string(r.exitCode) + "|" + r.err, "3|feeoffice drive: wrong password for operator 3\n");

    // The office's log has each sign-in, the refused one included, and each sign-out.
    const auto log = run({"log", "--db", db_});
    EXPECT_EQ(log.exitCode, 0);
    std::size_t at = 0;
    for (const std::string entry : {"\t登录\t\t\t成功\n", "\t退出登录\t\t\t完成\n", "\t登录失败\t\t\t密码错误\n"}) {
        at = log.out.find(entry, at);
        ASSERT_NE(at, std::string::npos) << entry << log.out;
    }
    std::istringstream lines(log.out);
    for (std::string line; std::getline(lines, line);)
        if (line.find("登录") != std::string::npos) {
            EXPECT_NE(line.find("\t3 李出纳\t"), std::string::npos) << line;
        }

    // Signed in from the environment, a failed expectation exits 1 naming its line.
    ::setenv("FEEOFFICE_PASSWORD", fo::test::kDemoAdminPassword, 1);
    r = drive("open frmMsg\nexpect sql \"select count(*) from kdw_xs\" 9\nclose\n");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("FAIL line 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("9"), std::string::npos) << r.out;

    for (const std::string sql : {"update sys_user set admin=1 where id=3", "delete from sys_log",
                                  "select 1; delete from sys_log"}) {
        r = drive("expect sql \"" + sql + "\" 0\n");
        EXPECT_EQ(r.exitCode, 2) << sql << r.out << r.err;
    }
    EXPECT_EQ(drive("expect sql \"select admin from sys_user where id=3\" 0\n").exitCode, 0);
    EXPECT_NE(run({"log", "--db", db_}).out.find("\t登录失败\t\t\t密码错误\n"), std::string::npos);
    r = drive("expect sql \"select count(*) from sys_user\" 3\n", clerk);
    EXPECT_TRUE(fo::test::endedSaying(r, 2, "administrator")) << r.err;

    std::ofstream(path("accountant")) << "zhang123\n";
    r = drive("open ShowPJinfo\nexpect enabled cmdZF 0\nexpect enabled cmdPrintRe 0\nclick cmdZF\n", clerk);
    EXPECT_TRUE(fo::test::endedSaying(r, 2, "'cmdZF' is disabled")) << r.out << r.err;
    r = drive("open ShowPJinfo\nexpect enabled cmdPrintRe 1\n", {"--user", "2", "--password-file", path("accountant")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    for (const std::string window : {"ShowBachJm", "frmJmBachList", "frmBachJM", "frmBachJM_next"}) {
        r = drive("open " + window + "\n", clerk);
        EXPECT_EQ(r.exitCode, 0) << window << r.err;
        EXPECT_EQ(r.out, "message 提示|您没有“批量减免、应收明细表-减免”的权限，请与管理员联系。\n") << window;
    }
    // What he may do stays open to him: single reductions.
    r = drive("open ShowJMJL\nclose\n", clerk);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("open frmjmjlNew\n"), std::string::npos) << r.out;
}

using fo::test::commandOutput;

class Install : public fo::test::ExeTest {
protected:
    // The content type GLib gives `file` with the MIME types under `prefix`.
    std::string contentType(const std::string& prefix, const std::string& file) {
        const std::string out = commandOutput("XDG_DATA_HOME='" + prefix + "/share' XDG_DATA_DIRS=/usr/share gio info -a "
                                              "standard::content-type '" + file + "' 2>&1");
        const auto at = out.find("content-type: ");
        return at == std::string::npos ? out : out.substr(at + 14, out.find('\n', at) - at - 14);
    }
    // Writes the SQLite header's application id (big-endian, offset 68).
    static void writeApplicationId(const std::string& file, unsigned id) {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(68);
        const char bytes[4] = {static_cast<char>(id >> 24), static_cast<char>(id >> 16), static_cast<char>(id >> 8),
                               static_cast<char>(id)};
        f.write(bytes, 4);
    }
};

TEST_F(Install, PutsTheProgramItsMenuEntryIconAndTheFeeDatabaseTypeUnderThePrefix) {
    const std::string prefix = path("prefix");
    const std::string installed =
        commandOutput("'" CMAKE_COMMAND "' --install '" FEEOFFICE_BUILD_DIR "' --prefix '" + prefix + "' 2>&1; echo rc=$?");
    ASSERT_NE(installed.find("rc=0"), std::string::npos) << installed;
    for (const char* file : {"bin/feeoffice", "share/applications/feeoffice.desktop",
                             "share/icons/hicolor/scalable/apps/feeoffice.svg", "share/mime/packages/feeoffice.xml",
                             "share/mime/mime.cache"})
        EXPECT_TRUE(std::filesystem::exists(prefix + "/" + file)) << file;

    const std::string entry = prefix + "/share/applications/feeoffice.desktop";
    EXPECT_EQ(commandOutput("desktop-file-validate '" + entry + "' 2>&1; echo rc=$?"), "rc=0\n");
    const std::string text = fo::test::readWholeFile(entry);
    for (const char* line : {"\nExec=feeoffice %f\n", "\nIcon=feeoffice\n", "\nName[zh_CN]=收费管理\n",
                             "\nMimeType=application/x-feeoffice-database;\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    // A fee database, as the installed program writes it, against an SQLite
    // file of another program.
    const std::string fee = path("school.db"), other = path("other.db");
    const std::string init = commandOutput("'" + prefix + "/bin/feeoffice' init-demo '" + fee +
                                           "' --students 4 >/dev/null 2>&1; echo rc=$?");
    ASSERT_EQ(init, "rc=0\n");
    writeApplicationId(fee, FEEOFFICE_APPLICATION_ID);  // the stamp the data layer gives every fee database
    std::filesystem::copy_file(fee, other);
    writeApplicationId(other, 0x0f055112);
    EXPECT_EQ(contentType(prefix, fee), "application/x-feeoffice-database");
    EXPECT_EQ(contentType(prefix, other), "application/vnd.sqlite3");
}

}  // namespace
