#pragma once
#include <string>
#include <vector>

#include "ui/controls/CommandButton.h"
#include "ui/controls/Label.h"
#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/lists/clsLvw2012.h"

namespace fo {

// Step 1 of the batch reduction wizard ("批量减免"): the clerk lists students
// through the student filter, ticks the ones to reduce and goes on to step 2
// (frmBachJM_next), which posts for the ticked students in list order.
class frmBachJM : public Form {
public:
    frmBachJM();

    ListView lvwXS{*this, "lvwXS"};
    CommandButton Command1{*this, "Command1", "查找"};
    CommandButton cmdFullSelect{*this, "cmdFullSelect", "全选"};
    CommandButton cmdSelectNo{*this, "cmdSelectNo", "全不选"};
    // How many students are ticked: the list's first column is an internal id,
    // so the clerk counts here, not by the rows.
    Label lblTicked{*this, "lblTicked", "已选 0 人"};
    CommandButton cmdNext{*this, "cmdNext", "下一步"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};

    // Lists the students: with `onlyColumns` the columns alone; otherwise the
    // rows (after rebuilding the columns when `firstTime`), selecting the
    // student `selectId` ("-1": none). `restriction` is a statement usable
    // inside in(...), or empty for every student.
    void initData(bool onlyColumns, const std::string& selectId, bool firstTime, const std::string& restriction);

    // A ticked student as step 2 posts for him.
    struct Student {
        std::string id, className, number, name;
    };
    std::vector<Student> tickedStudents();

    // The last list statement.
    const std::string& listSql() const { return listSql_; }

protected:
    bool mayOpen() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    void Command1_Click();
    void tickAll(bool on);
    void showTickedCount();

    clsLvw2012 lvw_;
    std::string listSql_;
};

}  // namespace fo
