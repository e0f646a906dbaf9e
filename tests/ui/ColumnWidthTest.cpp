#include <gtest/gtest.h>

#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/UiFixture.h"
#include "ui/lists/clsLvw2012.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

class ColumnWidthTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        for (const char* c : {"单据编号", "金额", "备注"}) lvw.addColumn(std::string("k") + c, c, 777);
    }
    std::string stored(const std::string& app, const std::string& section, const std::string& key) {
        return store->getSetting(app, section, key, "(missing)");
    }
    Form form{"frmBILLML"};
    ListView lvw{form, "ListView1"};
};

TEST_F(ColumnWidthTest, ModuleRoutineStoresNegativeAsAndRestoresZeroOrMissingAs1000AndSavesFirstWidthsOnlyWhereNoneWas) {
    store->saveSetting("tavro", "frmBILLMLListView1", "k3", "2500");
    getGridWidth("frmBILLML", lvw);
    EXPECT_EQ(lvw.column(1).width, 1000) << "never saved";
    EXPECT_EQ(lvw.column(3).width, 2500);
    lvw.setColumnWidth(0, 1800);
    lvw.setColumnWidth(1, -5);
    lvw.setColumnWidth(2, 0);
    setGridWidth("frmBILLML", lvw);
    EXPECT_EQ(stored("tavro", "frmBILLMLListView1", "k1"), "1800");
    EXPECT_EQ(stored("tavro", "frmBILLMLListView1", "k2"), "1000");
    EXPECT_EQ(stored("tavro", "frmBILLMLListView1", "k3"), "0");
    getGridWidth("frmBILLML", lvw);
    EXPECT_EQ(lvw.column(3).width, 1000) << "a column saved at 0 comes back at 1000";

    // First widths go only where the clerk never saved one (another list's).
    store->saveSetting("tavro", "frmFirstListView1", "k2", "900");
    saveFirstGridWidths("frmFirst", lvw, [](const std::string& caption) {
        return caption == "单据编号" ? 2200 : caption == "金额" ? 1200 : 0;
    });
    getGridWidth("frmFirst", lvw);
    EXPECT_EQ(lvw.column(1).width, 2200) << "a first width";
    EXPECT_EQ(lvw.column(2).width, 900) << "the clerk's width stays";
    EXPECT_EQ(lvw.column(3).width, 1000) << "no first width: restored as a missing one";
    EXPECT_EQ(stored("tavro", "frmFirstListView1", "k3"), "(missing)");
}

TEST_F(ColumnWidthTest, ListHelperStoresNegativeAsZeroRestoresZeroOrUnreadableAs1500AndBoundListsSaveOnRelease) {
    clsLvw2012 helper;
    lvw.setColumnWidth(0, -1);
    helper.gSetLvwColumnWidth(lvw, "sec");
    EXPECT_EQ(stored("tavro", "sec", "k1"), "0");
    store->saveSetting("tavro", "sec", "k2", "abc");
    store->saveSetting("tavro", "sec", "k3", "2222");
    helper.gGetLvwColumnWidth(lvw, "sec");
    EXPECT_EQ(lvw.column(1).width, 1500);
    EXPECT_EQ(lvw.column(2).width, 1500);
    EXPECT_EQ(lvw.column(3).width, 2222);

    // A bound list's widths live under the window's and the list's name.
    {
        clsLvw2012 bound;
        bound.strFormName = "frmJmBachList";
        bound.setLvw(lvw);
        lvw.setColumnWidth(2, 3210);
    }
    EXPECT_EQ(stored("tavro", "frmJmBachListListView1", "k3"), "3210");
    lvw.setColumnWidth(2, 1);
    clsLvw2012 again;
    again.strFormName = "frmJmBachList";
    again.setLvw(lvw);
    again.getColWidth();
    EXPECT_EQ(lvw.column(3).width, 3210);
}

}  // namespace
}  // namespace fo::test
