#include "students/frmXSsel.h"

#include "data/Dialect.h"
#include "host/api/ModuleGlobals.h"
#include "ui/controls/KeyCodes.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/UiServices.h"

namespace fo {
namespace {

// The columns the clerk never sees: id, 付款人代码, sflxid.
constexpr int kHidden[] = {0, 2, 11};

}  // namespace

frmXSsel::frmXSsel() : Form("frmXSsel") {
    setCaption("学生信息");
    resize(10800, 6600);
    Label1.move(120, 150, 3600, 300);
    txtFilter.move(3800, 120, 2400, 300);
    Frame1.move(6400, 0, 2600, 500);
    const char* captions[] = {"毕业", "退学", "休学"};
    const char* tags[] = {"3", "2", "1"};
    for (auto& [i, box] : Check1) {
        box->setCaption(captions[i]);
        box->setTag(tags[i]);
        box->setContainer(&Frame1);
        box->move(6500 + i * 800, 150, 750, 300);
        box->Click = [this] { initData(); };
    }
    Command1.move(9200, 90, 1200, 375);
    DataGrid1.move(120, 600, 10400, 5000);
    CmdSel.move(7800, 5750, 1200, 375);
    cmdExit.move(9200, 5750, 1200, 375);
    CmdSel.setDefault(true);
    cmdExit.setCancel(true);

    txtFilter.Change = [this] { txtFilter_Change(); };
    Command1.Click = [this] { initData(); };
    CmdSel.Click = [this] { CmdSel_Click(); };
    DataGrid1.DblClick = [this] { CmdSel_Click(); };
    DataGrid1.KeyDown = [this](int& k, int) {
        if (k == key::Enter) CmdSel_Click();
    };
    cmdExit.Click = [this] { unload(); };

    using namespace layout;
    setLayout(column({row({ctl(Label1), ctl(txtFilter), group("包括", {row({ctl(Check1[0]), ctl(Check1[1]),
                                                                          ctl(Check1[2])})}),
                           ctl(Command1)}),
                      ctl(DataGrid1), row({stretch(), ctl(CmdSel), ctl(cmdExit)})}));
}

void frmXSsel::Form_Load() {
    blnSelected = false;
    initData();
}

void frmXSsel::initData() {
    if (rs_) rs_->close();
    std::string states = "0";
    for (const auto& [i, box] : Check1)
        if (box->value() == 1) states += "," + box->tag();
    std::string f;
    if (!strFind.empty()) {
        const std::string s = sqlQuote(strFind);
        f = " and (学号 like '%" + s + "%' or 姓名 like '%" + s + "%' or 简码 like '%" + s + "%' )";
    }
    const std::string fields = "select id,学号,付款人代码,姓名,班级,父亲姓名,母亲姓名,收费类型,预收款,简码,入学时间,sflxid from vxsxx where ";
    // The host hands over the students the user may see, for "id in(...)".
    const std::string categories = gRun().userXSLBListInSQL();
    const std::string sql =
        blnPayer ? fields + "付款人代码=学号 and inttx in(" + states + ") and del=0 " + strWhere + f + "  and id in(" +
                       categories + ") order by 付款人代码"
                 : fields + " inttx in(" + states + ") and del=0 " + strWhere + f + "   and id in(" + categories +
                       ") order by 付款人代码,学号";
    ConnectionPtr cn = openConnection(moduleLinkString());
    rs_ = cn->execute(sql);
    cn->close();
    DataGrid1.setDataSource(rs_);
    setWidth();
    hideKeys();
}

void frmXSsel::txtFilter_Change() {
    if (!rs_) return;
    rs_->setFilter("");
    const std::string t = trimSpaces(txtFilter.text());
    if (!t.empty()) {
        // The filter text is the clerk's; a quote would end the pattern early.
        const std::string s = sqlQuote(t);
        rs_->setFilter("学号 like '%" + s + "%' or 姓名 like '%" + s + "%' or 简码 like '%" + s + "%'");
    }
    DataGrid1.setDataSource(rs_);
    setWidth();
    hideKeys();
}

void frmXSsel::hideKeys() {
    for (int c : kHidden)
        if (c < DataGrid1.columnCount()) DataGrid1.setColumnVisible(c, false);
}

void frmXSsel::CmdSel_Click() {
    if (rs_ && !rs_->eof()) {
        auto text = [this](const char* field) { return rs_->field(field).toText(); };
        xsXm = text("姓名");
        xsId = text("id");
        xsXh = text("学号");
        fqxm = text("父亲姓名");
        mqxm = text("母亲姓名");
        sflxid = text("sflxid");
        sflxMc = text("收费类型");
        ysk = text("预收款").empty() ? std::string("0") : text("预收款");
        fkrdm = text("付款人代码").empty() ? xsXh : text("付款人代码");
        blnSelected = true;
    }
    unload();
}

void frmXSsel::setWidth() {
    if (!hasUiServices()) return;
    for (int i = 1; i < DataGrid1.columnCount(); ++i) {
        const std::string w = ui().settingsStore().getSetting(name(), "DataGrid1", "colwidth" + std::to_string(i), "1000");
        int twips = 1000;
        try {
            twips = std::stoi(w);
        } catch (const std::exception&) {
        }
        DataGrid1.setColumnWidth(i, twips);
    }
}

void frmXSsel::SaveWidth() {
    if (!hasUiServices()) return;
    for (int i = 1; i < DataGrid1.columnCount(); ++i)
        ui().settingsStore().saveSetting(name(), "DataGrid1", "colwidth" + std::to_string(i),
                                         std::to_string(DataGrid1.column(i).width));
}

void frmXSsel::Form_Unload(int&) {
    strFind.clear();
    strWhere.clear();
    SaveWidth();
    DataGrid1.setDataSource(nullptr);
    if (rs_) rs_->close();
    rs_.reset();
}

}  // namespace fo
