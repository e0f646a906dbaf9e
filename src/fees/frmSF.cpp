#include "fees/frmSF.h"
#include "fees/frmDayReport.h"

#include "data/Dialect.h"
#include "host/api/ModuleGlobals.h"
#include "host/fees/Dues.h"
#include "reduction/JmjlStatements.h"
#include "students/frmXSsel.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"
#include "ui/RightsCheck.h"
#include "ui/controls/KeyCodes.h"
#include "ui/controls/Layout.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// Sub-item columns of the list after its first (所属期).
enum DueColumn { ColItem = 1, ColDays, ColDue, ColPaid, ColReduced, ColOwed, ColPay, ColKind };

// A typed amount; an empty text is nothing, a text that is no amount too
// (the order then refuses nothing typed and the posting holds it to the books).
Currency typed(const std::string& text) {
    const std::string t = trimSpaces(text);
    if (t.empty()) return Currency();
    const auto c = Currency::parse(t);
    return c ? *c : Currency::fromInt(-1);
}

}  // namespace

frmSF::frmSF() : Form("frmSF") {
    setCaption("收费");
    resize(12600, 8400);
    lblFind.move(120, 120, 1500, 300);
    txtFind.move(1650, 90, 1800, 300);
    cmdSel.move(3480, 90, 375, 300);
    lblStudent.move(4000, 120, 5000, 300);
    lblBalanceCaption.move(9100, 120, 1100, 300);
    lblBalance.move(10200, 120, 1200, 300);
    optCharge.move(120, 480, 1200, 300);
    optDeposit.move(1400, 480, 1200, 300);
    optRefund.move(2700, 480, 1400, 300);
    lblDepositItem.move(4300, 480, 1000, 300);
    cmbDepositItem.move(5300, 450, 2600, 300);
    cmbDepositItem.setStyle(ComboBox::Style::DropDownList);
    lblDue.move(120, 840, 4000, 300);
    lvwDue.move(120, 1150, 12200, 3800);
    lvwDue.setCheckboxes(true);
    lblPay.move(120, 5080, 1600, 300);
    txtPay.move(1750, 5050, 1400, 300);
    lblDays.move(6000, 5080, 1500, 300);
    txtDays.move(7500, 5050, 900, 300);
    lblTotalCaption.move(3400, 5080, 1000, 300);
    lblTotal.move(4400, 5080, 1400, 300);
    lblHk.move(120, 5480, 1600, 300);
    txtHk.move(1750, 5450, 1400, 300);
    lblAccount.move(3400, 5480, 1000, 300);
    cmbAccount.move(4400, 5450, 1800, 300);
    cmbAccount.setStyle(ComboBox::Style::DropDownList);
    lblCash.move(120, 5880, 1600, 300);
    txtCash.move(1750, 5850, 1400, 300);
    lblPrepayCaption.move(3400, 5880, 1000, 300);
    lblPrepay.move(4400, 5880, 1400, 300);
    lblTendered.move(120, 6280, 1600, 300);
    txtTendered.move(1750, 6250, 1400, 300);
    lblChangeCaption.move(3400, 6280, 1000, 300);
    lblChange.move(4400, 6280, 1400, 300);
    lblRemark.move(120, 6680, 1600, 300);
    txtRemark.move(1750, 6650, 6000, 300);
    cmdPreview.move(8200, 7300, 1200, 375);
    cmdOK.move(9500, 7300, 1400, 375);
    cmdClose.move(11000, 7300, 1200, 375);

    txtFind.KeyPress = [this](int& k) {
        if (k == key::Quote) k = 0;
        if (k != key::Enter) return;
        k = 0;
        if (trimSpaces(txtFind.text()).empty()) cmdSel_Click();
        else findStudent("");
    };
    cmdSel.Click = [this] { cmdSel_Click(); };
    optCharge.Click = [this] { kindChanged(); };
    optDeposit.Click = [this] { kindChanged(); };
    optRefund.Click = [this] { kindChanged(); };
    cmbDepositItem.Click = [this] { recompute(); };
    lvwDue.ItemCheck = [this](ListItem& i) { lvwDue_ItemCheck(i); };
    lvwDue.ItemClick = [this](ListItem& i) { lvwDue_ItemClick(i); };
    txtPay.Change = [this] { txtPay_Change(); };
    txtDays.Change = [this] { txtDays_Change(); };
    txtHk.Change = [this] { recompute(); };
    txtCash.Change = [this] { recompute(); };
    txtTendered.Change = [this] { recompute(); };
    cmdPreview.Click = [this] { cmdPreview_Click(); };
    cmdOK.Click = [this] { cmdOK_Click(); };
    cmdClose.Click = [this] { unload(); };
    declareLayout();
}

void frmSF::declareLayout() {
    using namespace layout;
    auto pair = [](Control& caption, Control& value) { return row({ctl(caption), ctl(value)}); };
    setLayout(column({
        row({ctl(lblFind), ctl(txtFind), ctl(cmdSel), ctl(lblStudent), stretch(), pair(lblBalanceCaption, lblBalance)}),
        row({ctl(optCharge), ctl(optDeposit), ctl(optRefund), ctl(lblDepositItem), ctl(cmbDepositItem), stretch()}),
        ctl(lblDue),
        ctl(lvwDue),
        row({column({pair(lblPay, txtPay), pair(lblHk, txtHk), pair(lblCash, txtCash), pair(lblTendered, txtTendered)}),
             column({pair(lblTotalCaption, lblTotal), pair(lblAccount, cmbAccount), pair(lblPrepayCaption, lblPrepay),
                     pair(lblChangeCaption, lblChange)}),
             column({pair(lblDays, txtDays), stretch()}),
             stretch()}),
        pair(lblRemark, txtRemark),
        row({stretch(), ctl(cmdPreview), ctl(cmdOK), ctl(cmdClose)}),
    }));
}

Connection& frmSF::cn() {
    if (!cn_) cn_ = gRun().pGetCN();
    return *cn_;
}

bool frmSF::mayOpen() { return !refusedRight(gRun(), rights::Charging, rights::View); }

void frmSF::Form_Load() {
    lvwDue.clearColumns();
    lvwDue.addColumn("k所属期", "所属期", 1300);
    lvwDue.addColumn("k收费项目", "收费项目", 1600);
    lvwDue.addColumn("k天数", "天数", 700, Alignment::Right);
    lvwDue.addColumn("k应收", "应收", 1200, Alignment::Right);
    lvwDue.addColumn("k已付", "已付", 1200, Alignment::Right);
    lvwDue.addColumn("k已减免", "已减免", 1200, Alignment::Right);
    lvwDue.addColumn("k尚欠", "尚欠", 1200, Alignment::Right);
    lvwDue.addColumn("k本次收", "本次收", 1200, Alignment::Right);
    lvwDue.addColumn("k类别", "类别", 1400);
    cmbAccount.Clear();
    cmbAccount.AddItem("现金");
    cmbAccount.setItemData(cmbAccount.NewIndex(), 1);
    cmbAccount.AddItem("银行存款");
    cmbAccount.setItemData(cmbAccount.NewIndex(), 2);
    cmbAccount.setListIndex(0);
    // A deposit is kept as general prepayment or on one item in use.
    cmbDepositItem.Clear();
    cmbDepositItem.AddItem("通用预收款");
    cmbDepositItem.setItemData(cmbDepositItem.NewIndex(), 0);
    for (RecordsetPtr rs = cn().execute("select id,mc from kdw_sfxm where id>0 and del=0 order by bh,id"); !rs->eof();
         rs->moveNext()) {
        cmbDepositItem.AddItem(rs->field("mc").toText());
        cmbDepositItem.setItemData(cmbDepositItem.NewIndex(), static_cast<int>(rs->field("id").toInt()));
    }
    cmbDepositItem.setListIndex(0);
    optCharge.setValue(true);
    // Without the right to post, the buttons stay grey; the handler and the
    // posting refuse as well.
    if (!rights::has(gRun(), rights::Charging, rights::Post)) {
        cmdOK.setTag("no-right");
        cmdOK.setEnabled(false);
    }
    clearStudent();
}

void frmSF::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
    lines_.clear();
}

void frmSF::cmdSel_Click() {
    auto picker = formInstance<frmXSsel>();
    picker->strWhere = "";
    picker->showModal();
    if (picker->blnSelected && !picker->xsId.empty() && picker->xsId != "0") findStudent(picker->xsId);
}

void frmSF::findStudent(const std::string& xsId) {
    HostSystem& run = gRun();
    const std::string category = run.getXSLBlistInSQL(" lb1 ");
    std::string sql;
    if (!xsId.empty()) {
        sql = "select id from vxsxx where id=" + jmjl::number(xsId, "id") + " and del=0 " + category;
    } else {
        const std::string t = sqlQuote(trimSpaces(txtFind.text()));
        sql = "select id from vxsxx where (学号 like '%" + t + "%' or 姓名 like '%" + t + "%' or 简码 like '%" + t +
              "%' ) and del=0 " + category;
    }
    RecordsetPtr rs = cn().execute(sql);
    if (rs && rs->recordCount() > 1) {
        auto picker = formInstance<frmXSsel>();
        picker->strFind = trimSpaces(txtFind.text());
        picker->strWhere = "";
        picker->showModal();
        if (!picker->blnSelected || picker->xsId.empty()) return;
        return showStudent(picker->xsId);
    }
    if (!rs || rs->eof()) {
        msgBox("没有找到该学生！", MsgButtons::OK, MsgIcon::Information, "提示");
        return clearStudent();
    }
    showStudent(rs->field("id").toText());
}

void frmSF::showStudent(const std::string& xsId) {
    RecordsetPtr s = cn().execute("select a.id,a.xh,a.xm,a.ysk,b.mc from kdw_xs a left join kdw_bj b on b.id=a.bjid"
                                  " where a.id=" + jmjl::number(xsId, "id"));
    if (!s || s->eof()) return clearStudent();
    xsid_ = xsId;
    balance_ = s->field("ysk").toCurrency();
    lblStudent.setCaption(s->field("xh").toText() + "  " + s->field("xm").toText() + "  " + s->field("mc").toText());
    lblBalance.setCaption(balance_.format00());
    fillDue();
}

void frmSF::clearStudent() {
    xsid_.clear();
    balance_ = Currency();
    lines_.clear();
    lvwDue.clearItems();
    lblStudent.setCaption("");
    lblBalance.setCaption("");
    filling_ = true;
    for (TextBox* t : {&txtPay, &txtDays, &txtHk, &txtCash, &txtTendered, &txtRemark}) t->setText("");
    txtDays.setEnabled(false);
    filling_ = false;
    recompute();
}

void frmSF::fillDue() {
    lines_.clear();
    lvwDue.clearItems();
    if (xsid_.empty()) return;
    auto add = [this](const std::string& key, const charge::Line& l, Currency due, Currency paid, Currency reduced,
                      const std::string& kind) {
        ListItem& item = lvwDue.addItem(key, l.period);
        item.setSubItem(ColItem, l.itemName);
        item.setSubItem(ColDays, l.days > 0 ? std::to_string(l.days) : "");
        item.setSubItem(ColDue, due.format00());
        item.setSubItem(ColPaid, paid.format00());
        item.setSubItem(ColReduced, reduced.format00());
        item.setSubItem(ColOwed, l.owedShown.format00());
        item.setSubItem(ColPay, "");
        item.setSubItem(ColKind, kind);
        lines_[key] = l;
    };
    // The stored arrears still open, by period and item.
    for (RecordsetPtr rs = cn().execute(
             "select h.qfkid,h.qfyf,i.sfxmid,m.mc,i.qfje,i.fkje,i.jmje from qfhzb h inner join qfmxb i on i.qfkid=h.qfkid"
             " left join kdw_sfxm m on m.id=i.sfxmid where h.fkrq is null and h.xsid=" + xsid_ +
             " order by h.qfyf,m.bh,i.listid");
         !rs->eof(); rs->moveNext()) {
        const Currency qfje = rs->field("qfje").toCurrency(), fkje = rs->field("fkje").toCurrency(),
                       jmje = rs->field("jmje").toCurrency();
        if (qfje - fkje - jmje <= Currency()) continue;
        charge::Line l{rs->field("sfxmid").toText(), rs->field("qfyf").toText(), rs->field("qfkid").toText(),
                       rs->field("mc").toText(), qfje - fkje - jmje, Currency()};
        add("kq" + l.qfkid + "_" + l.sfxmid, l, qfje, fkje, jmje, "往期欠费");
    }
    // The open month's dues, by the host's rules: per item of the charge
    // type in force for the period, which a move dated later leaves as it
    // was, so every item in use is asked.
    const std::string yf = gRun().CurrentYf();
    for (RecordsetPtr rs = cn().execute("select id,mc,bh from kdw_sfxm where id>0 and del=0 order by bh,id");
         !rs->eof(); rs->moveNext()) {
        const std::string sfxmid = rs->field("id").toText();
        const ItemDues d = itemDues(cn(), xsid_, sfxmid, yf);
        // A per-day item stays listed while paid up: the clerk may charge
        // more days.
        if (d.stored || (d.owed() <= Currency() && d.days == 0)) continue;
        charge::Line l{sfxmid, d.period, "", rs->field("mc").toText(), d.owed(), Currency(), d.days};
        add("kd" + sfxmid, l, d.due, d.paid, d.reduced, "本期应收");
    }
    recompute();
}

void frmSF::kindChanged() {
    const bool charging = optCharge.value();
    lvwDue.setEnabled(charging);
    txtPay.setEnabled(charging);
    txtHk.setEnabled(charging);
    cmbDepositItem.setEnabled(optDeposit.value());
    if (!charging) txtDays.setEnabled(false);
    lblCash.setCaption(optRefund.value() ? "退款金额:" : "实收金额:");
    cmdOK.setCaption(optCharge.value() ? "确定收费" : optDeposit.value() ? "确定预收" : "确定退款");
    recompute();
}

void frmSF::lvwDue_ItemCheck(ListItem& item) {
    auto found = lines_.find(item.key());
    if (found == lines_.end()) return;
    // Ticked, the line is paid whole unless the clerk types less.
    found->second.pay = item.checked() ? found->second.owedShown : Currency();
    item.setSubItem(ColPay, item.checked() ? found->second.pay.format00() : "");
    lvwDue.setSelectedItem(&item);
    filling_ = true;
    txtPay.setText(item.checked() ? found->second.pay.format00() : "");
    txtDays.setText(found->second.days > 0 ? std::to_string(found->second.days) : "");
    txtDays.setEnabled(found->second.days > 0);
    filling_ = false;
    cashFollowsLines();
}

void frmSF::cashFollowsLines() {
    // What the cash takes follows what is ticked; the clerk types more for
    // a new prepayment.
    Currency total;
    for (const auto& [key, l] : lines_) total += l.pay;
    const Currency cash = total - typed(txtHk.text());
    txtCash.setText((cash > Currency() ? cash : Currency()).format00());
    recompute();
}

void frmSF::lvwDue_ItemClick(ListItem& item) {
    auto found = lines_.find(item.key());
    if (found == lines_.end()) return;
    filling_ = true;
    txtPay.setText(found->second.pay.isZero() ? "" : found->second.pay.format00());
    txtDays.setText(found->second.days > 0 ? std::to_string(found->second.days) : "");
    txtDays.setEnabled(found->second.days > 0);
    filling_ = false;
}

void frmSF::txtDays_Change() {
    if (filling_) return;
    ListItem* item = lvwDue.selectedItem();
    if (!item) return;
    auto found = lines_.find(item->key());
    if (found == lines_.end() || found->second.days <= 0 || !found->second.qfkid.empty()) return;
    charge::Line& l = found->second;
    // The line owes what the days come to; a text that is no number of days
    // changes nothing until it is one.
    const std::string t = trimSpaces(txtDays.text());
    if (t.empty() || t.size() > 3 || t.find_first_not_of("0123456789") != std::string::npos) return;
    const int days = std::stoi(t);
    if (days <= 0) return;
    const ItemDues d = itemDues(cn(), xsid_, l.sfxmid, gRun().CurrentYf(), days);
    l.days = days;
    l.owedShown = d.owed();
    if (!l.pay.isZero() || item->checked()) l.pay = l.owedShown > Currency() ? l.owedShown : Currency();
    item->setChecked(!l.pay.isZero());
    item->setSubItem(ColDays, std::to_string(days));
    item->setSubItem(ColDue, d.due.format00());
    item->setSubItem(ColOwed, l.owedShown.format00());
    item->setSubItem(ColPay, l.pay.isZero() ? "" : l.pay.format00());
    filling_ = true;
    txtPay.setText(l.pay.isZero() ? "" : l.pay.format00());
    filling_ = false;
    cashFollowsLines();
}

void frmSF::txtPay_Change() {
    if (filling_) return;
    ListItem* item = lvwDue.selectedItem();
    if (!item) return;
    auto found = lines_.find(item->key());
    if (found == lines_.end()) return;
    found->second.pay = typed(txtPay.text());
    item->setChecked(!found->second.pay.isZero());
    item->setSubItem(ColPay, found->second.pay.isZero() ? "" : found->second.pay.format00());
    cashFollowsLines();
}

charge::Order frmSF::order() const {
    charge::Order o;
    o.kind = optDeposit.value() ? charge::Kind::Deposit : optRefund.value() ? charge::Kind::Refund : charge::Kind::Charge;
    o.xsid = xsid_;
    if (o.kind == charge::Kind::Charge) {
        for (const auto& [key, l] : lines_)
            if (!l.pay.isZero()) o.lines.push_back(l);
        o.fromPrepayment = typed(txtHk.text());
    }
    o.cash = typed(txtCash.text());
    const int account = cmbAccount.ListIndex();
    o.account = std::to_string(account >= 0 ? cmbAccount.ItemData(account) : 1);
    const int depositItem = cmbDepositItem.ListIndex();
    if (o.kind == charge::Kind::Deposit && depositItem > 0)
        o.depositItem = std::to_string(cmbDepositItem.ItemData(depositItem));
    o.remark = trimSpaces(txtRemark.text());
    o.balanceShown = balance_;
    return o;
}

void frmSF::recompute() {
    previewShown_ = false;
    const charge::Order o = order();
    const charge::Totals t = charge::totalsOf(o);
    Currency total;
    for (const charge::Line& l : o.lines) total += l.pay;
    lblTotal.setCaption(total.format00());
    lblPrepay.setCaption(t.ysk.format00());
    const Currency tendered = typed(txtTendered.text());
    lblChange.setCaption(tendered > o.cash ? (tendered - o.cash).format00() : "0.00");
}

void registerFeeWindows(FormRegistry& registry) {
    registry.addWindow<frmSF>("frmSF");
    registry.addWindow<frmDayReport>("frmDayReport");
}

}  // namespace fo
