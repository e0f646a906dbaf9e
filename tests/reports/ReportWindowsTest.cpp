// The notices window and the arrears window on demo fee offices in both
// dialects: the notices printed are the ticked students' as the books stand,
// with the day and the line the clerk set; a student behind a line opens the
// reduction window on him; an operator without the right opens neither.
#include "host/settings/HostSettings.h"
#include "reduction/frmjmjlNew.h"
#include "reports/Notices.h"
#include "reports/frmArrearsAnalysis.h"
#include "reports/frmNotices.h"
#include "support/DemoOfficeWindowTest.h"
#include "support/FileText.h"

namespace fo::test {
namespace {

class ReportWindows : public DemoOfficeWindowTest {};

TEST_P(ReportWindows, NoticesPrintTheTickedStudentsAStudentBehindALineOpensHisReductionsAndNeitherWithoutTheRight) {
    setSetting(*cn, "txtNoticeLine", "如有疑问请致电财务室");
    const std::string className =
        text("select b.mc from qfhzb q inner join kdw_xs x on x.id=q.xsid inner join kdw_bj b on b.id=x.bjid"
             " where q.fkrq is null group by b.mc order by count(distinct q.xsid) desc,b.mc");
    auto w = std::make_shared<frmNotices>();
    w->show();
    ASSERT_TRUE(w->cmbClass.userSelect(className));
    EXPECT_EQ(std::to_string(w->lvwStudents.itemCount()),
              text("select count(*) from kdw_xs x inner join kdw_bj b on b.id=x.bjid where x.del=0 and b.mc='" +
                   className + "'"));
    // Those who owe are ticked, each with the total the notices verb gives him.
    const auto owing = notices::forClass(*cn, className, "2026-12-20");
    ASSERT_GE(owing.size(), 2u);
    auto chosen = w->chosen();
    ASSERT_EQ(chosen.size(), owing.size());
    for (std::size_t i = 0; i < owing.size(); ++i)
        EXPECT_EQ(std::pair(chosen[i].studentNo, chosen[i].total), std::pair(owing[i].studentNo, owing[i].total));
    EXPECT_NE(w->txtPreview.text().find("如有疑问请致电财务室"), std::string::npos);

    // The first owing student unticked, the line and the day changed: the
    // preview and what is printed follow.
    for (int i = 1; i <= w->lvwStudents.itemCount(); ++i) {
        if (w->lvwStudents.item(i).text() == owing[0].studentNo) {
            ASSERT_TRUE(w->lvwStudents.userItemCheck(w->lvwStudents.item(i).key(), false));
        }
    }
    w->txtLine.userSetText("请家长按时缴费");
    w->DTPdeadline.userPick(DateTime::parse("2026-12-25").value());
    chosen = w->chosen();
    ASSERT_EQ(chosen.size(), owing.size() - 1);
    EXPECT_EQ(w->txtPreview.text(), notices::asDocument(chosen, "").text);
    std::string printed;
    ui.events.printed = [&printed](const std::string& path) { printed = path; };
    w->cmdPrint.userClick();
    ASSERT_FALSE(printed.empty()) << lastMessage().text;
    const std::string sheet = readWholeFile(printed);
    EXPECT_EQ(sheet.find("学号：" + owing[0].studentNo + "　班级："), std::string::npos);
    for (std::size_t i = 1; i < owing.size(); ++i) {
        EXPECT_NE(sheet.find("学号：" + owing[i].studentNo), std::string::npos) << owing[i].studentNo;
        EXPECT_NE(sheet.find("合计欠费：" + owing[i].total.format00() + " 元"), std::string::npos) << owing[i].studentNo;
    }
    for (const char* set : {"请于 2026-12-25 前", "请家长按时缴费"}) EXPECT_NE(sheet.find(set), std::string::npos) << set;
    EXPECT_EQ(lastMessage().text, "已打印 " + std::to_string(owing.size() - 1) + " 份通知单到 " + printed);

    // No binding here draws a PDF: the clerk is told, nothing is exported.
    w->cmdPdf.userClick();
    EXPECT_TRUE(ui.exports().empty());
    EXPECT_NE(lastMessage().text.find("PDF"), std::string::npos);
    // Nobody ticked, nothing printed.
    printed.clear();
    for (int i = 1; i <= w->lvwStudents.itemCount(); ++i)
        w->lvwStudents.userItemCheck(w->lvwStudents.item(i).key(), false);
    w->cmdPrint.userClick();
    EXPECT_EQ(std::pair(printed, lastMessage().text), std::pair(std::string(), std::string("请勾选要通知的学生。")));

    auto a = std::make_shared<frmArrearsAnalysis>();
    a->show();
    ASSERT_FALSE(a->shownCells().empty());
    ASSERT_TRUE(a->lvwArrears.userItemClick("k1"));
    const arrearsview::Cell& cell = a->shownCells().front();
    const auto behind = arrearsview::studentsBehind(*cn, cell.classId, cell.period);
    ASSERT_EQ(a->lvwStudents.itemCount(), static_cast<int>(behind.size()));
    EXPECT_FALSE(a->cmdReduce.enabled());
    std::string openedOn;
    onModal = [&openedOn](Form& f) {
        if (auto* r = dynamic_cast<frmjmjlNew*>(&f)) openedOn = r->txtXh.text() + " " + r->Lbl_mc.caption();
        f.unload();
    };
    const std::size_t last = behind.size();
    ASSERT_TRUE(a->lvwStudents.userItemDblClick("s" + std::to_string(last)));
    EXPECT_EQ(openedOn, behind[last - 1].studentNo + " " + behind[last - 1].studentName);

    // An operator without the right to charge opens neither window.
    actAs(3);
    for (std::shared_ptr<Form> refused : {std::shared_ptr<Form>(std::make_shared<frmNotices>()),
                                          std::shared_ptr<Form>(std::make_shared<frmArrearsAnalysis>())}) {
        refused->show();
        EXPECT_FALSE(refused->isLoaded());
        EXPECT_NE(lastMessage().text.find("收费"), std::string::npos) << lastMessage().text;
    }
}

FO_INSTANTIATE_DIALECTS(ReportWindows);

}  // namespace
}  // namespace fo::test
