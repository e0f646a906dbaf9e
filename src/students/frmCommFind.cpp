#include "students/frmCommFind.h"

#include "data/Dialect.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "host/api/ModuleGlobals.h"
#include "students/kdwForm.h"
#include "ui/FormInstance.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// Entries of a combo from a two-column query: an empty first entry, then
// one entry per row (text from `textField`, item data from "id").
void fillCombo(ComboBox& cmb, Connection& cn, const std::string& sql, const std::string& textField) {
    cmb.Clear();
    cmb.AddItem("");
    addComboRows(cmb, cn.execute(sql), textField, "ID");
}

}  // namespace

frmCommFind::frmCommFind() : Form("frmCommFind") {
    setCaption("查询条件");
    resize(7800, 6600);
    Frame1.move(120, 120, 3000, 5400);
    TreeView1.move(240, 360, 2760, 5040);
    TreeView1.setContainer(&Frame1);
    TreeView1.setCheckboxes(true);
    for (const char* image : {"root", "category1", "category2", "category3", "selected"}) ImageList1.add(image);

    lblBj.move(3360, 240, 900, 255);
    Cmb_bjmc.move(4320, 180, 3000, 300);
    lblSflx.move(3360, 720, 900, 255);
    CMB_sflx.move(4320, 660, 3000, 300);
    lblXh.move(3360, 1200, 900, 255);
    txtXh.move(4320, 1140, 3000, 300);
    lblXm.move(3360, 1680, 900, 255);
    txtXSxm.move(4320, 1620, 2100, 300);
    chkXMJM.move(6480, 1620, 840, 300);
    fraMatch.move(3360, 2040, 3960, 480);
    OptALL.move(3480, 2160, 1500, 255);
    OptPart.move(5160, 2160, 1500, 255);
    OptALL.setContainer(&fraMatch);
    OptPart.setContainer(&fraMatch);
    chkCSRQ.move(3360, 2760, 1200, 300);
    DTPcsrqFrom.move(4560, 2760, 1320, 300);
    DTPcsrqTO.move(6000, 2760, 1320, 300);
    chkRxrq.move(3360, 3240, 1200, 300);
    dtpRxrqFrom.move(4560, 3240, 1320, 300);
    dtpRxrqTo.move(6000, 3240, 1320, 300);
    lblJtzz.move(3360, 3720, 900, 255);
    txtJtzz.move(4320, 3660, 3000, 300);
    cmdSure.move(4320, 5040, 1200, 375);
    cmdExit.move(6000, 5040, 1200, 375);
    Cmb_bjmc.setStyle(ComboBox::Style::DropDownList);
    CMB_sflx.setStyle(ComboBox::Style::DropDownList);
    OptALL.setValue(true);
    cmdSure.setDefault(true);
    cmdExit.setCancel(true);

    // Typed texts go between quotes: the quote key is swallowed, Enter moves on.
    for (TextBox* t : {&txtXh, &txtXSxm, &txtJtzz}) t->KeyPress = [](int& k) { EnterToTab(k); };
    TreeView1.NodeCheck = [this](TreeNode& n) { TreeView1_NodeCheck(n); };
    cmdSure.Click = [this] { cmdSure_Click(); };
    cmdExit.Click = [this] { cmdExit_Click(); };

    using namespace layout;
    setLayout(row({
        group("学生类别", {ctl(TreeView1)}),
        column({
            // The captions in one column, the fields beside them lined up.
            grid({
                row({ctl(lblBj), ctl(Cmb_bjmc)}),
                row({ctl(lblSflx), ctl(CMB_sflx)}),
                row({ctl(lblXh), ctl(txtXh)}),
                row({ctl(lblXm), ctl(txtXSxm), ctl(chkXMJM)}),
                row({ctl(OptALL), ctl(OptPart)}),
                row({ctl(chkCSRQ), ctl(DTPcsrqFrom), ctl(DTPcsrqTO)}),
                row({ctl(chkRxrq), ctl(dtpRxrqFrom), ctl(dtpRxrqTo)}),
                row({ctl(lblJtzz), ctl(txtJtzz)}),
            }),
            stretch(),
            row({stretch(), ctl(cmdSure), ctl(cmdExit)}),
        }),
    }));
}

std::string frmCommFind::ask() {
    auto dialog = formInstance<frmCommFind>();
    dialog->showModal();
    return dialog->result();
}

void frmCommFind::Form_Load() {
    gMOpen();
    result_.clear();
    kdwForm().Init_tree(TreeView1, ImageList1, false);
    Cmb_init();
    gMclose();
}

void frmCommFind::Cmb_init() {
    ConnectionPtr cn = openConnection(moduleLinkString());
    fillCombo(CMB_sflx, *cn, "select id,max(mc) as mc1 from KDW_sflx group by  id", "mc1");
    fillCombo(Cmb_bjmc, *cn, "select id,mc from KDW_bj ", "mc");
    cn->close();
}

void frmCommFind::TreeView1_NodeCheck(TreeNode& node) {
    // Checking a category takes its direct sub-categories along; unchecking
    // leaves them as they are.
    if (!node.checked()) return;
    for (TreeNode* n : TreeView1.treeOrder())
        if (n->parent() && n->parent()->key() == node.key()) n->setChecked(true);
}

std::string frmCommFind::dateCondition(const std::string& column, const DatePicker& from,
                                       const DatePicker& to) const {
    // The upper bound is exclusive: the day after the last day asked for.
    const std::string d1 = from.dateText(), d2 = to.value().addDays(1).dateText();
    if (sqlServerNow()) return " and " + column + ">= '" + d1 + "' and " + column + "<'" + d2 + "'";
    return " and " + column + ">= format('" + d1 + "','yyyy-mm-dd') and " + column + "<format('" + d2 +
           "','yyyy-mm-dd')";
}

void frmCommFind::cmdSure_Click() {
    std::string s = "select id from kdw_xs where 1=1";

    // The node image tells the level: 2, 3 and 4 are levels 1, 2 and 3.
    std::string levels[3];
    for (TreeNode* n : TreeView1.treeOrder())
        if (n->checked() && n->image() >= 2 && n->image() <= 4)
            levels[n->image() - 2] += "," + n->key().substr(1);
    const char* const columns[3] = {" and lb1 in(", " and lb2 in(", " and lb in("};
    for (int i = 0; i < 3; ++i)
        if (!levels[i].empty()) s += columns[i] + levels[i].substr(1) + ")";

    if (!trimSpaces(Cmb_bjmc.text()).empty() && Cmb_bjmc.ListIndex() >= 0)
        s += " and bjid=" + std::to_string(Cmb_bjmc.ItemData(Cmb_bjmc.ListIndex()));
    if (!trimSpaces(CMB_sflx.text()).empty() && CMB_sflx.ListIndex() >= 0)
        s += " and sflxid=" + std::to_string(CMB_sflx.ItemData(CMB_sflx.ListIndex()));

    // These two conditions start with "and" and no blank before it.
    const bool exact = OptALL.value();
    const std::string xh = trimSpaces(txtXh.text());
    if (!xh.empty())
        s += exact ? "and xh ='" + sqlQuote(xh) + "'" : "and xh like '%" + sqlQuote(xh) + "%'";
    const std::string name = trimSpaces(txtXSxm.text());
    if (!name.empty()) {
        const bool shortCode = chkXMJM.value() == 1;
        if (exact) s += (shortCode ? "and jm ='" : "and xm ='") + sqlQuote(name) + "'";
        else s += (shortCode ? "and jm like'%" : "and xm like '%") + sqlQuote(name) + "%'";
    }

    if (chkCSRQ.value() == 1) s += dateCondition("csrq", DTPcsrqFrom, DTPcsrqTO);
    if (chkRxrq.value() == 1) s += dateCondition("rxsj", dtpRxrqFrom, dtpRxrqTo);
    const std::string address = trimSpaces(txtJtzz.text());
    if (!address.empty()) s += " and jtzz like '%" + sqlQuote(address) + "%'";

    gMclose();
    result_ = s;
    unload();
}

void frmCommFind::cmdExit_Click() { unload(); }

}  // namespace fo
