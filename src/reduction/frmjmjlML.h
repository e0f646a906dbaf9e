#pragma once
#include <string>

#include "data/posting/PostingPlan.h"
#include "db/Connection.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DatePicker.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The reductions still in force ("减免管理"), the items of the selected one,
// and its cancellation. A cancellation never touches the reduction record:
// it books a mirror record ("QXJM", ysfjlid = the reduction) and reopens the
// arrears the reduction settled, but only while no later payment or
// reduction rests on its remainder rows.
class frmjmjlML : public Form {
public:
    frmjmjlML();

    Label Label1{*this, "Label1", "减免日期"};
    DatePicker DTPfrom{*this, "DTPfrom"};
    DatePicker DTPto{*this, "DTPto"};
    Label Label3{*this, "Label3", "班级"};
    ComboBox cmbBJ{*this, "cmbBJ"};
    Label Label4{*this, "Label4", "学号、姓名"};
    TextBox txtXh{*this, "txtXh"};
    CommandButton CMDfind{*this, "CMDfind", "查询"};
    ListView lvwML{*this, "lvwML"};
    ListView lvwMx{*this, "lvwMx"};
    CommandButton cmdCancel{*this, "cmdCancel", "取消减免"};
    CommandButton cmdExit{*this, "cmdExit", "关闭"};

    // Cancels the reduction record `id`; `ok` tells whether it was cancelled.
    // With `seen`, the plan the clerk was shown, the cancellation writes
    // exactly that or, when another clerk changed one of its rows since,
    // names the rows and writes nothing.
    void CancelMonthJM(const std::string& id, bool& ok, const plan::Plan* seen = nullptr);
    // Fills lvwML from `rs`, or from the list query of the filters when null.
    void initData(RecordsetPtr rs);

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void fill(Recordset& rs);
    void lvwML_ItemClick(ListItem& item);
    void cmdCancel_Click();
    void refuse(ConnectionPtr& trCn, const std::string& message);
    // Lists reduction `id` alone and shows its items: a later reduction a
    // refused cancellation named, so the clerk can cancel it first.
    void showRecord(const std::string& id);

    ConnectionPtr cn_;
    std::string lastQuery_;
};

}  // namespace fo
