#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "reports/Notices.h"
#include "ui/Form.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/DatePicker.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"

namespace fo {

// Notices to parents ("缴费通知单"): a class's students listed with what
// each owes, those who owe ticked; the clerk ticks whom to notify, sets the
// day to pay by and the office's line (the host setting txtNoticeLine to
// begin with), reads beside them what will be printed, and prints them or
// exports them as a PDF, three to an A4 page. What is printed is read from
// the books again at that moment.
class frmNotices : public Form {
public:
    frmNotices();

    Label lblClass{*this, "lblClass", "班级:"};
    ComboBox cmbClass{*this, "cmbClass"};
    Label lblDeadline{*this, "lblDeadline", "缴费截止日期:"};
    DatePicker DTPdeadline{*this, "DTPdeadline"};
    CommandButton cmdOwing{*this, "cmdOwing", "勾选欠费学生"};
    Label lblLine{*this, "lblLine", "通知附言:"};
    TextBox txtLine{*this, "txtLine"};
    ListView lvwStudents{*this, "lvwStudents"};
    Label lblPreview{*this, "lblPreview", "打印预览"};
    TextBox txtPreview{*this, "txtPreview"};
    Label lblCount{*this, "lblCount", ""};
    CommandButton cmdPrint{*this, "cmdPrint", "打印"};
    CommandButton cmdPdf{*this, "cmdPdf", "导出PDF"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};

    // The notices the preview shows, in the list's order.
    std::vector<notices::Notice> chosen() const;

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    Connection& cn();
    void cmbClass_Click();
    void tickOwing();
    void showPreview();
    // The ticked students' notices read from the books now; empty (the
    // clerk told why) when there is none or they cannot be read.
    std::vector<notices::Notice> readChosen();
    std::string title() const;
    void cmdPrint_Click();
    void cmdPdf_Click();

    ConnectionPtr cn_;
    std::vector<notices::Notice> students_;  // the class's, keys "s1".. in the list
};

}  // namespace fo
