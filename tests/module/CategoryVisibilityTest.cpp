// Every list of students, worked from scripts by operators who signed in
// with their passwords: the built-in operator sees every student, also those
// whose category is unset; an operator limited to categories sees only theirs.
#include <map>
#include <regex>
#include <sstream>

#include "module/ModuleScriptTest.h"

namespace fo::test {
namespace {

class CategoryVisibility : public ModuleScriptTest {
protected:
    // Whether a dump shows `field` as a whole field (between tabs or line
    // ends, or as a tree node's "number->name").
    static bool showsField(const std::string& dump, const std::string& field) {
        return std::regex_search(dump, std::regex("(^|[\t\n])" + field + "($|[\t\n]|->)"));
    }
    // The text each top window printed while the script worked it, by name.
    static std::map<std::string, std::string> byWindow(const std::string& out) {
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
};

TEST_P(CategoryVisibility, TheBuiltInOperatorSeesStudentsWithoutACategoryInEveryList) {
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

    const Run all = drive(script);
    ASSERT_EQ(all.status, 0) << all.out << all.err;
    auto shown = byWindow(all.out);
    for (const std::string& list : lists) {
        EXPECT_NE(shown[list].find(unset), std::string::npos) << list << " hides " << unset;
        EXPECT_NE(shown[list].find(none), std::string::npos) << list << " hides " << none;
    }

    const Run limited = drive(script, 2);  // 张会计 may see category 1 only
    ASSERT_EQ(limited.status, 0) << limited.out << limited.err;
    shown = byWindow(limited.out);
    const std::string other = text("select min(xh) from kdw_xs where del=0 and intTx=0 and lb1=1");
    for (const char* list : {"frmXSsel", "frmBachJM", "frmjmjlNew"}) {
        EXPECT_NE(shown[list].find(other), std::string::npos) << list << " hides " << other;
    }
    // None of the others, in any list: no student number stands there as a field.
    std::vector<std::string> others;
    for (RecordsetPtr rs = cn->execute("select xh from kdw_xs where lb1 is null or lb1<>1"); !rs->eof(); rs->moveNext())
        others.push_back(rs->field(std::size_t{0}).toText());
    ASSERT_GT(others.size(), 2u);
    for (const std::string& list : lists)
        for (const std::string& xh : others) EXPECT_FALSE(showsField(shown[list], xh)) << list << " shows " << xh;
}

FO_INSTANTIATE_DIALECTS(CategoryVisibility);

}  // namespace
}  // namespace fo::test
