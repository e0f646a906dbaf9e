#include "ui/frmMsg.h"

#include "ui/FormInstance.h"
#include "ui/lists/mdl1.h"

namespace fo {

frmMsg::frmMsg() : Form("frmMsg") {
    setCaption("提示");
    resize(4800, 2400);
    Label1.move(240, 240, 4200, 1000);
    cmdOk.move(840, 1440, 1200, 375);
    cmdNo.move(2640, 1440, 1200, 375);
    cmdOk.Click = [this] { cmdOk_Click(); };
    cmdNo.Click = [this] { cmdNo_Click(); };
    setLayout(layout::column({layout::ctl(Label1),
                              layout::row({layout::stretch(), layout::ctl(cmdOk), layout::ctl(cmdNo), layout::stretch()})}));
}

void frmMsg::Form_Load() {
    answer = 0;
    // The caller may have shown the hourglass before asking.
    gMclose();
}

void frmMsg::cmdOk_Click() {
    answer = 1;
    unload();
}

void frmMsg::cmdNo_Click() {
    answer = 2;
    unload();
}

int frmMsg::ask(const std::string& caption, const std::string& text) {
    auto box = formInstance<frmMsg>();
    box->setCaption(caption);
    box->Label1.setCaption(text);
    box->showModal();
    return box->answer;
}

}  // namespace fo
