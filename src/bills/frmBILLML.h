#pragma once
#include <memory>
#include <string>

#include "bills/ReceiptPrinter.h"
#include "bills/cLsBILLhead.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "host/api/DbInfo.h"
#include "host/api/HostSystem.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/DatePicker.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/Menu.h"
#include "ui/controls/Panel.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The receipt register ("票据管理"): the bills issued in a date range, with
// filters by state, class, bill type, issuer and students; the items of the
// selected bill; reprinting, voiding (which also cancels the fee record
// behind the bill) and export of the list.
//
// The window reads through the database-information object's connection,
// reopened before every list query, and voids on its transaction
// connection: one transaction, committed only when the whole cancellation
// ran, rolled back otherwise.
class frmBILLML : public Form {
public:
    frmBILLML();
    ~frmBILLML() override;

    Frame Frame1{*this, "Frame1", "开票日期"};
    Label lblFrom{*this, "lblFrom", "从"};
    DatePicker DTPfrom{*this, "DTPfrom"};
    Label lblTo{*this, "lblTo", " 至"};
    DatePicker DTPto{*this, "DTPto"};
    Label lblState{*this, "lblState", "单据状态"};
    ComboBox cmbDJstate{*this, "cmbDJstate"};
    Label lblBJ{*this, "lblBJ", "班级"};
    ComboBox cmbBJ{*this, "cmbBJ"};
    ComboBox cmbBILLtype{*this, "cmbBILLtype"};
    Label lblKpr{*this, "lblKpr", "开票人:"};
    ComboBox cmbKpr{*this, "cmbKpr"};
    Label lblPage{*this, "lblPage", "纸张格式"};
    ComboBox cmbPageType{*this, "cmbPageType"};
    ListView ListView1{*this, "ListView1"};
    ListView lvwMx{*this, "lvwMx"};
    Label lblZfyy{*this, "lblZfyy", "作废原因:"};
    TextBox txtZfyy{*this, "txtZfyy"};
    CommandButton CMDfind{*this, "CMDfind", "查询"};
    CommandButton cmdPrintRe{*this, "cmdPrintRe", "重打收据"};
    CommandButton cmdZF{*this, "cmdZF", "作废"};
    CommandButton Command2{*this, "Command2", "导出"};
    CommandButton Command3{*this, "Command3", "关闭"};
    Menu mGroup{*this, "mGroup", "查询"};
    Menu mFindWhere{*this, "mFindWhere", "查询条件", &mGroup};
    Menu mGroupFind{*this, "mGroupFind", "组合查询", &mGroup};

    // Printing values, handed over by the bill header object before showing.
    std::string picPath2, picPath, kdwContent, pPcs, strSFTFprojectName, cmbPage;
    std::string pBillNameForsfSub, pBillNameForSF;
    std::shared_ptr<ReceiptPrinter> gBillPrint;
    std::shared_ptr<HostSystem> gRun;

    // The reprint button's right code; below full rights it is disabled.

    // Lists the bills of the chosen range and filters; with `BlnHead` the
    // list's columns are rebuilt. `studentIds` ("" for all) is a list of
    // student ids or a statement selecting them.
    void initData(bool BlnHead, const std::string& studentIds);
    // Rows read before the list shows (a screenful and more); the rest are
    // read as the list is drawn or used, and in idle time.
    static constexpr std::size_t kFirstRows = 30;
    // The last list or detail statement run.
    const std::string& lastStatement() const { return lastSql_; }

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void CMDfind_Click() { initData(false, ""); }
    void mFindWhere_Click();
    void mGroupFindData();
    void ListView1_ItemClick(ListItem& item);
    void cmdPrintRe_Click();
    void cmdZF_Click();
    // Counts a reprint of receipt `id` on the receipt and in the log; false
    // when it could not be written (the receipt was printed all the same).
    bool recordReprint(const std::string& id, const std::string& billNumber, long count);
    void Command2_Click();
    void Command3_Click() { unload(); }

    DbInfo& dbInfo();
    HostSystem& host();
    void reopenConnection();
    // Clears the list and lets go of its rows (and of a statement still read).
    void dropList();
    // The selected bill's "单据状态" cell; "" when nothing is selected.
    std::string selectedState() const;
    RecordsetPtr reprintItems(const std::string& id);
    std::string paperFormat() const;
    // The chosen format's name (the paper), else the host's `cmbPage`.
    std::string paperName() const;
    // The bill's state as stored now ("作废" once voided).
    std::string storedState(const std::string& id);

    RecordsetPtr list_;
    ConnectionPtr cn_;
    // The list's own session: its statement may stay open while the window
    // reads and voids on cn_ and the transaction connection, which see the
    // books as they are now.
    ConnectionPtr listCn_;
    std::unique_ptr<DbInfo> dbInfo_;
    cLsBILLhead bill_;
    std::string lastSql_;
};

}  // namespace fo
