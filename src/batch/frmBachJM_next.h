#pragma once
#include <map>
#include <string>

#include "batch/clsJMhead.h"
#include "batch/frmBachJM.h"
#include "reduction/ReductionChecks.h"
#include "batch/clsYF.h"
#include "reduction/FeeItemGrid.h"
#include "reduction/PaidCredit.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ControlArray.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/FlexGrid.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/TextBox.h"

namespace fo {

// Step 2 of the batch reduction wizard ("批量减免"): the fee type, the kind
// and the period, one reduction amount per fee item and a reason; 确定 posts
// one reduction per student ticked in step 1, all in one transaction.
// The grid is edited as in the single-student window (FeeItemGrid).
class frmBachJM_next : public Form {
public:
    frmBachJM_next();

    // Grid columns, as in the single-student window.
    using Col = FeeItemGrid::Col;
    using enum FeeItemGrid::Col;
    // Period kinds: the option index, which is also the items' charge kind.
    enum Kind { KindTerm = 0, KindOneOff = 1, KindYear = 2, KindMonth = 3 };

    ControlArray<OptionButton> optRQ{*this, "optRQ", {0, 1, 2, 3}};
    Label LBLyf{*this, "LBLyf", "月份/学期/年度:"};
    ComboBox cmbYF{*this, "cmbYF"};
    Label lblSflx{*this, "lblSflx", "收费类型"};
    ComboBox CMB_sflx{*this, "CMB_sflx"};
    Label lblJmrq{*this, "lblJmrq", "减免日期"};
    DatePicker DTP_jmrq{*this, "DTP_jmrq"};
    FlexGrid MSFlexGrid1{*this, "MSFlexGrid1"};
    TextBox Txt_write{*this, "Txt_write"};
    Label lblJmhjCaption{*this, "lblJmhjCaption", "减免合计:"};
    Label Lbl_jmhj{*this, "Lbl_jmhj"};
    Label lblSumProject{*this, "lblSumProject"};
    Label lblJmyy{*this, "lblJmyy", "减免原因："};
    TextBox txtJMYY{*this, "txtJMYY"};
    CommandButton cmd_ok{*this, "cmd_ok", "确定"};
    CommandButton Cmd_exit{*this, "Cmd_exit", "关闭"};
    CommandButton cmdReset{*this, "cmdReset", "清空【减免金额】列"};
    CommandButton Command1{*this, "Command1", "按欠费明细减免"};
    CommandButton cmdPreview{*this, "cmdPreview", "预览"};
    // Off by default: the grid then offers what each ticked student paid of
    // the period and may still be credited, and the posting credits it to
    // his prepayment (a right of its own).
    CheckBox chkCreditPaid{*this, "chkCreditPaid", "已缴费用的减免转入预收款"};

    void ShowSFLX();
    void Sum_js() { itemGrid_.Sum_js(); }

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void frmInit();
    void setupGrid();
    void optRQ_Click(int index);
    void cmd_ok_Click();
    void cmdPreview_Click();
    bool CanAdd();
    // The checks before posting or previewing; the reduction date (the
    // period's first day, also shown in DTP_jmrq), or false when stopped.
    bool ready(std::string& jmrq);
    // The confirmation box; true when the clerk answered 是.
    bool confirmed();
    // The grid's reduced items as the poster takes them; with `warn`, false
    // after the warning when one exceeds its receivable (a preview shows
    // those as refused instead).
    bool readItems(JMmxCollection& items, bool warn);
    // The poster of the chosen fee type, date and reason for `items`.
    clsJMhead poster(const std::string& jmrq, JMmxCollection items);
    // The period's first day and tag by the chosen kind.
    std::string periodFirstDay() const;
    std::string periodTag() const;
    // Shows the period's first day in DTP_jmrq.
    void showPeriodDate();
    // Posts for every ticked student; with `seen` (the previewed plan of
    // each student, by id) exactly what the preview showed.
    void post(const std::string& jmrq, const std::map<std::string, plan::Plan>* seen);

    void cmdReset_Click();
    int kind() const;
    // Reads what each ticked student still owes of each item of the grid
    // for the period, keeps it (what the posting is held to) and shows in the
    // receivable column what the most owing of them owes.
    void showOwed();
    // showOwed, a failure said to the clerk, and the totals shown again.
    void refreshOwed();
    // The ticked students' items the batch reduces, with reductions in force
    // of the same item and period; the clerk's answer whether to go on.
    bool secondReductionsConfirmed(const std::vector<frmBachJM::Student>& students, const JMmxCollection& items);
    // What step two showed student `xsid` owing, by item.
    std::map<std::string, Currency> owedShownTo(const std::string& xsid) const;

    // --- crediting what was paid (frmBachJM_nextCredit.cpp) ---
    bool crediting() const { return chkCreditPaid.value() == 1; }
    void chkCreditPaid_Click();
    // What each ticked student may still have credited of each item of the
    // grid for the period, shown in the receivable column as showOwed shows
    // what is owed.
    void showCreditable();
    // One credit per ticked student of the grid's amounts, dated `jmrq`.
    std::vector<jmjl::CreditRequest> creditRequests(const std::string& jmrq);
    void previewCredits(const std::string& jmrq);
    // Posts the credits; with `seen` (the previewed plans, by request)
    // exactly what the preview showed.
    void postCredits(const std::string& jmrq, const std::vector<plan::Plan>* seen);

    clsYF yf_;
    jmjl::OwedByStudent owedShown_;
    FeeItemGrid itemGrid_{MSFlexGrid1, Txt_write, lblSumProject, Lbl_jmhj};
};

}  // namespace fo
