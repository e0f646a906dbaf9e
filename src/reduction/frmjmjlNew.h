#pragma once
#include <map>
#include <memory>
#include <string>

#include "db/Connection.h"
#include "host/api/DbInfo.h"
#include "reduction/FeeItemGrid.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/FlexGrid.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/Menu.h"
#include "ui/controls/Panel.h"
#include "ui/controls/TextBox.h"
#include "ui/controls/TreeView.h"

namespace fo {

// The single-student reduction window ("减免管理"): find a student, choose an
// arrears period or the current one, type a reduction per fee item, give a
// reason and post it. The arrears list and the item grid live in
// frmjmjlNewGrid.cpp, posting in frmjmjlNewPosting.cpp.
class frmjmjlNew : public Form {
public:
    frmjmjlNew();
    ~frmjmjlNew() override;

    // Grid columns.
    using Col = FeeItemGrid::Col;
    using enum FeeItemGrid::Col;

    // --- student ---
    Label Label14{*this, "Label14", "学号/姓名/简码:"};
    TextBox txtFind{*this, "txtFind"};
    CommandButton cmdSel{*this, "cmdSel", "..."};
    ImageList ImageList1{*this, "ImageList1"};
    TreeView TreeView1{*this, "TreeView1"};
    Label lblXhCaption{*this, "lblXhCaption", "学号"};
    TextBox txtXh{*this, "txtXh"};
    Label lblMcCaption{*this, "lblMcCaption", "学生姓名"};
    Label Lbl_mc{*this, "Lbl_mc"};
    Label lblSexCaption{*this, "lblSexCaption", "性别:"};
    Label lblSex{*this, "lblSex"};
    Label lblBjCaption{*this, "lblBjCaption", "班级:"};
    Label lblBj{*this, "lblBj"};
    Label lblFqCaption{*this, "lblFqCaption", "父亲姓名"};
    Label lblFqxm{*this, "lblFqxm"};
    Label lblMqCaption{*this, "lblMqCaption", "母亲姓名:"};
    Label lblMqxm{*this, "lblMqxm"};

    // --- record ---
    Label lblSflxCaption{*this, "lblSflxCaption", "收费类型"};
    ComboBox CMB_sflx{*this, "CMB_sflx"};
    Label lblJmrqCaption{*this, "lblJmrqCaption", "减免日期"};
    DatePicker DTP_jmrq{*this, "DTP_jmrq"};
    Label lblDjbhCaption{*this, "lblDjbhCaption", "单据编号"};
    Label LBLdjbh{*this, "LBLdjbh"};

    // --- arrears and items ---
    Label LBLlvwYf{*this, "LBLlvwYf"};
    ListView LvwQFLIST{*this, "LvwQFLIST"};
    Label lblYFcaption{*this, "lblYFcaption"};
    FlexGrid MSFlexGrid1{*this, "MSFlexGrid1"};
    TextBox Txt_write{*this, "Txt_write"};
    Label lblcaptionYshj{*this, "lblcaptionYshj", "减免合计:"};
    Label Lbl_jmhj{*this, "Lbl_jmhj"};
    Label Label6{*this, "Label6", "减免合计:"};
    Label lblSumProject{*this, "lblSumProject"};
    Label lblJmyyCaption{*this, "lblJmyyCaption", "减免原因："};
    TextBox txtJmyy{*this, "txtJmyy"};
    // Off by default: an item paid for its period is then reduced by
    // crediting the student's prepayment (a right of its own).
    CheckBox chkCreditPaid{*this, "chkCreditPaid", "已缴费用的减免转入预收款"};
    Label lblProjectCaption{*this, "lblProjectCaption", "关联资产类科目:"};
    Label lblProjectid{*this, "lblProjectid"};

    // --- board-fee calculator ---
    Frame FrameHSF{*this, "FrameHSF", "伙食费"};
    Label lblTsCaption{*this, "lblTsCaption", "天数"};
    TextBox Txt_ts{*this, "Txt_ts"};
    Label lblBzCaption{*this, "lblBzCaption", "标准（每天）"};
    TextBox Txt_bz{*this, "Txt_bz"};
    Label Lbl_hsf{*this, "Lbl_hsf"};

    // --- buttons and menu ---
    CommandButton cmd_ok{*this, "cmd_ok", "确定"};
    CommandButton Cmd_exit{*this, "Cmd_exit", "关闭"};
    CommandButton cmdRefresh{*this, "cmdRefresh", "刷新"};
    CommandButton cmdReset{*this, "cmdReset", "清空【减免金额】列"};
    CommandButton cmdCancelFee{*this, "cmdCancelFee", "取消收费"};
    Menu m_hisjm{*this, "m_hisjm", "历史减免记录"};

    // Stored values a caller may set and read; the window does not use them.
    std::string Pbz, pMC;
    // The id of the student the window opens on, set before it is shown
    // (from a report's list of who owes); empty: it opens on nobody.
    std::string openOnStudent;

    // --- arrears list and item grid ---
    void setQFlist(const std::string& xsid);
    void selectItem(bool flag);
    void LvwQFLIST_ItemCheck(ListItem& item);
    void LvwQFLIST_ItemClick(ListItem& item);
    void ShowSFLX(const std::string& month);
    void AddXFLX();
    void Sum_js() { itemGrid_.Sum_js(); }

    // --- posting ---
    bool CanAdd();
    void ToAdd();
    // Settles the arrears of student `xsId` for the entries of `strYfXmidJe`;
    // every write runs on `varCn` (the open posting transaction).
    void toUpdateHis(const std::string& xsId, const std::string& strYfXmidJe, Connection& varCn,
                     const std::string& recordId);

    // The fee month of the chosen period.
    const std::string& strYf() const { return strYf_; }

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Form_KeyPress(int& keyAscii) override;

private:
    void frmInit();
    void AddXs();
    void findXs(const std::string& xsId);
    void findStudent(const std::string& xsId);
    void fillStudent(Recordset& rs);
    void Sclear();
    void initJmrq();
    void showTerm();
    void setupGrid();
    void fillTermColumns(int row, int jflx, bool joinWithTo);
    void clearGrid();
    Connection& cn();

    void txtFind_KeyPress(int& keyAscii);
    void cmdSel_Click();
    void TreeView1_NodeClick(TreeNode& node);
    void CMB_sflx_Click();
    void cmd_ok_Click();
    void chkCreditPaid_Click();
    // Posts the grid's amounts as a credit of what was paid (chkCreditPaid).
    void ToCredit();
    void cmdReset_Click();
    void cmdCancelFee_Click();
    void m_hisjm_Click();
    void Txt_ts_Change();
    void Txt_bz_KeyPress(int& keyAscii);
    void declareLayout();

    // Reads what the student owes now of each item the grid shows of coming
    // charges, for the reduction date shown: what the posting is held to.
    void keepOwedShown();
    // Caps each coming charge the grid offers at what keepOwedShown read.
    void offerOnlyWhatIsOwed(const std::string& xsid);

    std::string strYf_;
    // What the student owed of each coming charge the grid shows (by item
    // id) when it was filled, and the reduction date it was read for.
    std::map<std::string, Currency> owedShown_;
    std::string owedShownDate_;
    FeeItemGrid itemGrid_{MSFlexGrid1, Txt_write, lblSumProject, Lbl_jmhj};
    ConnectionPtr cn_;
    std::unique_ptr<DbInfo> dbInfo_;
};

}  // namespace fo
