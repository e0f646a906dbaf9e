#pragma once
#include "ui/controls/CommandButton.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"

namespace fo {

// The small yes/no box. The caller sets the caption and Label1's text, shows
// it modally and reads `answer` afterwards: 1 after "是", 2 after "否", 0
// when it was closed otherwise.
class frmMsg : public Form {
public:
    frmMsg();

    Label Label1{*this, "Label1", "提示信息"};
    CommandButton cmdOk{*this, "cmdOk", "是"};
    CommandButton cmdNo{*this, "cmdNo", "否"};

    int answer = 0;

    // Shows the module-wide box with `caption` and `text`; returns its answer.
    static int ask(const std::string& caption, const std::string& text);

protected:
    void Form_Load() override;

private:
    void cmdOk_Click();
    void cmdNo_Click();
};

}  // namespace fo
