// The two-step wizard in both dialects on the demo school: the same items
// reduced for several ticked students, each with his own record, settling
// the arrears of the chosen period; a row above its receivable stops the
// batch before anything is written.
#include "BatchFixture.h"
#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"

namespace fo::test {
namespace {

class BatchWizardTest : public BatchTest {
protected:
    // Step 1 with students 7, 19 and 31 listed and ticked, step 2 with the
    // fee type 全日制 and September chosen.
    std::shared_ptr<frmBachJM_next> stepTwo() {
        auto first = formInstance<frmBachJM>();
        first->load();
        first->initData(false, "-1", false, "select id from kdw_xs where 1=1 and id in(7,19,31)");
        first->cmdFullSelect.userClick();
        auto next = formInstance<frmBachJM_next>();
        next->load();
        next->CMB_sflx.userSelect("全日制");
        next->cmbYF.userSelect("202609");
        return next;
    }
    static void type(frmBachJM_next& w, int row, const std::string& amount) {
        w.MSFlexGrid1.userCellClick(row, frmBachJM_next::ColJm);
        w.Txt_write.userSetText(amount);
    }
};

TEST_P(BatchWizardTest, PostsTheSameItemsForEveryTickedStudentAndSettlesThePeriod) {
    auto w = stepTwo();
    ASSERT_EQ(w->MSFlexGrid1.rows(), 3);
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColTerm), "2026-09-01-2026-09-30");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(2, frmBachJM_next::ColYs), "341.00");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColQfyf), "202609");
    type(*w, 1, "30");
    type(*w, 2, "20.5");
    EXPECT_EQ(w->lblSumProject.caption(), "50.50");
    w->txtJMYY.userSetText("批量补助");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "操作成功！\r\n减免金额：50.50");
    EXPECT_EQ(lastMessage().title, "提示");

    EXPECT_EQ(rows("select xsid,sfrq,jmje,count(distinct djbh) from kdw_sfjl where jmyy='批量补助' group by xsid,sfrq,jmje"),
              (Rows{"7|2026-09-01|50.5|1", "19|2026-09-01|50.5|1", "31|2026-09-01|50.5|1"}));
    EXPECT_EQ(one("select count(distinct djbh) from kdw_sfjl where jmyy='批量补助'"), "3");
    EXPECT_EQ(rows("select b.sfxmid,b.jmje,b.ysje,count(*) from kdw_sfjl a,kdw_sfjlmx b where b.sfjlid=a.id and "
                   "a.jmyy='批量补助' group by b.sfxmid,b.jmje,b.ysje"),
              (Rows{"1|30|800|3", "2|20.5|341|3"}));
    // Student 7 owed 981 for September: settled, with 930.5 left open; 31
    // owed nothing for September and keeps his rows as they were.
    EXPECT_EQ(one("select q.jmje||'|'||(select qfje from qfhzb where yqfkid=q.qfkid) from qfhzb q,kdw_sfjl a "
                  "where a.jmyy='批量补助' and a.xsid=7 and q.jmjlid=a.id"),
              "50.5|930.5");
    EXPECT_EQ(one("select count(*) from qfhzb q,kdw_sfjl a where a.jmyy='批量补助' and a.xsid=31 and q.jmjlid=a.id"), "0");
}

TEST_P(BatchWizardTest, ARowAboveItsReceivableStopsTheBatchBeforeAnyWrite) {
    auto w = stepTwo();
    const std::string records = one("select count(*) from kdw_sfjl");
    type(*w, 1, "800.01");
    w->txtJMYY.userSetText("超额");
    w->cmd_ok.userClick();
    EXPECT_EQ(lastMessage().text, "收费项目[保育费]\r\n应收金额：800\r\n\r\n减免金额不能大于应收金额");
    EXPECT_EQ(one("select count(*) from kdw_sfjl"), records);

    // A term reduction: the term tag is the arrears key and its first day the date.
    w->optRQ[frmBachJM_next::KindTerm].userClick();
    w->cmbYF.userSelect("2026上");
    ASSERT_EQ(w->MSFlexGrid1.rows(), 2);
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColQfyf), "2026上");
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColTerm), "2026-09-01  -  2027-01-31");
    // One-off: no period to choose, the current month's first day.
    w->optRQ[frmBachJM_next::KindOneOff].userClick();
    EXPECT_FALSE(w->cmbYF.enabled());
    ASSERT_EQ(w->MSFlexGrid1.rows(), 2);
    EXPECT_EQ(w->MSFlexGrid1.textMatrix(1, frmBachJM_next::ColQfyf), "一次性");
    type(*w, 1, "10");
    w->cmd_ok.userClick();
    EXPECT_EQ(one("select count(*)||'|'||min(sfrq) from kdw_sfjl where jmyy='超额'"), "3|2026-12-01");
}

FO_INSTANTIATE_DIALECTS(BatchWizardTest);

}  // namespace
}  // namespace fo::test
