// The student windows on a demo fee office in both dialects: the statement
// the student filter composes and its category tree, the student picker, and
// the width routines of the student lists.
#include <gtest/gtest.h>

#include <functional>

#include "host/database/SqlText.h"
#include "students/DemoOfficeTest.h"
#include "students/frmCommFind.h"
#include "students/frmXSsel.h"
#include "students/kdwForm.h"
#include "ui/controls/ListView.h"

namespace fo::test {
namespace {

class StudentWindows : public DemoOfficeTest {
protected:
    std::shared_ptr<frmCommFind> loaded() {
        auto f = formInstance<frmCommFind>();
        f->load();
        return f;
    }
    std::string accepted(frmCommFind& f) {
        f.cmdSure.userClick();
        EXPECT_FALSE(f.isLoaded());
        return f.result();
    }
    std::vector<std::string> treeKeys(frmCommFind& f) {
        std::vector<std::string> keys;
        for (TreeNode* n : f.TreeView1.treeOrder()) keys.push_back(n->key() + ":" + std::to_string(n->image()));
        return keys;
    }
    long matches(const std::string& statement) {
        return scalar(*cn, "select count(*) from kdw_xs where id in(" + statement + ")").toInt();
    }
};

TEST_P(StudentWindows, TheFiltersConditionsRunAsComposedOnEveryEngineAndTheTreeShowsAClerkOnlyHisCategories) {
    globals().transLinkString.clear();  // the combos then read through the host's connection string
    // Accepting nothing gives the bare statement; cancelling gives none.
    auto f = loaded();
    EXPECT_EQ(accepted(*f), "select id from kdw_xs where 1=1");
    EXPECT_EQ(matches(f->result()), 24);
    f = loaded();
    f->txtXh.userSetText("2026");
    f->cmdExit.userClick();
    EXPECT_EQ(f->result(), "");

    f = loaded();
    ASSERT_TRUE(f->Cmb_bjmc.userSelect("中班一班"));
    ASSERT_TRUE(f->CMB_sflx.userSelect("全日制"));
    f->txtXh.userSetText("2025");
    f->OptPart.userClick();
    std::string s = accepted(*f);
    EXPECT_EQ(s, "select id from kdw_xs where 1=1 and bjid=3 and sflxid=1and xh like '%2025%'");
    EXPECT_EQ(matches(s),
              scalar(*cn, "select count(*) from kdw_xs where bjid=3 and sflxid=1 and xh like '%2025%'").toInt());

    const std::string xm = text("select xm from kdw_xs where id=5"), jm = text("select jm from kdw_xs where id=5");
    f = loaded();
    f->txtXSxm.userSetText(xm);
    s = accepted(*f);
    EXPECT_EQ(s, "select id from kdw_xs where 1=1and xm ='" + xm + "'");
    EXPECT_GE(matches(s), 1);

    f = loaded();
    f->txtXSxm.userSetText(jm.substr(0, 2));
    f->chkXMJM.userClick();
    f->OptPart.userClick();
    EXPECT_EQ(accepted(*f), "select id from kdw_xs where 1=1and jm like'%" + jm.substr(0, 2) + "%'");

    f = loaded();
    f->txtXh.userSetText("20260005");
    f->txtXSxm.userSetText(jm);
    f->chkXMJM.userClick();
    EXPECT_EQ(accepted(*f), "select id from kdw_xs where 1=1and xh ='20260005'and jm ='" + jm + "'");

    const std::string born = text("select csrq from kdw_xs where id=7").substr(0, 10);
    f = loaded();
    f->chkCSRQ.userClick();
    f->DTPcsrqFrom.userPick(*DateTime::parse(born));
    f->DTPcsrqTO.userPick(*DateTime::parse(born));
    f->chkRxrq.userClick();
    f->dtpRxrqFrom.userPick(*DateTime::parse("2024-09-01"));
    f->dtpRxrqTo.userPick(*DateTime::parse("2026-09-01"));
    f->txtJtzz.userSetText("江城市");
    // Each dialect's date forms run on the engine and find whom they name.
    EXPECT_EQ(matches(accepted(*f)),
              scalar(*cn, "select count(*) from kdw_xs where format(csrq,'yyyy-mm-dd')='" + born + "' and rxsj>="
                          "'2024-09-01' and rxsj<'2026-09-02' and jtzz like '%江城市%'").toInt());

    // What a clerk types into a part match is found as typed on every engine:
    // a backslash is a character like any other (also the last one), % and _
    // are the wildcards they are on both, [ is itself, a quote is a quote, ASCII
    // letters match in either case and other letters only as written.
    const std::vector<std::pair<int, std::string>> addresses = {
        {1, R"(江城市a\b路)"}, {2, "江城市ab路"}, {3, R"(D:\x\)"}, {4, "AB_C"}, {5, "abxc"},
        {6, "满100%"}, {7, "[1]号楼"}, {8, "Éa街"}, {9, "O'Neil路"}};
    for (const auto& [id, address] : addresses)
        cn->execute("update kdw_xs set jtzz=" + sqlLiteral(address) + " where id=" + std::to_string(id));
    const auto found = [&](const std::string& typed) {
        auto f = loaded();
        f->txtJtzz.userSetText(typed);
        std::string ids;
        for (const std::string& id : firstColumn(*cn, "select id from kdw_xs where id in(" + accepted(*f) + ") order by id"))
            ids += (ids.empty() ? "" : ",") + id;
        return ids;
    };
    const std::pair<const char*, const char*> typedAndFound[] = {
        {R"(a\b)", "1"}, {R"(x\)", "3"}, {R"(\)", "1,3"}, {"ab_c", "4,5"}, {"100%", "6"},
        {"[1]", "7"}, {"éa", ""}, {"ÉA", "8"}, {"o'neil", "9"}};
    for (const auto& [typed, ids] : typedAndFound) EXPECT_EQ(found(typed), ids) << typed;

    cn->execute("insert into kdw_xslx(id,parentid,mc) values(900,999,'无上级')");
    f = loaded();
    EXPECT_EQ(treeKeys(*f), (std::vector<std::string>{"k0:1", "k1:2", "k11:3", "k111:4", "k112:4", "k12:3", "k121:4",
                                                      "k122:4", "k2:2", "k21:3", "k211:4", "k212:4"}));
    EXPECT_EQ(f->TreeView1.findNode("k0")->text(), "学生类别");
    EXPECT_TRUE(f->TreeView1.findNode("k0")->expanded());
    EXPECT_FALSE(f->TreeView1.findNode("k1")->expanded());
    // Checking a category takes its direct sub-categories into the second list.
    ASSERT_TRUE(f->TreeView1.userNodeCheck("k1", true));
    EXPECT_FALSE(f->TreeView1.findNode("k111")->checked());
    ASSERT_TRUE(f->TreeView1.userNodeCheck("k211", true));
    s = accepted(*f);
    EXPECT_EQ(s, "select id from kdw_xs where 1=1 and lb1 in(1) and lb2 in(11,12) and lb in(211)");
    EXPECT_EQ(matches(s), scalar(*cn, "select count(*) from kdw_xs where lb1=1 and lb=211").toInt());

    actAs(3);  // 李出纳 may see 托管幼儿 only
    f = loaded();
    EXPECT_EQ(treeKeys(*f), (std::vector<std::string>{"k0:1", "k2:2", "k21:3", "k211:4", "k212:4"}));
    f->cmdExit.userClick();

    // A clerk given no category sees the bare root, on every engine.
    cn->execute("delete from sys_user_xslb where userid=3");
    actAs(3);
    f = loaded();
    EXPECT_EQ(treeKeys(*f), (std::vector<std::string>{"k0:1"}));
}

// The picker on a demo school with one graduated (1) and one suspended (2)
// student besides the attending ones. (Whom it shows an operator limited to
// categories: module/CategoryVisibility, signed in from a script.)
TEST_P(StudentWindows, ThePickersStatusBoxesAFilterThatNarrowsWithoutAQueryAndAPickThatReturnsTheRowAndKeepsItsWidths) {
    cn->execute("update kdw_xs set intTx=3 where id=1");
    cn->execute("update kdw_xs set intTx=1 where id=2");
    std::function<void(frmXSsel&)> work;
    ui.setModalRunner([&work](Form& f) { work(static_cast<frmXSsel&>(f)); });
    auto picker = formInstance<frmXSsel>();
    picker->load();
    EXPECT_EQ(picker->DataGrid1.rowCount(), matches("select id from kdw_xs where del=0 and intTx=0"));
    picker->Check1[0].userClick();  // 毕业
    picker->Check1[2].userClick();  // 休学
    EXPECT_EQ(picker->DataGrid1.rowCount(), matches("select id from kdw_xs where del=0 and intTx in(0,3,1)"));
    for (int hidden : {0, 2, 11}) EXPECT_FALSE(picker->DataGrid1.column(hidden).visible) << hidden;

    const std::string name = text("select xm from kdw_xs where id=3");
    cn->execute("update kdw_xs set xm='改了' where id=3");  // a new query would see this
    picker->txtFilter.userSetText(name);
    ASSERT_GE(picker->DataGrid1.rowCount(), 1);
    for (int r = 0; r < picker->DataGrid1.rowCount(); ++r) {
        const std::string shown = picker->DataGrid1.cellText(r, 1) + picker->DataGrid1.cellText(r, 3) +
                                  picker->DataGrid1.cellText(r, 9);
        EXPECT_NE(shown.find(name), std::string::npos) << shown;
    }
    picker->txtFilter.userSetText("");
    EXPECT_EQ(picker->DataGrid1.rowCount(), matches("select id from kdw_xs where del=0 and intTx in(0,3,1)"));

    FormInstances::releaseAll();
    const std::string xh = text("select xh from kdw_xs where id=3");
    // Students without a payer code or a prepayment.
    cn->execute("drop view vxsxx");
    cn->execute("create view vxsxx as select id,xh as 学号,null as 付款人代码,xm as 姓名,'' as 班级,fqxm as 父亲姓名,"
                "mqxm as 母亲姓名,'' as 收费类型,null as 预收款,jm as 简码,rxsj as 入学时间,sflxid,lb1,del,intTx as inttx "
                "from kdw_xs");
    // On a server the clerks read the office's own view as they read the old one.
    if (onPostgres()) cn->execute("grant select on vxsxx to " + text("select rolename from fo_server_roles where kind='clerks'"));
    work = [](frmXSsel& p) {
        p.DataGrid1.setColumnWidth(3, 1500);
        p.CmdSel.userClick();
    };
    picker = formInstance<frmXSsel>();
    picker->strFind = xh;
    picker->strWhere = " and del=0 and intTx=0 ";
    picker->showModal();
    ASSERT_TRUE(picker->blnSelected);
    // The search text is cleared on unload.
    EXPECT_EQ(picker->xsId + "|" + picker->xsXh + "|" + picker->ysk + "|" + picker->fkrdm + "|" + picker->strFind,
              "3|" + xh + "|0|" + xh + "|");
    EXPECT_EQ(store->values.at("frmXSsel|DataGrid1|colwidth3"), "1500");
    EXPECT_EQ(store->values.count("frmXSsel|DataGrid1|colwidth0"), 0u);

    // Enter on an empty result closes without a pick; a quote in the search
    // text neither breaks the statement nor matches anything.
    int restored = 0;
    work = [&](frmXSsel& p) {
        restored = p.DataGrid1.column(3).width;
        p.userKey(p.DataGrid1, key::Enter);
    };
    auto again = formInstance<frmXSsel>();
    again->strFind = "无'人";
    again->showModal();
    EXPECT_FALSE(again->blnSelected);
    EXPECT_EQ(again->DataGrid1.rowCount(), 0);
    EXPECT_EQ(restored, 1500);
}

FO_INSTANTIATE_DIALECTS(StudentWindows);

class ListWidths : public UiTest {};

TEST_F(ListWidths, UnsavedColumnsRestoreAt1500ExceptTheFirstAndSavedWidthsComeBack) {
    Form form("frmX");
    ListView lvw(form, "lvwXS");
    for (const char* c : {"学号", "姓名", "班级"}) lvw.addColumn(std::string("k") + c, c, 900);
    kdwForm k;
    const auto widths = [&] { return std::vector<int>{lvw.column(1).width, lvw.column(2).width, lvw.column(3).width}; };
    k.getGridWidth("frmX", lvw);
    EXPECT_EQ(widths(), (std::vector<int>{0, 1500, 1500}));

    lvw.setColumnWidth(0, 700);
    lvw.setColumnWidth(1, -5);
    k.setGridWidth("frmX", lvw);
    EXPECT_EQ(store->values["tavro|frmXlvwXS|k2"], "0");
    k.getGridWidth("frmX", lvw);
    EXPECT_EQ(widths(), (std::vector<int>{700, 1500, 1500}));
}

}  // namespace
}  // namespace fo::test
