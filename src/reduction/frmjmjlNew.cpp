#include "reduction/frmjmjlNew.h"

#include "data/Dialect.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/JmjlStatements.h"
#include "reduction/frmjmjlML.h"
#include "students/frmXSsel.h"
#include "ui/FormInstance.h"
#include "ui/RightsCheck.h"
#include "ui/controls/KeyCodes.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/mdl1.h"

namespace fo {
frmjmjlNew::frmjmjlNew() : Form("frmjmjlNew") {
    setCaption("减免管理");
    resize(13200, 8400);
    setKeyPreview(true);

    Label14.move(120, 120, 1500, 300);
    txtFind.move(1650, 90, 1800, 300);
    cmdSel.move(3480, 90, 375, 300);
    TreeView1.move(120, 480, 3735, 7200);
    ImageList1.add("class");
    ImageList1.add("student");
    TreeView1.setImageList(&ImageList1);

    lblXhCaption.move(4000, 120, 900, 300);
    txtXh.move(4900, 90, 1500, 300);
    txtXh.setLocked(true);
    lblMcCaption.move(6500, 120, 900, 300);
    Lbl_mc.move(7400, 120, 1400, 300);
    lblSexCaption.move(8900, 120, 600, 300);
    lblSex.move(9500, 120, 500, 300);
    lblBjCaption.move(10100, 120, 600, 300);
    lblBj.move(10700, 120, 1500, 300);
    lblFqCaption.move(4000, 480, 900, 300);
    lblFqxm.move(4900, 480, 1500, 300);
    lblMqCaption.move(6500, 480, 900, 300);
    lblMqxm.move(7400, 480, 1400, 300);
    lblSflxCaption.move(4000, 840, 900, 300);
    CMB_sflx.move(4900, 810, 1500, 300);
    CMB_sflx.setStyle(ComboBox::Style::DropDownList);
    lblJmrqCaption.move(6500, 840, 900, 300);
    DTP_jmrq.move(7400, 810, 1400, 300);
    lblDjbhCaption.move(8900, 840, 900, 300);
    LBLdjbh.move(9800, 840, 2000, 300);

    LBLlvwYf.move(4000, 1200, 2400, 300);
    LvwQFLIST.move(4000, 1500, 3000, 3600);
    LvwQFLIST.setCheckboxes(true);
    lblYFcaption.move(7100, 1200, 2000, 300);
    MSFlexGrid1.move(7100, 1500, 5900, 3600);
    Txt_write.setVisible(false);
    lblcaptionYshj.move(7100, 5200, 1000, 300);
    Lbl_jmhj.move(8100, 5200, 1200, 300);
    Lbl_jmhj.setVisible(false);
    lblcaptionYshj.setVisible(false);  // its total is hidden; lblSumProject shows the same sum under Label6
    Label6.move(9400, 5200, 1000, 300);
    lblSumProject.move(10400, 5200, 1400, 300);
    lblSumProject.setAlignment(Alignment::Right);
    lblJmyyCaption.move(4000, 5600, 1000, 300);
    txtJmyy.move(5000, 5570, 5200, 300);
    chkCreditPaid.move(10300, 5570, 2700, 300);
    lblProjectCaption.move(4000, 5960, 1500, 300);
    lblProjectid.move(5500, 5960, 1500, 300);

    FrameHSF.move(4000, 6360, 5000, 900);
    for (Control* c : std::initializer_list<Control*>{&lblTsCaption, &Txt_ts, &lblBzCaption, &Txt_bz, &Lbl_hsf})
        c->setContainer(&FrameHSF);
    lblTsCaption.move(4100, 6700, 500, 300);
    Txt_ts.move(4600, 6670, 700, 300);
    lblBzCaption.move(5400, 6700, 1200, 300);
    Txt_bz.move(6600, 6670, 700, 300);
    Lbl_hsf.move(7500, 6700, 1200, 300);

    cmd_ok.move(9300, 6500, 1100, 375);
    Cmd_exit.move(10500, 6500, 1100, 375);
    cmdRefresh.move(11700, 6500, 1100, 375);
    cmdReset.move(9300, 7000, 2300, 375);
    cmdCancelFee.move(11700, 7000, 1100, 375);

    txtFind.KeyPress = [this](int& k) { txtFind_KeyPress(k); };
    cmdSel.Click = [this] { cmdSel_Click(); };
    TreeView1.NodeClick = [this](TreeNode& n) { TreeView1_NodeClick(n); };
    CMB_sflx.Click = [this] { CMB_sflx_Click(); };
    CMB_sflx.KeyDown = [](int& k, int) { EnterToTab(k); };
    DTP_jmrq.KeyDown = [](int& k, int) { EnterToTab(k); };
    DTP_jmrq.CloseUp = [this] { initJmrq(); };
    LvwQFLIST.ItemCheck = [this](ListItem& i) { LvwQFLIST_ItemCheck(i); };
    LvwQFLIST.ItemClick = [this](ListItem& i) { LvwQFLIST_ItemClick(i); };
    itemGrid_.connect();
    Txt_ts.KeyPress = [](int& k) { EnterToTab(k); };
    Txt_ts.Change = [this] { Txt_ts_Change(); };
    Txt_bz.Change = [this] { Txt_ts_Change(); };
    Txt_bz.KeyPress = [this](int& k) { Txt_bz_KeyPress(k); };
    cmd_ok.Click = [this] { cmd_ok_Click(); };
    Cmd_exit.Click = [this] { unload(); };
    cmdRefresh.Click = [this] { frmInit(); };
    cmdReset.Click = [this] { cmdReset_Click(); };
    cmdCancelFee.Click = [this] { cmdCancelFee_Click(); };
    m_hisjm.Click = [this] { m_hisjm_Click(); };
    chkCreditPaid.Click = [this] { chkCreditPaid_Click(); };
    declareLayout();
}

frmjmjlNew::~frmjmjlNew() = default;

void frmjmjlNew::declareLayout() {
    using namespace layout;
    auto pair = [](Control& caption, Control& value) { return row({ctl(caption), ctl(value)}); };
    LayoutItem student = column({row({ctl(Label14), ctl(txtFind), ctl(cmdSel)}), ctl(TreeView1)});
    LayoutItem head = column({
        row({pair(lblXhCaption, txtXh), pair(lblMcCaption, Lbl_mc), pair(lblSexCaption, lblSex),
             pair(lblBjCaption, lblBj), stretch()}),
        row({pair(lblFqCaption, lblFqxm), pair(lblMqCaption, lblMqxm), stretch()}),
        row({pair(lblSflxCaption, CMB_sflx), pair(lblJmrqCaption, DTP_jmrq), pair(lblDjbhCaption, LBLdjbh),
             stretch()}),
    });
    LayoutItem lists = splitter({column({ctl(LBLlvwYf), ctl(LvwQFLIST)}),
                                 column({ctl(lblYFcaption), ctl(MSFlexGrid1),
                                         row({stretch(), pair(lblcaptionYshj, Lbl_jmhj), pair(Label6, lblSumProject)})})});
    LayoutItem board = group("伙食费", {row({ctl(lblTsCaption), ctl(Txt_ts), ctl(lblBzCaption), ctl(Txt_bz),
                                            ctl(Lbl_hsf)})});
    LayoutItem buttons = column({row({ctl(cmd_ok), ctl(Cmd_exit), ctl(cmdRefresh)}),
                                 row({ctl(cmdReset), ctl(cmdCancelFee)})});
    LayoutItem right = column({head, lists, row({pair(lblJmyyCaption, txtJmyy), ctl(chkCreditPaid)}),
                               pair(lblProjectCaption, lblProjectid),
                               row({board, stretch(), buttons})});
    setLayout(splitter({student, right}));
}

Connection& frmjmjlNew::cn() {
    if (!cn_) cn_ = dbInfo_ ? dbInfo_->Connection() : gRun().pGetCN();
    return *cn_;
}

bool frmjmjlNew::mayOpen() { return !refusedRight(gRun(), rights::Reductions, rights::View); }

void frmjmjlNew::Form_Load() {
    if (!dbInfo_) dbInfo_ = newDbInfo();
    globals().transLinkString = dbInfo_->LinkString();
    LvwQFLIST.addColumn("k欠费月份", "欠费月份", 1100);
    LvwQFLIST.addColumn("k欠费日期", "欠费日期", 1100);
    LvwQFLIST.addColumn("k欠费金额", "欠费金额", 1000, Alignment::Right);
    // Without the right to post, 确定 stays grey whatever the period (its tag
    // keeps it so); the handler refuses as well.
    if (!rights::has(gRun(), rights::Reductions, rights::Post)) {
        cmd_ok.setTag("no-right");
        cmd_ok.setEnabled(false);
    }
    if (!rights::has(gRun(), rights::PaidCredits, rights::Post)) chkCreditPaid.setEnabled(false);
    frmInit();
}

void frmjmjlNew::frmInit() {
    // Whether the date may be changed follows the setting that lets a
    // reduction fall outside the open month.
    DTP_jmrq.setEnabled(settingOn("chkNotLimitJZ"));
    Txt_write.setVisible(false);
    gMOpen();
    txtJmyy.setText(readSettingsFile("\\DefaultUser.ini", "morkel", "jmyy"));
    cn_ = dbInfo_->Connection();
    setupGrid();
    AddXs();
    AddXFLX();
    DTP_jmrq.setValue(DateTime::today());
    Sum_js();
    gMclose();
    if (!openOnStudent.empty()) findXs(openOnStudent);
}

void frmjmjlNew::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
    dbInfo_.reset();
}

void frmjmjlNew::Form_KeyPress(int& keyAscii) {
    // Controls with key handlers of their own (the search box, the grid's
    // editor, the date and type boxes) decide what Enter does there.
    Control* c = activeControl();
    if (c && (c->KeyPress || c->KeyDown)) return;
    EnterToTab(keyAscii);
}

void frmjmjlNew::AddXs() {
    TreeView1.clearNodes();
    TreeView1.addNode("", "a0", "班级->学生", 1, 1);
    const std::string category = gRun().getXSLBlistInSQL(" lb1 ");
    RecordsetPtr classes = cn().execute("select * from KDW_bj");
    for (; classes && !classes->eof(); classes->moveNext()) {
        const std::string bjid = classes->field("id").toText();
        TreeView1.addNode("a0", "b" + bjid, classes->field("mc").toText(), 1, 1);
        RecordsetPtr students =
            cn().execute("select id,xh,xm from KDW_xs where del=0 and intTx=0 and  bjid=" + bjid + category);
        for (; students && !students->eof(); students->moveNext())
            TreeView1.addNode("b" + bjid, "k" + students->field("id").toText(),
                              students->field("xh").toText() + "->" + students->field("xm").toText(), 2, 2);
    }
    if (TreeView1.nodeCount() > 0) TreeView1.node(1).setExpanded(true);
}

void frmjmjlNew::findXs(const std::string& xsId) {
    // Finding writes the work tables of what the student owes: the lock
    // held past the wait, a full disk or a read-only file stops it, and the
    // clerk reads why, and the window shows no student half found.
    try {
        findStudent(xsId);
    } catch (const DbError& e) {
        gMclose();
        Sclear();
        msgBox(std::string("查找学生失败。") + jmjl::CRLF + e.description(), MsgButtons::OK, MsgIcon::Exclamation,
               "提示");
    }
}

void frmjmjlNew::findStudent(const std::string& xsId) {
    const std::string text = trimSpaces(txtFind.text());
    if (text.empty() && (xsId.empty() || xsId == "0")) {
        Sclear();
        return;
    }
    HostSystem& run = gRun();
    const std::string category = run.getXSLBlistInSQL(" lb1 ");
    std::string sql;
    if (!xsId.empty() && xsId != "0") {
        sql = "select * from vxsxx where id=" + jmjl::number(xsId, "id") + " and del=0 and intTX=0 " + category;
    } else {
        const std::string t = sqlQuote(text);
        sql = "select * from vxsxx where (学号 like '%" + t + "%' or 姓名 like '%" + t + "%' or 简码 like '%" + t +
              "%' ) and del=0 and intTX=0" + (isSqlServer(run.SQL_access()) ? " " : "") + category;
    }
    RecordsetPtr rs = cn().execute(sql);
    if (rs && rs->recordCount() > 1) {
        auto picker = formInstance<frmXSsel>();
        picker->strFind = (!xsId.empty() && xsId != "0") ? std::string() : text;
        picker->strWhere = " and intTx=0 ";
        picker->showModal();
        if (!picker->blnSelected) return;
        rs = cn().execute("select * from vxsxx where 学号='" + sqlQuote(picker->xsXh) + "' and del=0 " + category +
                          " and intTX=0");
    }
    if (rs && !rs->eof()) {
        fillStudent(*rs);
    } else if (!text.empty()) {
        msgBox("您输入的学号不存在！", MsgButtons::OK, MsgIcon::Information, "警告！");
    }
}

void frmjmjlNew::fillStudent(Recordset& rs) {
    txtXh.setText(rs.field("学号").toText());
    lblBj.setCaption(rs.field("班级").toText());
    Lbl_mc.setCaption(rs.field("姓名").toText());
    Lbl_mc.setTag(rs.field("ID").toText());
    lblSex.setCaption(rs.field("性别").toText());
    lblFqxm.setCaption(rs.field("父亲姓名").toText());
    lblMqxm.setCaption(rs.field("母亲姓名").toText());
    const long sflxid = static_cast<long>(rs.field("sflxid").toInt());
    const int before = CMB_sflx.ListIndex();
    for (int i = 0; i < CMB_sflx.ListCount(); ++i)
        if (CMB_sflx.ItemData(i) == sflxid) CMB_sflx.setListIndex(i);
    // The same type as the last student's fires no Click; his grid is built all the same.
    if (CMB_sflx.ListIndex() == before && before >= 0) CMB_sflx_Click();
    setQFlist(Lbl_mc.tag());
    selectItem(false);
}

void frmjmjlNew::Sclear() {
    itemGrid_.setEditing(false);
    LvwQFLIST.clearItems();
    for (TextBox* box : {&txtFind, &txtXh, &txtJmyy, &Txt_write, &Txt_ts, &Txt_bz}) box->setText("");
    for (Label* l : {&lblSex, &lblFqxm, &lblMqxm, &lblBj, &Lbl_mc, &Lbl_jmhj, &lblSumProject}) l->setCaption("");
    Lbl_mc.setTag("");
    Txt_write.setVisible(false);
    clearGrid();
}

void frmjmjlNew::initJmrq() {
    HostSystem& run = gRun();
    auto period = run.pFindJzDate();
    strYf_ = period->getYfFromDate(DTP_jmrq.dateText());
    period->setDdateFromYF(strYf_);
    const bool notLimited = settingOn("chkNotLimitJZ");
    lblYFcaption.setCaption(notLimited ? period->monthQf() : run.CurrentYf());
    if (notLimited && !Lbl_mc.tag().empty()) findXs(Lbl_mc.tag());
    ShowSFLX(period->monthQf());
}

void frmjmjlNew::txtFind_KeyPress(int& keyAscii) {
    if (keyAscii == key::Quote) {
        keyAscii = 0;
    } else if (keyAscii == key::Enter) {
        keyAscii = 0;
        if (trimSpaces(txtFind.text()).empty()) cmdSel_Click();
        else findXs("0");
    }
}

void frmjmjlNew::cmdSel_Click() {
    gMOpen();
    auto picker = formInstance<frmXSsel>();
    picker->strWhere = " and del=0 and intTx=0 ";
    picker->showModal();
    gMclose();
    if (picker->blnSelected && !picker->xsId.empty() && picker->xsId != "0") findXs(picker->xsId);
}

void frmjmjlNew::TreeView1_NodeClick(TreeNode& node) {
    // Student nodes carry the student image and the key "k" + id.
    if (node.image() == 2 && node.key().size() > 1) findXs(node.key().substr(1));
}

void frmjmjlNew::CMB_sflx_Click() { ShowSFLX(gRun().pFindJzDate()->monthQf()); }

void frmjmjlNew::cmd_ok_Click() {
    if (refusedRight(gRun(), rights::Reductions, rights::Post)) return;
    if (!CanAdd()) return;
    if (chkCreditPaid.value() == 1) ToCredit();
    else ToAdd();
}

void frmjmjlNew::cmdCancelFee_Click() {
    msgBox("如果要取消收费，请在收据管理中执行“作废发票”操作！", MsgButtons::OK, MsgIcon::Information, "警告！");
}

void frmjmjlNew::m_hisjm_Click() { formInstance<frmjmjlML>()->showModal(); }

void frmjmjlNew::Txt_ts_Change() {
    Lbl_hsf.setCaption((leadingNumber(Txt_ts.text()) * leadingNumber(Txt_bz.text())).plainText());
    Sum_js();
}

void frmjmjlNew::Txt_bz_KeyPress(int& keyAscii) {
    if (keyAscii != key::Enter) return;
    keyAscii = 0;
    if (MSFlexGrid1.rows() < 2) return;
    MSFlexGrid1.setRow(1);
    MSFlexGrid1.setCol(ColJm);
    itemGrid_.MSFlexGrid1_Click();
}

}  // namespace fo
