#pragma once
#include <memory>
#include <string>

#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "batch/frmJmBachList.h"
#include "support/BooksDiff.h"
#include "support/DemoOfficeWindowTest.h"

namespace fo::test {

// The demo fee office with the batch wizard's steps and the receivables
// list at hand.
class BatchTest : public DemoOfficeWindowTest {
protected:
    // Step 1 with the students `ids` listed and ticked, step 2 with the fee
    // type 全日制 and `month` chosen. Student 7 has a discount of 80% on
    // 保育费 and owes 640 of it for September, 19 owes the whole 800, 31
    // owes nothing for September.
    std::shared_ptr<frmBachJM_next> stepTwo(const std::string& ids = "7,19", const std::string& month = "2026年09月") {
        auto first = formInstance<frmBachJM>();
        first->load();
        first->initData(false, "-1", false, "select id from kdw_xs where 1=1 and id in(" + ids + ")");
        first->cmdFullSelect.userClick();
        auto next = formInstance<frmBachJM_next>();
        next->load();
        next->CMB_sflx.userSelect("全日制");
        next->cmbYF.userSelect(month);
        return next;
    }
    // The receivables list of September to December for 保育费, 伙食费 and
    // 书本费, for one student (by number) or one class. `another` opens a
    // window of its own, as on another workstation.
    std::shared_ptr<frmJmBachList> query(const std::string& student, const std::string& className = {},
                                         bool another = false) {
        auto w = another ? std::make_shared<frmJmBachList>() : formInstance<frmJmBachList>();
        w->load();
        w->cmbYf.userSelect("2026年09月");
        w->cmbYFto.userSelect("2026年12月");
        w->txtBh.userSetText(student);
        if (!className.empty()) w->cmbBJ.userSelect(className);
        for (const char* item : {"保育费", "伙食费", "书本费"}) w->LSTsfxm.setSelected(w->LSTsfxm.findEntry(item), true);
        w->CMDfind.userClick();
        return w;
    }
    // The list's row of fee item `item` whose key begins with `keyPrefix`
    // ("k7_202609_": student 7, September); null when there is none.
    static ListItem* row(frmJmBachList& w, const std::string& keyPrefix, const std::string& item) {
        for (int i = 1; i <= w.lvw1.itemCount(); ++i)
            if (w.lvw1.item(i).key().rfind(keyPrefix, 0) == 0 && w.lvw1.item(i).subItem(5) == item) return &w.lvw1.item(i);
        return nullptr;
    }
    static void typeOn(frmJmBachList& w, ListItem& r, const std::string& amount) {
        w.lvw1.userItemClick(r.key());
        w.txtWrite.userSetText(amount);
    }
    static void typeOn(frmJmBachList& w, const std::string& keyPrefix, const std::string& item, const std::string& amount) {
        ListItem* r = row(w, keyPrefix, item);
        if (r) typeOn(w, *r, amount);
        else ADD_FAILURE() << "no row " << keyPrefix << " " << item;
    }
    // Types `amount` into the reduction cell of grid row `row`.
    static void type(frmBachJM_next& w, int row, const std::string& amount) {
        w.MSFlexGrid1.userCellClick(row, frmBachJM_next::ColJm);
        w.Txt_write.userSetText(amount);
    }
};

}  // namespace fo::test
