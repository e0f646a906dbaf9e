// The school's set-up windows, worked as the administrator would: what he
// types is what the books hold, a refusal names its reason and writes
// nothing, every change is audited, and only an administrator gets in, at
// the window and again at each change. (The school's year, classes, items
// and amounts, their refusals and audit: the new office's walk, tests/fees.)
#include <algorithm>

#include "host/school/RosterFile.h"
#include "setup/frmSchool.h"
#include "setup/frmStudentImport.h"
#include "setup/frmStudents.h"
#include "signin/OfficeFixture.h"

namespace fo::test {
namespace {

class SetupWindowsTest : public OfficeTest {};

// The students' export, chosen with 浏览… and read in the import dialog
// before it imports, in an office that has the school but no students,
// gives them back as they were, and exports the same again; then a student
// is added, refused with the reason, and moved as of a day.
TEST_P(SetupWindowsTest, TheStudentsExportImportsBackAStudentIsAddedAndMovedAndOnlyAnAdministratorGetsIn) {
    cn->execute("update kdw_xs set csrq=null where id=2");  // an empty date stays empty
    auto w = open<frmStudents>();
    ASSERT_TRUE(w->isLoaded());
    w->cmdExport.userClick();
    ASSERT_EQ(ui.exports().size(), 1u);
    const auto exported = readRosterFile(ui.exports()[0]);
    ASSERT_EQ(exported.size(), 13u);  // the header and the demo's 12 students

    cn->execute("delete from kdw_xs");
    cn->execute("delete from kdw_xsbd");
    ui.setModalRunner([&](Form& f) {
        auto& d = dynamic_cast<frmStudentImport&>(f);
        ui.setOpenPath(ui.exports()[0]);
        d.cmdBrowse.userClick();
        EXPECT_FALSE(d.cmdImport.enabled());
        d.cmdRead.userClick();
        ui.queueAnswer(MsgAnswer::Yes);
        d.cmdImport.userClick();
    });
    w->cmdImport.userClick();
    EXPECT_EQ(ui.lastMessage()->text, "已导入 12 名学生。");
    EXPECT_EQ(logged().back(), "系统管理员|导入学生|" + ui.exports()[0] + "|完成");
    w->cmdExport.userClick();
    ASSERT_EQ(ui.exports().size(), 2u);
    EXPECT_EQ(readRosterFile(ui.exports()[1]), exported);
    EXPECT_EQ(std::count_if(exported.begin(), exported.end(), [](const auto& row) { return row[4].empty(); }), 1);

    const int listed = w->lvwStudents.itemCount();
    w->txtNumber.userSetText("20269001");
    w->txtName.userSetText("周雨桐");
    EXPECT_EQ(w->txtCode.text(), "ZYT");
    w->cmbSex.userSelect("女");
    w->txtBirth.userSetText("2023-04-31");
    w->cmbClass.userSelect("小班一班");
    w->cmbType.userSelect("全日制");
    w->cmdAdd.userClick();
    EXPECT_EQ(ui.lastMessage()->text, "出生日期“2023-04-31”不是日期。");
    w->txtBirth.userSetText("2023-04-30");
    w->cmdAdd.userClick();
    ASSERT_EQ(w->lvwStudents.itemCount(), listed + 1);
    EXPECT_EQ(w->lvwStudents.selectedItem()->subItem(3), "小班一班");
    w->cmdNew.userClick();
    w->txtNumber.userSetText("20269001");
    w->txtName.userSetText("吴一");
    w->cmbClass.userSelect("小班一班");
    w->cmbType.userSelect("全日制");
    w->cmdAdd.userClick();
    EXPECT_EQ(ui.lastMessage()->text, "学号20269001已经用过。");

    int row = 1;
    while (row < w->lvwStudents.itemCount() && w->lvwStudents.item(row).text() != "20269001") ++row;
    ASSERT_EQ(w->lvwStudents.item(row).text(), "20269001");
    ASSERT_TRUE(w->lvwStudents.userItemClick(w->lvwStudents.item(row).key()));
    w->cmbClass.userSelect("中班一班");
    w->txtMoveDate.userSetText("2026-12-15");
    w->cmdMove.userClick();
    EXPECT_EQ(std::to_string(w->lvwMoves.itemCount()) + "|" + w->lvwStudents.selectedItem()->subItem(3), "2|中班一班");
    EXPECT_EQ(logged().back(), "系统管理员|学生调班|20269001 周雨桐 2026-12-15 中班一班/全日制|完成");

    FormInstances::releaseAll();
    actAs(2);
    EXPECT_FALSE(open<frmSchool>()->isLoaded());
    EXPECT_EQ(ui.lastMessage()->text, "只有管理员可以设置学校。");
    EXPECT_FALSE(open<frmStudents>()->isLoaded());
    FormInstances::releaseAll();

    cn->execute("update sys_user set admin=1 where id=2");
    auto school = open<frmSchool>();
    ASSERT_TRUE(school->isLoaded());
    cn->execute("update sys_user set admin=0 where id=2");
    school->txtClass.userSetText("托班");
    school->cmdAddClass.userClick();
    EXPECT_EQ(ui.lastMessage()->text, "只有管理员可以设置学校。");
    EXPECT_EQ(text("select count(*) from kdw_bj where mc='托班'"), "0");
    EXPECT_EQ(logged().back().find("托班"), std::string::npos);
}

FO_INSTANTIATE_DIALECTS(SetupWindowsTest);

}  // namespace
}  // namespace fo::test
