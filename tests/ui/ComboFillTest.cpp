#include <gtest/gtest.h>

#include "host/api/ModuleGlobals.h"
#include "support/Dialects.h"
#include "support/TempFeeDb.h"
#include "ui/controls/ComboBox.h"
#include "ui/Form.h"
#include "ui/UiFixture.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

class ComboFillTest : public DialectTest {
protected:
    void SetUp() override {
        ui.install();
        db.exec("insert into kdw_bj (id, mc) values (3, '大班')");
        db.exec("insert into kdw_bj (id, mc) values (5, '小班')");
        globals().transLinkString = db.connectionString();
    }
    void TearDown() override { globals().transLinkString.clear(); }
    TempFeeDb db;
    HeadlessUi ui;
    Form form{"frmJmBachList"};
    ComboBox cmb{form, "cmbBJ"};
};

TEST_P(ComboFillTest, FillsTextAndItemDataFromTheTableWithAnOptionalBlankFirst) {
    setCmb(cmb, "ID", "MC", "KDW_BJ", true);
    ASSERT_EQ(cmb.ListCount(), 3);
    EXPECT_EQ(cmb.List(0), " ");
    EXPECT_EQ(cmb.ItemData(0), 0);
    EXPECT_EQ(cmb.List(1), "大班");
    EXPECT_EQ(cmb.ItemData(1), 3);
    EXPECT_EQ(cmb.ItemData(2), 5);
    EXPECT_EQ(cmb.ListIndex(), -1) << "nothing is chosen";
    // Without the blank, only the rows.
    ComboBox bare{form, "cmbBare"};
    setCmb(bare, "id", "mc", "kdw_bj", false);
    ASSERT_EQ(bare.ListCount(), 2);
    EXPECT_EQ(bare.List(1), "小班");
}

FO_INSTANTIATE_DIALECTS(ComboFillTest);

}  // namespace
}  // namespace fo::test
