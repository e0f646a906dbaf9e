#include <functional>

#include "DemoOfficeTest.h"
#include "students/frmXSsel.h"

namespace fo::test {
namespace {

// The picker on a demo school with one graduated (1) and one suspended (2)
// student besides the attending ones. (Whom it shows an operator limited to
// categories: module/CategoryVisibility, signed in from a script.)
class frmXSselTest : public DemoOfficeTest {
protected:
    void SetUp() override {
        DemoOfficeTest::SetUp();
        cn->execute("update kdw_xs set intTx=3 where id=1");
        cn->execute("update kdw_xs set intTx=1 where id=2");
        ui.setModalRunner([this](Form& f) { work(static_cast<frmXSsel&>(f)); });
    }
    int students(const std::string& where) {
        return static_cast<int>(scalar(*cn, "select count(*) from kdw_xs where del=0 and " + where).toInt());
    }
    std::function<void(frmXSsel&)> work;
};

TEST_P(frmXSselTest, StatusBoxesAFilterThatNarrowsWithoutAQueryAndAPickThatReturnsTheRowAndKeepsItsWidths) {
    auto picker = formInstance<frmXSsel>();
    picker->load();
    EXPECT_EQ(picker->DataGrid1.rowCount(), students("intTx=0"));
    picker->Check1[0].userClick();  // 毕业
    picker->Check1[2].userClick();  // 休学
    EXPECT_EQ(picker->DataGrid1.rowCount(), students("intTx in(0,3,1)"));
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
    EXPECT_EQ(picker->DataGrid1.rowCount(), students("intTx in(0,3,1)"));

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

FO_INSTANTIATE_DIALECTS(frmXSselTest);

}  // namespace
}  // namespace fo::test
