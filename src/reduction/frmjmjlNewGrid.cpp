// The arrears list and the fee-item grid of the reduction window: what the
// student still owes, per period and per item, and the reductions typed
// against it.
#include <map>

#include "data/Dialect.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/JmjlStatements.h"
#include "reduction/ReductionChecks.h"
#include "reduction/SettledItems.h"
#include "reduction/frmjmjlNew.h"
#include "reduction/PaidCredit.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/Utf8Text.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The first field of the first row, "" when there is none or it is null.
std::string firstValue(Connection& cn, const std::string& sql) {
    RecordsetPtr rs = cn.execute(sql);
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toText() : std::string();
}

// The student's discount per fee item.
std::map<std::string, std::string> discounts(Connection& cn, const std::string& xsid) {
    std::map<std::string, std::string> out;
    RecordsetPtr rs = cn.execute("select xmid,zhekou from xszhekou where xsid=" + jmjl::number(xsid, "xsid"));
    for (; rs && !rs->eof(); rs->moveNext()) out[rs->field("xmid").toText()] = rs->field("zhekou").toText();
    return out;
}

}  // namespace

void frmjmjlNew::setupGrid() {
    itemGrid_.setupColumns();
    if (!settingOn("chkMrcqts")) MSFlexGrid1.setColWidth(ColDays, 0);
    if (!settingOn("chkXMzhekou")) MSFlexGrid1.setColWidth(ColDiscount, 0);
}

void frmjmjlNew::clearGrid() {
    MSFlexGrid1.setRows(1);
    owedShown_.clear();
    owedShownDate_.clear();
}

void frmjmjlNew::keepOwedShown() {
    owedShown_.clear();
    owedShownDate_ = DTP_jmrq.dateText();
    if (Lbl_mc.tag().empty() || MSFlexGrid1.rows() < 2) return;
    std::vector<jmjl::ReducedItem> items;
    for (int r = 1; r < MSFlexGrid1.rows(); ++r)
        items.push_back({trimSpaces(MSFlexGrid1.textMatrix(r, ColQfyf)), MSFlexGrid1.textMatrix(r, ColItemId),
                         MSFlexGrid1.textMatrix(r, ColName), Currency(), {}, {}});
    try {
        for (const auto& [key, owed] : jmjl::owedNow(cn(), gRun(), {Lbl_mc.tag()}, owedShownDate_, items))
            owedShown_[key.second] = owed;
    } catch (const std::exception& e) {
        owedShown_.clear();
        MSFlexGrid1.setRows(1);
        msgBox(std::string("读取学生的欠费失败，请刷新。") + jmjl::CRLF + e.what(), MsgButtons::OK,
               MsgIcon::Exclamation, "提示");
    }
}

void frmjmjlNew::setQFlist(const std::string& xsid) {
    LvwQFLIST.clearItems();
    HostSystem& run = gRun();
    const bool sqlServer = isSqlServer(run.SQL_access());
    RecordsetPtr stored = cn().execute("select qfkid,qfyf,qfrq,qfje from qfhzb where xsid=" + jmjl::number(xsid, "xsid") +
                                       " and  fkrq is null and " + nullToZero(sqlServer, "qfje") + ">0");
    for (; stored && !stored->eof(); stored->moveNext()) {
        ListItem& line = LvwQFLIST.addItem("k" + stored->field("qfkid").toText(), stored->field("qfyf").toText());
        const Value qfrq = stored->field("qfrq");
        const auto date = qfrq.toDate();
        line.setSubItem(1, date ? date->dateText() : qfrq.toText());
        line.setSubItem(2, jmjl::owedText(stored->field("qfje").toCurrency()));
    }

    // Dues of periods not stored yet, computed by the host.
    std::string itemIds;
    for (RecordsetPtr items = cn().execute("select id from kdw_sfxm where id>0"); items && !items->eof(); items->moveNext())
        itemIds += "," + items->field("id").toText();
    ConnectionPtr hostCn = run.pGetCN();
    std::string table;
    run.getQFmxbNew(table, hostCn, run.CurrentYf(), itemIds, trimSpaces(txtXh.text()), "");
    RecordsetPtr due = hostCn->execute("select sfyf,sum(ysje-jfje-jmje) from " + table +
                                       " group by sfyf Having Sum(ysje - jfje - jmje) > 0");
    for (; due && !due->eof(); due->moveNext()) {
        const std::string sfyf = due->field(std::size_t{0}).toText();
        bool present = false;
        for (int i = 1; i <= LvwQFLIST.itemCount() && !present; ++i) present = LvwQFLIST.item(i).text() == sfyf;
        if (present) continue;  // a stored row of the period wins
        ListItem& line = LvwQFLIST.addItem("c" + sfyf, sfyf);
        line.setSubItem(1, run.currentYfFromDate());
        line.setSubItem(2, format00(due->field(std::size_t{1})));
    }
    if (sqlServer) hostCn->execute("drop table " + table);
}

void frmjmjlNew::selectItem(bool flag) {
    if (flag) return;
    for (int i = LvwQFLIST.itemCount(); i >= 1; --i)
        if (LvwQFLIST.item(i).checked()) {
            LvwQFLIST_ItemCheck(LvwQFLIST.item(i));
            return;
        }
}

void frmjmjlNew::LvwQFLIST_ItemCheck(ListItem& item) {
    auto period = gRun().pFindJzDate();
    const std::string& t = item.text();
    item.setChecked(t == "一次性" || t == lblYFcaption.caption() || t == period->termTag() || t == period->yearTag());
    LvwQFLIST_ItemClick(item);
}

void frmjmjlNew::LvwQFLIST_ItemClick(ListItem& item) {
    HostSystem& run = gRun();
    auto period = run.pFindJzDate();
    const bool sqlServer = isSqlServer(run.SQL_access());
    gMOpen();
    clearGrid();
    Txt_write.setVisible(false);

    // The fee month of the period the line names.
    const std::string& t = item.text();
    std::string month;
    if (contains(t, "年")) {
        month = firstValue(cn(), "select max(YF) from ajzrq where left(YF,4)='" + sqlQuote(utf8::mid(t, 0, 4)) +
                                     "' and yf in(select  jzyf from hisxsinfo where xsid =0)");
    } else if (contains(t, "下") || contains(t, "上")) {
        RecordsetPtr term = cn().execute("select yffromdate,yftodate from termdate where termTag='" + sqlQuote(t) + "' ");
        if (term && !term->eof()) {
            const auto from = term->field(std::size_t{0}).toDate(), to = term->field(std::size_t{1}).toDate();
            const std::string f = from ? from->dateText() : term->field(std::size_t{0}).toText();
            const std::string e = to ? to->dateText() : term->field(std::size_t{1}).toText();
            // A term whose dates are not set holds no month (the open month
            // is taken below); an empty text is no date to the server.
            if (!f.empty() && !e.empty())
                month = firstValue(cn(),
                                   "select max(yf) from ajzrq where  yf in(select  jzyf from hisxsinfo where xsid =0)"
                                   " and fromdate>=" + dateValue(sqlServer, f) + " and todate<=" +
                                       dateValue(sqlServer, e));
        }
    } else if (!contains(t, "一次性")) {
        month = t;
    }
    if (month.empty()) month = run.CurrentYf();
    strYf_ = month;
    lblYFcaption.setCaption(month);
    LBLlvwYf.setCaption(month);

    period->setDdateFromYF(month);
    DTP_jmrq.setValue(DateTime::parse(period->monthQFdateF()).value_or(DTP_jmrq.value()));
    lblYFcaption.setCaption(settingOn("chkNotLimitJZ") ? period->monthQf() : run.CurrentYf());

    // A month the host has locked takes no posting.
    if (run.IfYfDate(lblYFcaption.caption())) cmd_ok.setEnabled(false);
    else if (cmd_ok.tag().empty()) cmd_ok.setEnabled(true);

    if (run.CurrentYf() == period->monthQf()) {
        ShowSFLX(period->monthQf());
        gMclose();
        return;
    }

    // An earlier period: the stored arrears items of the checked lines.
    const std::string xsid = Lbl_mc.tag().empty() ? std::string("0") : Lbl_mc.tag();
    const auto zhekou = discounts(cn(), xsid);
    std::string qfkids;
    for (int i = 1; i <= LvwQFLIST.itemCount(); ++i) {
        ListItem& line = LvwQFLIST.item(i);
        if (line.text() != "一次性")
            line.setChecked(line.text() == period->monthQf() || line.text() == period->termTag() ||
                            line.text() == period->yearTag());
        // Only stored lines ("k" + qfkid) have arrears items to reduce.
        if (line.checked() && line.key().rfind("k", 0) == 0) qfkids += "," + line.key().substr(1);
    }
    if (!qfkids.empty()) {
        const std::string sflxid = CMB_sflx.ListIndex() >= 0 ? std::to_string(CMB_sflx.ItemData(CMB_sflx.ListIndex())) : "0";
        // Each stored line's period, read beside the items: the posting
        // settles the open rows of the period each item names.
        std::map<std::string, std::string> periods;
        for (RecordsetPtr p = cn().execute("select a.listid,h.qfyf from qfmxb as a inner join qfhzb as h on "
                                           "h.qfkid=a.qfkid where a.qfkid in(" + qfkids.substr(1) + ")");
             p && !p->eof(); p->moveNext())
            periods[p->field("listid").toText()] = p->field("qfyf").toText();
        RecordsetPtr rs = cn().execute(
            "select aa.*,bb.mrcqts,bb.je from (select a.listid,b.mc,a.qfje, a.sfxmid,b.projectid_df,b.jflx"
            ",b.cqts   from qfmxb as a ,kdw_sfxm as b Where a.qfkid in(" + qfkids.substr(1) +
            ") And a.sfxmid = b.ID)aa left join (select sfxmid,mrcqts,je from kdw_sflx where id=" + sflxid +
            ") as bb on aa.sfxmid=bb.sfxmid");
        for (; rs && !rs->eof(); rs->moveNext()) {
            const int r = MSFlexGrid1.rows();
            MSFlexGrid1.setRows(r + 1);
            const std::string itemId = rs->field("sfxmid").toText();
            const Value days = rs->field("mrcqts"), rate = rs->field("je");
            MSFlexGrid1.setTextMatrix(r, ColName, rs->field("mc").toText());
            MSFlexGrid1.setTextMatrix(r, ColItemId, itemId);
            MSFlexGrid1.setTextMatrix(r, ColProjectId, rs->field("projectid_df").toText());
            MSFlexGrid1.setTextMatrix(r, ColDays, days.isNull() ? "0" : days.toText());
            MSFlexGrid1.setTextMatrix(r, ColPerDay, rs->field("cqts").toText());
            MSFlexGrid1.setTextMatrix(r, ColRate, rate.isNull() ? "0" : plainAmount(rate));
            // The arrears amount becomes the receivable; the reduction starts
            // empty, but for the part of a cent an older database left owing,
            // which no amount in cents clears: that rest is offered as it is.
            const Currency owed = rs->field("qfje").toCurrency();
            MSFlexGrid1.setTextMatrix(r, ColYs, plainAmount(rs->field("qfje")));
            if (owed > Currency() && owed < Currency::fromRaw(Currency::Scale / 100))
                MSFlexGrid1.setTextMatrix(r, ColJm, owed.plainText());
            const auto d = zhekou.find(itemId);
            MSFlexGrid1.setTextMatrix(r, ColDiscount, d == zhekou.end() ? std::string() : d->second);
            MSFlexGrid1.setTextMatrix(r, ColListId, rs->field("listid").toText());
            if (settingOn("chkAutoInputTerm")) fillTermColumns(r, static_cast<int>(rs->field("jflx").toInt()), true);
            // The line's own period, whatever the setting.
            MSFlexGrid1.setTextMatrix(r, ColQfyf, periods[rs->field("listid").toText()]);
        }
    }
    Sum_js();
    gMclose();
}

// Columns 4 and 11 from the item's charge kind, for the period now set in
// the host's period object. The period bounds are joined with "至" for an
// arrears period and with "-" for the current one.
void frmjmjlNew::fillTermColumns(int row, int jflx, bool arrears) {
    HostSystem& run = gRun();
    auto p = run.pFindJzDate();
    const std::string join = arrears ? "至" : "-";
    std::string term, tag;
    if (jflx == run.jflxOne()) {
        term = arrears ? "一次性收费" : "入学一次性收费";
        tag = "一次性";
    } else if (jflx == run.jflxMonth()) {
        term = p->monthQFdateF() + join + p->monthQFdateT();
        tag = p->monthQf();
    } else if (jflx == run.jflxTerm()) {
        term = p->termQFdateF() + join + p->termQFdateT();
        tag = p->termTag();
    } else if (jflx == run.jflxYear()) {
        // A yearly item is owed under the year tag, so that is also its period.
        term = tag = p->yearTag();
    } else {
        return;
    }
    MSFlexGrid1.setTextMatrix(row, ColTerm, term);
    MSFlexGrid1.setTextMatrix(row, ColQfyf, tag);
}

void frmjmjlNew::ShowSFLX(const std::string& requested) {
    HostSystem& run = gRun();
    auto period = run.pFindJzDate();
    const std::string month = settingOn("chkNotLimitJZ") ? period->monthQf() : run.CurrentYf();
    (void)requested;  // the current period always comes from the settings
    period->setDdateFromYF(month);
    clearGrid();
    Txt_write.setVisible(false);
    if (CMB_sflx.ListIndex() < 0) return;
    const std::string sflxid = std::to_string(CMB_sflx.ItemData(CMB_sflx.ListIndex()));
    const std::string xsid = Lbl_mc.tag().empty() ? std::string("0") : Lbl_mc.tag();
    const bool perDayShown = settingOn("chkMrcqts");

    RecordsetPtr items = cn().execute(
        std::string("select a.id,a.mc AS 收费项目 ,b.je as 金额,a.projectID_DF,b.mrcqts,a.cqts from  KDW_sfxm a inner join") +
        jmjl::CRLF + "(SELECT * FROM   KDW_sflx where " + jmjl::CRLF + " id=" + sflxid +
        ")  B ON b.sfxmid=a.id where a.id not in(-100) ");
    const auto zhekou = discounts(cn(), xsid);
    for (; items && !items->eof(); items->moveNext()) {
        std::string cells[ColCount];
        const std::string itemId = items->field("id").toText();
        const Currency amount = items->field("金额").toCurrency();
        const Currency days = items->field("mrcqts").toCurrency();
        cells[ColName] = items->field("收费项目").toText();
        cells[ColPerDay] = items->field("cqts").toText();
        cells[ColDays] = days.plainText();
        cells[ColRate] = amount.plainText();
        if (cells[ColPerDay] == "Y") cells[ColJm] = (amount * days).format00();
        else cells[ColJm] = perDayShown ? amount.plainText() : amount.format00();
        const auto d = zhekou.find(itemId);
        if (d != zhekou.end()) {
            cells[ColJm] = (leadingNumber(cells[ColJm]) * leadingNumber(d->second) / Currency::fromInt(100)).plainText();
            cells[ColDiscount] = d->second;
        } else {
            cells[ColDiscount] = "100";
        }
        cells[ColYs] = cells[ColJm];
        // Crediting what was paid: the grid offers what may still be
        // credited, whatever is owed.
        if (chkCreditPaid.value() == 1) {
            const Currency cap = jmjl::creditCap(cn(), run, xsid, itemId, DTP_jmrq.dateText());
            cells[ColJm] = cells[ColYs] = cap.plainText();
        }
        cells[ColItemId] = itemId;
        cells[ColProjectId] = items->field("projectID_DF").toText();
        if (leadingNumber(cells[ColJm]) <= Currency()) continue;
        const int r = MSFlexGrid1.rows();
        MSFlexGrid1.setRows(r + 1);
        for (int c = 0; c < ColCount; ++c) MSFlexGrid1.setTextMatrix(r, c, cells[c]);
    }
    for (int i = 1; i <= LvwQFLIST.itemCount(); ++i)
        if (LvwQFLIST.item(i).text() == month) LvwQFLIST.item(i).setChecked(true);
    showTerm();
    keepOwedShown();
    // A credit offers what was paid, which the owed cap would take away.
    if (chkCreditPaid.value() != 1) offerOnlyWhatIsOwed(xsid);
    MSFlexGrid1.setTextMatrix(0, ColYs, chkCreditPaid.value() == 1 ? "可转入预收款" : "应收金额");
    Sum_js();
}

void frmjmjlNew::offerOnlyWhatIsOwed(const std::string& xsid) {
    // What the line offers is what the posting takes, whatever the settings:
    // each item at most what the student still owes of it in its period, as
    // the posting reads it again; one paid or settled there shows 0 and the
    // record that did it, instead of an amount every 确定 would be refused.
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
        const auto owed = owedShown_.find(jmjl::idKey(MSFlexGrid1.textMatrix(r, ColItemId)));
        if (owed == owedShown_.end() || owed->second >= leadingNumber(MSFlexGrid1.textMatrix(r, ColJm))) continue;
        // The receivable stays: an amount typed above what is owed is
        // refused by the posting, naming what is owed.
        if (owed->second > Currency()) {
            MSFlexGrid1.setTextMatrix(r, ColJm, jmjl::owedText(owed->second));
            continue;
        }
        MSFlexGrid1.setTextMatrix(r, ColJm, "0");
        try {
            MSFlexGrid1.setTextMatrix(r, ColTerm, jmjl::settledReason(jmjl::settledBy(
                                                      cn(), gRun(), xsid, MSFlexGrid1.textMatrix(r, ColItemId),
                                                      trimSpaces(MSFlexGrid1.textMatrix(r, ColQfyf)))));
        } catch (const std::exception&) {
            MSFlexGrid1.setTextMatrix(r, ColTerm, jmjl::settledReason({}));  // the 0 stands; only its record is unread
        }
    }
}

void frmjmjlNew::showTerm() {
    // The period each coming charge is owed under is the posting's to know
    // whatever the setting: it decides which stored rows a reduction settles
    // once the month is carried over. Only its text waits for the setting.
    const bool text = settingOn("chkAutoInputTerm");
    std::map<std::string, int> kinds;
    for (RecordsetPtr rs = cn().execute("select * from kdw_sfxm "); rs && !rs->eof(); rs->moveNext())
        kinds[rs->field("id").toText()] = static_cast<int>(rs->field("jflx").toInt());
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
        const auto k = kinds.find(MSFlexGrid1.textMatrix(r, ColItemId));
        if (k == kinds.end()) continue;
        const std::string term = MSFlexGrid1.textMatrix(r, ColTerm);
        fillTermColumns(r, k->second, false);
        if (!text) MSFlexGrid1.setTextMatrix(r, ColTerm, term);
    }
}

void frmjmjlNew::AddXFLX() {
    CMB_sflx.Clear();
    for (RecordsetPtr rs = cn().execute("select id,max( mc) as mc1 from KDW_sflx group by id"); rs && !rs->eof();
         rs->moveNext()) {
        CMB_sflx.AddItem(trimSpaces(rs->field("mc1").toText()));
        CMB_sflx.setItemData(CMB_sflx.NewIndex(), static_cast<long>(rs->field("id").toInt()));
    }
}

void frmjmjlNew::cmdReset_Click() {
    itemGrid_.clearReductions();
    // Emptying the editor is no edit of its cell; what the clerk types into
    // it afterwards still is.
    const bool wasEditing = itemGrid_.editing();
    itemGrid_.setEditing(false);
    Txt_write.setText("");
    itemGrid_.setEditing(wasEditing);
    Lbl_jmhj.setCaption("");
    lblSumProject.setCaption("");
}

}  // namespace fo
