#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "batch/clsJMhead.h"
#include "data/posting/PostingPlan.h"
#include "reduction/PaidCredit.h"

#include "data/myDB.h"
#include "db/Recordset.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/DatePicker.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/ListView.h"
#include "ui/controls/Menu.h"
#include "ui/controls/OptionButton.h"
#include "ui/controls/Panel.h"
#include "ui/controls/ProgressBar.h"
#include "ui/controls/TextBox.h"
#include "ui/lists/clsLvw2012.h"

namespace fo {

// The receivables list for reductions ("应收明细表-减免"): lists what many
// students owe per period and item (arrears mode, from which reductions are
// posted) or their uncollected fee records as a cross-tab, takes an amount
// to reduce per row and posts one reduction per student and period, the
// whole batch in one transaction. Queries in frmJmBachListQuery.cpp, the
// amounts and the posting in frmJmBachListPosting.cpp.
class frmJmBachList : public Form {
public:
    frmJmBachList();
    ~frmJmBachList() override;

    // List columns (1-based) of the arrears mode.
    enum Column { ColOwed = 7, ColReduce = 8 };

    Label lblYf{*this, "lblYf", "月份"};
    ComboBox cmbYf{*this, "cmbYf"};
    Label LBLprompt{*this, "LBLprompt", "至"};
    ComboBox cmbYFto{*this, "cmbYFto"};
    OptionButton OptMonth{*this, "OptMonth", "应收月份"};
    OptionButton OptRQ{*this, "OptRQ", "日期段"};
    DatePicker DTPfrom{*this, "DTPfrom"};
    DatePicker DTPto{*this, "DTPto"};
    Label lblBJ{*this, "lblBJ", "班级"};
    ComboBox cmbBJ{*this, "cmbBJ"};
    Label lblBh{*this, "lblBh", "学号/姓名"};
    TextBox txtBh{*this, "txtBh"};
    CheckBox chkpreClass{*this, "chkpreClass", "按收费时的所在班级统计"};
    // Off by default: the list then shows what each student paid of each
    // period and item and may still be credited, and 批量减免 credits it to
    // his prepayment (a right of its own).
    CheckBox chkCreditPaid{*this, "chkCreditPaid", "已缴费用的减免转入预收款"};
    CommandButton cmdTJ{*this, "cmdTJ", "收费项目"};
    CommandButton CMDfind{*this, "CMDfind", "查询"};
    CommandButton cmdFind2{*this, "cmdFind2", "条件"};
    PictureBox Picsfxm{*this, "Picsfxm"};
    ListBox LSTsfxm{*this, "LSTsfxm"};
    CommandButton cmdSelectALL{*this, "cmdSelectALL", "全选"};
    CommandButton cmdNoSelect{*this, "cmdNoSelect", "全不选"};
    CheckBox chkALL{*this, "chkALL", "显示金额为零的学生与项目"};
    CommandButton cmdOK{*this, "cmdOK", "确定"};
    ListView lvw1{*this, "lvw1"};
    ImageBox imgSplitter{*this, "imgSplitter"};
    PictureBox picSplitter{*this, "picSplitter"};
    ListView lvwMx{*this, "lvwMx"};
    TextBox txtWrite{*this, "txtWrite"};
    ProgressBar ProgressBar1{*this, "ProgressBar1"};
    Label lblJmje{*this, "lblJmje", "减免金额:"};
    TextBox txtJmje{*this, "txtJmje"};
    CommandButton cmdALL{*this, "cmdALL", "设置全部"};
    CommandButton cmdCancelSelect{*this, "cmdCancelSelect", "本次减免等于欠费"};
    CommandButton cmdAllSelect{*this, "cmdAllSelect", "清空本次减免"};
    Label lblJmyy{*this, "lblJmyy", "减免原因:"};
    TextBox txtJmyy{*this, "txtJmyy"};
    CommandButton cmdPreview{*this, "cmdPreview", "预览"};
    CommandButton cmdJMok{*this, "cmdJMok", "批量减免"};
    CommandButton CMDexcel{*this, "CMDexcel", "导出EXCEL"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};
    Menu menucpy{*this, "menucpy", "操作"};
    Menu FZXH{*this, "FZXH", "复制学号", &menucpy};
    Menu mFindWhere{*this, "mFindWhere", "查询条件", &menucpy};
    Menu m_JM{*this, "m_JM", "减免"};
    Menu m_sm{*this, "m_sm", "说明", &m_JM};

    // Lays the two lists out for a splitter at x (twips), clamped in place
    // to 1500 from either side.
    void SizeControls(int& x);

    // The list as the last query built it (exported by 导出EXCEL).
    const RecordsetPtr& listRecordset() const { return list_; }

    void CMDfindDataNew(const std::string& strWhere);
    void CMDfindNew();
    void cmdJMok_Click();
    // What 批量减免 will write, per student, period and item, shown before
    // anything is written; confirmed, it posts exactly that.
    void cmdPreview_Click();

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Form_Resize() override;

private:
    // --- events ---
    void findWithFilter();
    void cmdOK_Click();
    void selectAllItems(bool on);
    void lvw1_ItemClick(ListItem& item);
    // Puts the editor over the reduction cell of `item` with its amount;
    // false for a row that takes none (a subtotal, the cross-tab).
    bool placeEditor(ListItem& item);
    // Starts editing the selected row's amount: the editor over its cell,
    // with the focus and its text selected.
    void editReduction();
    void lvw1_KeyPress(int& keyAscii);
    void lvw1_MouseDown(int button, int shift, int x, int y);
    void FZXH_Click();
    void m_sm_Click();
    void CMDexcel_Click();
    void imgSplitter_MouseDown(int button, int shift, int x, int y);
    void imgSplitter_MouseMove(int button, int shift, int x, int y);
    void imgSplitter_MouseUp(int button, int shift, int x, int y);

    // --- amounts ---
    void cmdALL_Click();
    void cmdCancelSelect_Click();
    void cmdAllSelect_Click();
    void txtWrite_Change();

    // --- posting ---
    // One reduction of the batch: a student's rows of one period.
    struct Group {
        std::string xsid, sfyf, termfrom, bjmc, sflxid;
        Currency jmhj;
        JMmxCollection items;
    };
    // The checks before posting or previewing; false after the message.
    bool readyToPost();
    // Whether the clerk goes on with a batch that reduces again what a
    // reduction in force already reduced for the same student, item and
    // period (asked only when one does).
    bool secondReductionsConfirmed(Connection& cn, const std::vector<Group>& groups);
    // Fills the work table from the list's rows with an amount above zero
    // and reads the groups of the batch from it, on the session's
    // connection. False when it stopped: after "操作失败！", or quietly for a
    // period without dates.
    bool gatherGroups(myDB& session, std::string& table, std::vector<Group>& groups);
    void fillPoster(clsJMhead& head, const Group& g);
    // Posts the batch; with `seen` (the previewed plan of each group, by
    // groupKey) exactly what the preview showed.
    void post(const std::map<std::string, plan::Plan>* seen);
    static std::string groupKey(const Group& g) { return g.xsid + "|" + g.sfyf + "|" + g.termfrom; }

    // --- crediting what was paid (listed in frmJmBachListCredit.cpp, posted
    // in frmJmBachListPosting.cpp) ---
    bool crediting() const { return chkCreditPaid.value() == 1; }
    void chkCreditPaid_Click();
    // What student `xsid` may still have credited of item `itemId` in period
    // `sfyf` of charge kind `jflx`, read on `cn`; `dates` keeps each
    // period's first day.
    Currency creditable(Connection& cn, const std::string& xsid, const std::string& sfyf, const std::string& itemId, int jflx,
                        std::map<std::string, std::string>& dates);
    // Fills list_ as listArrears does, with what each student paid of each
    // period and item and may still have credited in place of what he owes.
    void listCreditable(Connection& cn, const std::string& category, const std::string& periodIds,
                        const std::string& classId, const std::string& strWhere);
    // One credit per group, dated on its period's first day.
    std::vector<jmjl::CreditRequest> creditRequests(const std::vector<Group>& groups);
    void previewCredits();
    // Posts the credits; with `seen` (the previewed plans, by group) exactly
    // what the preview showed.
    void postCredits(const std::vector<plan::Plan>* seen);

    // --- queries ---
    // Keeps the ids of the chosen fee items in itemIds_ ("1,5,..."); false,
    // after telling the clerk, when none is chosen.
    bool takeSelectedItems();
    // Fills list_ with what the students owe per period and item, with a
    // subtotal per student and the grand total, through the host's work
    // table of what is owed.
    // One row of list_: key, the student's cells (or none on his further
    // rows), the item and the amount.
    void appendListRow(const std::string& key, const std::string (&cells)[4], const std::string& item,
                       const std::string& amount);
    void listArrears(const ConnectionPtr& cn, const std::string& category, const std::string& periodIds,
                     const std::string& classId, const std::string& strWhere);
    void arrearsColumns();
    void restoreLayout();
    void saveLayout();

    myDB& db();
    void declareLayout();

    std::unique_ptr<myDB> db_;
    clsLvw2012 lvw_;
    std::string itemIds_, workTable_;
    RecordsetPtr list_;
    // The student filter of the last query with filters ("" for none); a
    // preview's refresh runs that query again.
    std::string lastWhere_;
    bool lastWasCrossTab_ = false;
    bool dragging_ = false;
};

}  // namespace fo
