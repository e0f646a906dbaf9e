#pragma once
#include <memory>
#include <string>

#include "reduction/frmjmjlNew.h"
#include "support/DemoOfficeWindowTest.h"
#include "ui/KeyCodes.h"

namespace fo::test {

// The demo fee office with helpers for the reduction window.
class ReductionTest : public DemoOfficeWindowTest {
protected:
    // The reduction window, loaded, with the student `xh` found.
    std::shared_ptr<frmjmjlNew> windowFor(const std::string& xh) {
        auto w = formInstance<frmjmjlNew>();
        w->load();
        w->txtFind.userSetText(xh);
        w->userKey(w->txtFind, key::Enter);
        return w;
    }
    // Types `amount` into the reduction cell of grid row `row`.
    static void typeReduction(frmjmjlNew& w, int row, const std::string& amount) {
        w.MSFlexGrid1.userCellClick(row, frmjmjlNew::ColJm);
        w.Txt_write.userSetText(amount);
    }
};

}  // namespace fo::test
