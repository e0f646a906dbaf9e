#pragma once
#include <string>

#include "data/posting/PostingPlan.h"
#include "ui/controls/CommandButton.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"

namespace fo {

// The preview of a posting ("作废预览", "取消减免预览", "批量减免预览"):
// every row the posting will write, change or remove, with the values
// before and after and why; for a batch first one line per student and
// item; and every refusal it will meet. The clerk confirms or goes back;
// a refused plan cannot be confirmed. When a refusal names a later
// reduction that must be cancelled first, the window can offer to open it;
// when a refusal asks the clerk to refresh (the books moved on since his
// list was read), it offers the refresh (the opener reads its list again).
class frmPlanPreview : public Form {
public:
    frmPlanPreview();

    enum Answer { Back = 0, Confirm = 1, OpenLater = 2, Refresh = 3 };

    Label lblHeading{*this, "lblHeading"};
    ListView lvwLines{*this, "lvwLines"};
    ListView lvwPlan{*this, "lvwPlan"};
    Label lblRefusal{*this, "lblRefusal"};
    Label lblTotals{*this, "lblTotals"};
    CommandButton cmdExport{*this, "cmdExport", "导出EXCEL"};
    CommandButton cmdOpenLater{*this, "cmdOpenLater", "打开后续减免"};
    CommandButton cmdRefresh{*this, "cmdRefresh", "刷新"};
    CommandButton cmdOK{*this, "cmdOK", "确认"};
    CommandButton cmdBack{*this, "cmdBack", "返回"};

    // What the opener says besides the plan.
    struct Request {
        std::string caption;         // the window's title
        std::string heading;         // what is being done to what
        std::string confirmCaption;  // the confirm button's caption
        std::string totals;          // the opener's totals, before the count of rows
        bool offerLater = false;     // a named later reduction may be opened
    };

    // Shows `plan` modally in the module-wide window; the clerk's answer.
    static int show(const Request& request, const plan::Plan& plan);

    int answer = Back;
    // The plan on show.
    const plan::Plan& shownPlan() const { return plan_; }
    // The later reduction a refusal of `plan` names ("" when none): what
    // OpenLater opens.
    static std::string laterReduction(const plan::Plan& plan);

protected:
    void Form_Load() override;

private:
    void fillLines();
    void fillChanges();
    void cmdExport_Click();
    void close(int result);

    Request request_;
    plan::Plan plan_;
};

}  // namespace fo
