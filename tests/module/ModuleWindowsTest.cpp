// Every window of the module worked from scripts, in each dialect, by
// operators who signed in with their passwords, with a trace on the
// connections:
// - no statement of the other dialect's form ever reaches the engine, whether
//   the module or the reference host wrote it (and at the desktop, every list
//   and grid shows its columns whole);
// - in every list of students the built-in operator sees every student, also
//   those whose category is unset; an operator limited to categories sees
//   only theirs;
// - crediting what was paid from the receivables list: the option is offered
//   only with its right, the list offers what may be credited, the preview
//   changes the balance by that, and the confirmed posting writes it. At a
//   1366×768 desktop the list with its credited column, and the operators'
//   rights, open with every column's heading and text whole and in view and
//   no empty strip after the last (the clerk's other lists and grids are
//   checked as every window is worked: EveryWindowTest.h).
#include <map>
#include <regex>
#include <sstream>

#include "db/values/Currency.h"
#include "module/EveryWindowTest.h"
#include "support/StatementTrace.h"

namespace fo::test {
namespace {

// Whether a dump shows `field` as a whole field (between tabs or line ends,
// or as a tree node's "number->name").
bool showsField(const std::string& dump, const std::string& field) {
    return std::regex_search(dump, std::regex("(^|[\t\n])" + field + "($|[\t\n]|->)"));
}

// The text each top window printed while the script worked it, by name.
std::map<std::string, std::string> byWindow(const std::string& out) {
    std::map<std::string, std::string> shown;
    std::string current;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (current.empty() && line.rfind("open ", 0) == 0) current = line.substr(5);
        else if (line == "close " + current) current.clear();
        else if (!current.empty()) shown[current] += line + "\n";
    }
    return shown;
}

using ModuleWindows = EveryWindowTest;

TEST_P(ModuleWindows, EveryListShowsTheStudentsOfTheOperatorsCategoriesPaidCreditsPostAndNoOtherDialectIsSent) {
    // Traced from here on: the demo school is written without a dialect.
    const StatementTrace trace;
    workEveryWindow();

    // Two students of category 1 with receipts, reductions and open arrears
    // lose their category: one to the unset 0, one to none at all.
    const char* const student =
        "select x.xh from kdw_xs as x where x.del=0 and x.intTx=0 and x.lb1=1"
        " and exists(select 1 from pjml as p where p.xsid=x.id)"
        " and exists(select 1 from kdw_sfjl as a where a.xsid=x.id and a.djbh like 'JM%' and a.ysfjlid=0"
        " and a.id not in(select ysfjlid from kdw_sfjl))"
        " and exists(select 1 from qfhzb as q where q.xsid=x.id and q.fkrq is null) order by x.id";
    const std::string unset = text(student);
    cn->execute("update kdw_xs set lb1=0 where xh='" + unset + "'");
    const std::string none = text(student);
    cn->execute("update kdw_xs set lb1=null where xh='" + none + "'");
    ASSERT_FALSE(unset.empty() || none.empty() || unset == none);

    const std::string script = "open frmXSsel\n"
                               "dump DataGrid1\n"
                               "close\n"
                               "open frmBachJM\n"
                               "click Command1\n"
                               "click cmdSure\n"
                               "dump lvwXS\n"
                               "close\n"
                               "open ShowPJinfo\n"
                               "set DTPfrom 2026-09-01\n"
                               "set DTPto 2026-12-31\n"
                               "set cmbDJstate 全部\n"
                               "click CMDfind\n"
                               "dump ListView1\n"
                               "close\n"
                               "open ShowJMJL\n"
                               "dump TreeView1\n"
                               "close\n"
                               "open frmjmjlML\n"
                               "set DTPfrom 2026-09-01\n"
                               "click CMDfind\n"
                               "dump lvwML\n"
                               "close\n"
                               "open ShowBachJm\n"
                               "set cmbYf 2026年09月\n"
                               "set cmbYFto 2026年12月\n"
                               "click cmdTJ\n"
                               "click cmdSelectALL\n"
                               "answer yes\n"
                               "click cmdOK\n"
                               "dump lvw1\n"
                               "close\n";
    const std::vector<std::string> lists = {"frmXSsel", "frmBachJM", "frmBILLML", "frmjmjlNew", "frmjmjlML",
                                            "frmJmBachList"};

    auto shown = byWindow(traced("every list", script));
    for (const std::string& list : lists)
        for (const std::string& xh : {unset, none})
            EXPECT_NE(shown[list].find(xh), std::string::npos) << list << " hides " << xh;

    shown = byWindow(traced("every list for 张会计", script, {}, 2));  // 张会计 may see category 1 only
    const std::string other = text("select min(xh) from kdw_xs where del=0 and intTx=0 and lb1=1");
    for (const char* list : {"frmXSsel", "frmBachJM", "frmjmjlNew"}) {
        EXPECT_NE(shown[list].find(other), std::string::npos) << list << " hides " << other;
    }
    // None of the others, in any list: no student number stands there as a field.
    const std::vector<std::string> others = firstColumn(*cn, "select xh from kdw_xs where lb1 is null or lb1<>1");
    ASSERT_GT(others.size(), 2u);
    for (const std::string& list : lists)
        for (const std::string& xh : others) EXPECT_FALSE(showsField(shown[list], xh)) << list << " shows " << xh;

    // What was paid, credited from the receivables list, for a student who
    // paid December's 保育费 in his one charge of the month.
    const std::string xsid = text(
        "select min(a.xsid) from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id where left(a.djbh,2)='SF'"
        " and a.sfyf='202612' and b.sfxmid=1 and a.ysfjlid=0 and b.je>0 and a.xsid not in(select xsid from kdw_sfjl"
        " where sfyf='202612' and id<>a.id)");
    ASSERT_FALSE(xsid.empty());
    const Currency paid = leadingNumber(text("select sum(b.je) from kdw_sfjl as a inner join kdw_sfjlmx as b on"
                                             " b.sfjlid=a.id where a.sfyf='202612' and b.sfxmid=1 and a.xsid=" + xsid));
    const Currency before = leadingNumber(text("select ysk from kdw_xs where id=" + xsid));

    traced("张会计 may not credit", "open ShowBachJm\nexpect enabled chkCreditPaid 0\n", {}, 2);

    traced("paid credit", "open frmOperators\n"
                          "item lvwUsers k1 click\n"
                          "expect cell lvwRights 1 权限 完全（管理员）\n"
                          "expect whole lvwRights\n"
                          "item lvwUsers k2 click\n"
                          "expect whole lvwRights\n"
                          "close\n"
                          "open ShowBachJm\n"
                          "set chkCreditPaid 1\n"
                          "set cmbYf 2026年12月\n"
                          "set cmbYFto 2026年12月\n"
                          "set txtBh " + text("select xh from kdw_xs where id=" + xsid) + "\n"
                          "click cmdTJ\n"
                          "select LSTsfxm 保育费 on\n"
                          "click cmdOK\n"
                          "expect cell lvw1 1 可转入预收款 " + paid.format00() + "\n"
                          "expect whole lvw1\n"
                          "click cmdCancelSelect\n"
                          "set txtJmyy 迟到的补助\n"
                          "click cmdPreview\n"
                          "expect plan refused none\n"
                          "expect plan lines 1\n"
                          "expect plan update kdw_xs id=" + xsid + " ysk " + (before + paid).format00() + "\n"
                          "answer yes\n"
                          "click cmdOK\n"
                          "expect message 操作成功！\n");
    EXPECT_EQ(leadingNumber(text("select ysk from kdw_sfjl where jmyy='迟到的补助' and xsid=" + xsid)), paid);
    EXPECT_EQ(leadingNumber(text("select ysk from kdw_xs where id=" + xsid)), before + paid);

    std::size_t own = 0;
    for (const std::string& sql : trace.statements()) {
        const auto wrong = sqlServer() ? accessForms(sql) : sqlServerForms(sql);
        for (const std::string& form : wrong) ADD_FAILURE() << form << " reached the engine in: " << sql;
        own += (sqlServer() ? sqlServerForms(sql) : accessForms(sql)).size();
    }
    // The trace saw the windows' own dialect at work.
    EXPECT_GT(own, 10u);
}

FO_INSTANTIATE_DIALECTS(ModuleWindows);

}  // namespace
}  // namespace fo::test
