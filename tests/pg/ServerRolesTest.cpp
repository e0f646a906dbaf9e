// A server database enforces itself what the program promises: an
// operator's own login role, with psql-like direct statements, cannot
// rewrite the history, read a secret, make himself administrator or see a
// student outside his categories (what postings change still goes: the
// server runs of the behaviour tests post as the operator's role). The
// executable on a server's fee database, as an office moves to one:
// init-demo writes the school there, a clerk's drive posts a reduction and
// cancels it (signed in as his own role, within his categories), copy
// brings the books back to a file.
#include <gtest/gtest.h>

#include <fstream>

#include "app/ExeRunner.h"
#include "data/FeeDatabase.h"
#include "data/checks/BooksCheck.h"
#include "data/PgServerRoles.h"
#include "db/DbError.h"
#include "db/pg/PgCredentials.h"
#include "db/pg/PgLink.h"
#include "db/sql/SqlQuoting.h"
#include "host/api/Rights.h"
#include "host/operators/Operators.h"
#include "host/operators/SignIn.h"
#include "support/PgTestServer.h"
#include "support/ScratchPgDatabases.h"
#include "support/Query.h"

namespace fo::test {
namespace {

class ServerRoles : public ExeTest {
protected:
    void SetUp() override {
        ExeTest::SetUp();
        ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only";
        owner = createFeeDatabase(link);
        // Two first-level categories, a student in each with a charge, a
        // receipt and an open arrears row; a clerk who sees category 1.
        owner->execute("insert into kdw_xslx(id,parentid,mc) values(1,0,'小班'),(2,0,'大班')");
        owner->execute("insert into kdw_xs(id,xh,xm,lb1) values(11,'A1','甲',1),(12,'B1','乙',2)");
        owner->execute("insert into kdw_sfjl(id,djbh,xsid,je,hkid) values(1,'SF1',11,300,0),(2,'SF2',12,200,0),"
                       "(3,'SF3',11,50,1)");
        owner->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,je) values(1,5,300),(3,5,50)");
        owner->execute("insert into PJML(id,djbh,xsid,hjje,pjState) values(10,'SF1',11,300,''),(11,'SF9',11,20,'作废')");
        owner->execute("insert into qfhzb(qfkid,qfyf,xsid,qfje,sjqfje) values(100,'202609',11,500,500),"
                       "(101,'202609',11,80,80)");
        owner->execute("update qfhzb set yqfkid=100 where qfkid=101");
        Operators operators(*owner);
        operators.ensureBuiltIns();  // a new database's administrator, before anything is logged
        owner->execute("insert into sys_log(logtime,userid,operation) values('2026-12-06 09:00:00',1,'登录')");
        operators.add(Operator{2, "收费员甲", false});
        operators.setPassword(2, "clerk-secret", false);
        operators.allowCategory(2, 1);
        operators.setRight(2, rights::Register, rights::Post);  // he may void and reduce
        operators.setRight(2, rights::Reductions, rights::Post);
        operators.add(Operator{3, "收费员乙", false});
        operators.setPassword(3, "other-secret", false);
        clerkRole = pgOperatorRole(*owner, 2);
        setPgSignedInRole({parts.host, parts.port, parts.database, clerkRole, "clerk-secret"});
        clerk = openConnection(link);
    }
    void TearDown() override {
        clearPgSignedInRole();
        if (clerk) clerk->close();
        if (owner) owner->close();
        ExeTest::TearDown();
    }
    // The clerk's statement is refused; what the clerk reads of it.
    std::string refusal(const std::string& sql) {
        try {
            clerk->execute(sql);
        } catch (const DbError& e) {
            return e.description();
        }
        return "<done: " + sql + ">";
    }
    std::string ownerSees(const std::string& sql) { return scalar(*owner, sql).toText(); }

    ScratchPgDatabases scratch;
    const std::string link = scratch.fresh("fo_roles");
    const PgLinkParts parts = pgLinkParts(link);
    ConnectionPtr owner, clerk;
    std::string clerkRole;
};

TEST_F(ServerRoles, AClerksRoleCannotRewriteHistoryReadSecretsRaiseHimselfOrSeeOtherCategoriesStudents) {
    EXPECT_EQ(scalar(*clerk, "select session_user").toText(), clerkRole);
    // Refused by the grants, or by the triggers where postings may change some rows or columns.
    for (const auto& [sql, why] : std::vector<std::pair<std::string, std::string>>{
             {"update kdw_sfjl set je=je+100 where id=1", "不能修改“kdw_sfjl”"}, {"delete from sys_log", "不能删除“sys_log”"},
             {"delete from kdw_sfjl where id=1", "不能删除已入账的收费记录（kdw_sfjl.1）"},
             {"update qfhzb set qfje=qfje-100 where qfkid=100", "不能修改欠费金额（qfhzb.100）"},
             {"update PJML set pjState='' where id=11", "不能修改已作废的收据"},
             {"update PJML set hjje=1 where id=10", "收据只能作废"}, {"update PJML set zfr='x' where id=10", "收据只能作废"},
             {"delete from INandOutML", "不能删除“inandoutml”"}}) {
        const std::string said = refusal(sql);
        EXPECT_NE(said.find(why), std::string::npos) << sql << ": " << said;
    }
    // Grants: the operators are the administrators' to change.
    // No secret anywhere he can read either: the server keeps the verifiers.
    for (const std::string& sql : {std::string("update sys_user set admin=1 where id=2"),
                                   std::string("insert into sys_user_right(userid,rightcode,level) values(2,'JMJL',3)"),
                                   "grant " + quotedIdentifier(ownerSees("select rolename from fo_server_roles where "
                                                                         "kind='admins'")) + " to " + clerkRole,
                                   std::string("select rolpassword from pg_authid")})
        EXPECT_EQ(refusal(sql).find("<done"), std::string::npos) << sql;
    EXPECT_EQ(scalar(*clerk, "select pwhash from sys_user where id=3").toText(), "*");
    EXPECT_EQ(ownerSees("select (select count(*) from kdw_sfjl where je=300 and id=1)||'/'||(select count(*) from "
                        "sys_log)||'/'||(select admin from sys_user where id=2)"), "1/1/0");

    // He sees only the students of his categories, and the built-in operator sees all.
    EXPECT_EQ(firstColumn(*clerk, "select xh from kdw_xs order by id"), std::vector<std::string>{"A1"});
    EXPECT_EQ(scalar(*clerk, "select count(*) from kdw_sfjl where xsid=12").toInt(), 0);
    EXPECT_EQ(scalar(*clerk, "select count(*) from PJML").toInt(), 2);
    EXPECT_EQ(scalar(*clerk, "select count(*) from qfhzb where xsid=12").toInt(), 0);
    // Nor can he post for a student he does not see.
    EXPECT_EQ(refusal("insert into kdw_sfjl(id,djbh,xsid,je) values(9,'JM9',12,1)").find("<done"), std::string::npos);

    Operators(*owner).setPassword(1, "admin-secret", false);
    clerk->close();
    setPgSignedInRole({parts.host, parts.port, parts.database, pgOperatorRole(*owner, 1), "admin-secret"});
    EXPECT_EQ(scalar(*openConnection(link), "select count(*) from kdw_xs").toInt(), 2);
}

// His rights are his role's memberships, kept in step by the operators'
// rows; the server refuses a void below the register's void level and a
// batch posting without the batch right, and the check names a membership
// the rows do not give.
TEST_F(ServerRoles, VoidsAndBatchesNeedTheirRightsAndTheCheckNamesAMembershipTheRightsDoNotGive) {
    const std::string voiding = "update PJML set zfrq='2026-12-06',zfr='收费员甲',useridZfr=2,zfyy='重开',pjState='作废' where id=10";
    const auto membershipFaults = [this] {
        std::vector<std::string> texts;
        for (const BooksFault& f : checkBooks(*owner))
            if (f.code == "rights-membership") texts.push_back(f.text);
        return texts;
    };
    Operators(*owner).setRight(2, rights::Register, rights::View);
    EXPECT_NE(refusal(voiding).find("不能作废收据（PJML.SF1）：作废收据需要“票据管理”的作废权限"), std::string::npos);
    EXPECT_EQ(ownerSees("select pjState from PJML where id=10"), "");
    EXPECT_NE(refusal("insert into sys_log(logtime,userid,operation,djbh,outcome) values('2026-12-06 10:00:00',2,"
                      "'批量减免','JM5','完成')")
                  .find("批量减免需要“批量减免”的减免权限"),
              std::string::npos);
    EXPECT_EQ(membershipFaults(), std::vector<std::string>{});

    Operators(*owner).setRight(3, rights::Register, rights::Post);
    owner->execute("grant " + quotedIdentifier(ownerSees("select rolename from fo_right_roles where rightcode='PJCX' and level=2")) +
                   " to " + quotedIdentifier(clerkRole));
    EXPECT_EQ(membershipFaults(),
              std::vector<std::string>{"操作员“收费员甲”在服务器上是权限 PJCX 第 2 级的角色的成员，但权限表中他没有这项权限。"});
}

// The sql verb on a server is the schema owner's only; signing in is the
// server's and makes every session his role until he signs out.
TEST_F(ServerRoles, TheSqlVerbIsTheOwnersAndSigningInIsTheServersAndMakesEverySessionHisRoleUntilHeSignsOut) {
    const std::string asClerk = pgProviderString({parts.host, parts.port, parts.database, clerkRole});
    ::setenv("PGPASSWORD", "clerk-secret", 1);
    const ExeRun refused = run({"sql", "--db", asClerk, "select count(*) from kdw_xs"});
    ::unsetenv("PGPASSWORD");
    EXPECT_TRUE(endedSaying(refused, 1, "only the fee schema's owner runs statements")) << refused.err;
    EXPECT_EQ(run({"sql", "--db", link, "select count(*) from kdw_xs"}).exitCode, 0);
    clearPgSignedInRole();
    SignIn signIn(link, link);
    EXPECT_EQ(signIn.attempt(2, "other-secret").status, SignInStatus::WrongPassword);
    EXPECT_EQ(signIn.attempt(3, "clerk-secret").status, SignInStatus::WrongPassword);
    ASSERT_EQ(signIn.attempt(2, "clerk-secret").status, SignInStatus::SignedIn);
    EXPECT_EQ(scalar(*openFeeDatabase(link), "select session_user").toText(), clerkRole);
    EXPECT_EQ(signIn.setNewPassword(2, "clerk-secret", "clerk-secret-2", "clerk-secret-2"), "");
    EXPECT_FALSE(pgLoginAccepted(link, clerkRole, "clerk-secret"));
    EXPECT_EQ(scalar(*openFeeDatabase(link), "select session_user").toText(), clerkRole);
    signIn.signedOut(2);
    EXPECT_EQ(scalar(*openFeeDatabase(link), "select session_user").toText(), "feeoffice");
    // One whose password is due for a change is his role already (a script goes on with it).
    Operators(*owner).setPassword(3, "given-secret", true);
    EXPECT_EQ(signIn.attempt(3, "given-secret").status, SignInStatus::NeedsNewPassword);
    EXPECT_EQ(scalar(*openFeeDatabase(link), "select session_user").toText(), pgOperatorRole(*owner, 3));
    signIn.signedOut(3);
    // A disabled operator's role cannot log in at all.
    Operators(*owner).setDisabled(3, true);
    EXPECT_FALSE(pgLoginAccepted(link, pgOperatorRole(*owner, 3), "given-secret"));
}

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
        EXPECT_EQ(std::to_string(check.exitCode) + "|" + check.out, "0|ok\n") << db << "\n" << check.err;
    }
}

}  // namespace
}  // namespace fo::test
