// The executable on a server's fee database, as an office moves to one:
// init-demo writes the school there, a clerk's drive posts a reduction and
// cancels it (signed in as his own role, within his categories), copy
// brings the books back to a file.
#include <fstream>

#include "app/ExeRunner.h"
#include "data/PgFeeSchema.h"
#include "db/pg/PgLink.h"
#include "support/PgTestServer.h"
#include "support/ScratchPgDatabases.h"

namespace fo::test {
namespace {

class ServerVerbs : public ExeTest {
protected:
    void SetUp() override {
        ExeTest::SetUp();
        ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only";
    }
    // The first field of the first row `feeoffice sql` prints.
    std::string first(const std::string& database, const std::string& sql) {
        const ExeRun r = run({"sql", "--db", database, sql});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const std::string row = r.out.substr(r.out.find('\n') + 1);
        return row.substr(0, row.find_first_of("\t\n"));
    }

    ScratchPgDatabases scratch;
    const std::string link = scratch.fresh("fo_verbs");
    // As a URI, the way an administrator types it.
    const std::string uri = "postgresql://feeoffice@:5432/" + pgLinkParts(link).database + "?host=" + pgLinkParts(link).host;
};

TEST_F(ServerVerbs, InitDemoThenAReductionPostedAndCancelledThenTheBooksCopiedToAFile) {
    const ExeRun demo = run({"init-demo", uri, "--today", "2026-12-06"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    EXPECT_EQ(run({"init-demo", uri}).exitCode, 1) << "a database that holds tables is never written over";

    // 张会计 (operator 2) sees the category 在园幼儿 (1) only.
    const std::string xh = first(uri, "select x.xh from qfhzb q,kdw_xs x where x.id=q.xsid and q.fkrq is null and "
                                      "q.qfyf='202609' and q.qfje=981 and x.lb1=1 order by q.qfkid");
    const std::string qfkid = first(uri, "select min(q.qfkid) from qfhzb q,kdw_xs x where x.id=q.xsid and "
                                         "q.fkrq is null and q.qfyf='202609' and q.qfje=981 and x.xh='" + xh + "'");
    ASSERT_FALSE(xh.empty());
    std::ofstream(path("post.txt")) << "open ShowJMJL\nset txtFind " << xh << "\nkey txtFind Enter\n"
                                    << "item LvwQFLIST k" << qfkid << " click\ncell MSFlexGrid1 1 1\n"
                                    << "type Txt_write 30.5\nset txtJmyy \"家庭困难\"\nclick cmd_ok\nclick cmdOk\n"
                                    << "expect message 减免金额：30.50\nclose\n";
    ::setenv("FEEOFFICE_PASSWORD", "zhang123", 1);
    const ExeRun post =
        run({"drive", "--db", uri, "--user", "2", "--dialect", "0", "--settings", path("ui"), path("post.txt")});
    ASSERT_EQ(post.exitCode, 0) << post.out << post.err;
    // The books are read by the owner: a clerk's script does not probe them.
    EXPECT_EQ(first(uri, "select jmje from qfhzb where qfkid=" + qfkid), "30.5");

    const std::string id = first(uri, "select max(id) from kdw_sfjl where djbh like 'JM%'");
    std::ofstream(path("cancel.txt")) << "open frmjmjlML\nitem lvwML k" << id << " click\nclick cmdCancel\n"
                                      << "answer yes\nclick cmdOK\nclose\n";
    const ExeRun cancel = run({"drive", "--db", link, "--user", "2", "--settings", path("ui"), path("cancel.txt")});
    ASSERT_EQ(cancel.exitCode, 0) << cancel.out << cancel.err;
    EXPECT_EQ(first(uri, "select count(*) from kdw_sfjl where ysfjlid=" + id), "1");
    EXPECT_EQ(first(uri, "select count(*) from qfhzb where qfkid=" + qfkid + " and fkrq is null"), "1");
    ::setenv("FEEOFFICE_PASSWORD", kDemoAdminPassword, 1);

    const ExeRun copy = run({"copy", "--from", uri, "--to", path("school.db")});
    ASSERT_EQ(copy.exitCode, 0) << copy.out << copy.err;
    EXPECT_NE(copy.out.find("row counts match"), std::string::npos) << copy.out;
    EXPECT_NE(copy.out.find("books check: ok"), std::string::npos) << copy.out;
    EXPECT_EQ(first(path("school.db"), "select count(*) from kdw_sfjl where ysfjlid=" + id), "1");
    EXPECT_EQ(run({"copy", "--from", path("school.db"), "--to", uri}).exitCode, 1) << "the server's copy is not empty";
    // The books check passes on both ends. (A file's books to a server and
    // back: the copy's own tests.)
    for (const std::string& db : {uri, path("school.db")}) {
        const ExeRun check = run({"check", "--db", db});
        EXPECT_EQ(check.exitCode, 0) << db << "\n" << check.out << check.err;
        EXPECT_EQ(check.out, "ok\n");
    }
}

}  // namespace
}  // namespace fo::test
