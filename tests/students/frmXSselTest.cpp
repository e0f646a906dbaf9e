#include <memory>

#include <gtest/gtest.h>

#include "host/DemoSchool.h"
#include "host/ReferenceHost.h"
#include "host/api/ModuleGlobals.h"
#include "students/frmXSsel.h"
#include "support/Dialects.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "ui/FormInstance.h"
#include "ui/HeadlessUi.h"

namespace fo::test {
namespace {

// The picker on a demo school, with one student of each status besides the
// attending ones.
class frmXSselTest : public DialectTest {
protected:
    void SetUp() override {
        writeDemoSchool(db, DemoOptions{40, 1, "2026-12-06"});
        host = std::make_shared<ReferenceHost>(db, dialectCode());
        globals().host = host;
        globals().transLinkString = host->gLinkString();
        cn = openConnection(host->gLinkString());
        cn->execute("update kdw_xs set intTx=3 where id=1");
        cn->execute("update kdw_xs set intTx=1 where id=2");
        ui.install();
        ui.setModalRunner([this](Form& f) { if (work) work(static_cast<frmXSsel&>(f)); });
    }
    void TearDown() override {
        FormInstances::releaseAll();
        globals() = ModuleGlobals{};
    }
    int attending() { return static_cast<int>(scalar(*cn, "select count(*) from kdw_xs where del=0 and intTx=0").toInt()); }

    TempDir dir;
    std::string db = dir.file("fee.db");
    std::shared_ptr<ReferenceHost> host;
    ConnectionPtr cn;
    HeadlessUi ui;
    std::function<void(frmXSsel&)> work;
};

TEST_P(frmXSselTest, StatusBoxesAddTheirStudentsAndTheFilterNarrowsWithoutAQuery) {
    auto picker = formInstance<frmXSsel>();
    picker->load();
    EXPECT_EQ(picker->DataGrid1.rowCount(), attending());
    picker->Check1[0].userClick();  // 毕业
    EXPECT_EQ(picker->DataGrid1.rowCount(), attending() + 1);
    picker->Check1[2].userClick();  // 休学
    EXPECT_EQ(picker->DataGrid1.rowCount(), attending() + 2);
    EXPECT_FALSE(picker->DataGrid1.column(0).visible);
    EXPECT_FALSE(picker->DataGrid1.column(2).visible);
    EXPECT_FALSE(picker->DataGrid1.column(11).visible);

    const std::string name = scalar(*cn, "select xm from kdw_xs where id=3").toText();
    cn->execute("update kdw_xs set xm='改了' where id=3");  // a new query would see this
    picker->txtFilter.userSetText(name);
    ASSERT_GE(picker->DataGrid1.rowCount(), 1);
    for (int r = 0; r < picker->DataGrid1.rowCount(); ++r) {
        const std::string shown = picker->DataGrid1.cellText(r, 1) + picker->DataGrid1.cellText(r, 3) +
                                  picker->DataGrid1.cellText(r, 9);
        EXPECT_NE(shown.find(name), std::string::npos) << shown;
    }
    picker->txtFilter.userSetText("");
    EXPECT_EQ(picker->DataGrid1.rowCount(), attending() + 2);
}

TEST_P(frmXSselTest, APickReturnsTheRowAndAnEmptyResultNone) {
    const std::string xh = scalar(*cn, "select xh from kdw_xs where id=3").toText();
    work = [](frmXSsel& p) { p.CmdSel.userClick(); };
    auto picker = formInstance<frmXSsel>();
    picker->strFind = xh;
    picker->strWhere = " and del=0 and intTx=0 ";
    picker->showModal();
    ASSERT_TRUE(picker->blnSelected);
    EXPECT_EQ(picker->xsId, "3");
    EXPECT_EQ(picker->xsXh, xh);
    EXPECT_EQ(picker->ysk, scalar(*cn, "select ysk from kdw_xs where id=3").toText());
    EXPECT_EQ(picker->fkrdm, xh);
    EXPECT_EQ(picker->strFind, "");  // cleared on unload

    // Enter on an empty result closes without a pick; a quote in the search
    // text neither breaks the statement nor matches anything.
    work = [](frmXSsel& p) { p.userKey(p.DataGrid1, key::Enter); };
    auto again = formInstance<frmXSsel>();
    again->strFind = "无'人";
    again->showModal();
    EXPECT_FALSE(again->blnSelected);
    EXPECT_EQ(again->DataGrid1.rowCount(), 0);
}

FO_INSTANTIATE_DIALECTS(frmXSselTest);

}  // namespace
}  // namespace fo::test
