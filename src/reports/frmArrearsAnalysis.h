#pragma once
#include <vector>

#include "db/Connection.h"
#include "reports/ArrearsAnalysis.h"
#include "ui/Form.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"

namespace fo {

// Arrears at a glance ("欠费分析"): what is owed by period, class and fee
// item, the total last; a click on a line lists the students of that class
// owing for that period below it, and a student there (double click, or
// 学生减免) opens the reduction window on him. The desktop draws its charts
// from the same figures.
class frmArrearsAnalysis : public Form {
public:
    frmArrearsAnalysis();

    ListView lvwArrears{*this, "lvwArrears"};
    Label lblStudents{*this, "lblStudents", "点击一行，查看欠费学生"};
    ListView lvwStudents{*this, "lvwStudents"};
    CommandButton cmdReduce{*this, "cmdReduce", "学生减免"};
    CommandButton cmdRefresh{*this, "cmdRefresh", "刷新"};
    CommandButton cmdPrint{*this, "cmdPrint", "打印"};
    CommandButton cmdExport{*this, "cmdExport", "导出EXCEL"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};

    const std::vector<arrearsview::Cell>& shownCells() const { return cells_; }

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    Connection& cn();
    void cmdRefresh_Click();
    void showStudents(const arrearsview::Cell& cell);
    void cmdReduce_Click();
    void cmdPrint_Click();

    ConnectionPtr cn_;
    std::vector<arrearsview::Cell> cells_;
    std::vector<arrearsview::Owing> owing_;  // the students listed below
};

// Opens the single-student reduction window on student `studentId`: from
// those behind a line or a bar to what he owes, item by item.
void showStudentArrears(long studentId);

}  // namespace fo
