// The register's actions on the selected bill: reprint, void, and the
// export of the list.
#include <cstdlib>
#include <exception>

#include "bills/FeeCancellation.h"
#include "bills/ReceiptTextPrinter.h"
#include "bills/frmBILLML.h"
#include "data/Dialect.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/frmPlanPreview.h"
#include "ui/RightsCheck.h"
#include "ui/UiServices.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

std::string textOrEmpty(const Value& v) { return v.isNull() ? std::string() : v.toText(); }

}  // namespace

std::string frmBILLML::storedState(const std::string& id) {
    RecordsetPtr rs = cn_->execute("select pjState from pjml where id=" + id);
    return rs->eof() ? std::string() : trimSpaces(textOrEmpty(rs->field(std::size_t{0})));
}

RecordsetPtr frmBILLML::reprintItems(const std::string& id) {
    auto items = std::make_shared<Recordset>();
    for (const auto& [field, size] : {std::pair{"xmmc", 50}, {"dj", 20}, {"sl", 20}, {"je", 20}, {"term", 50},
                                      {"cqts", 20}, {"bz", 20}})
        items->appendField(field, DataType::VarChar, size);
    items->open();
    lastSql_ = std::string("select xmmc,je,term,cqts,bz from pjmlmx") + " Where pjmlid = " + id + " order by pjmlmxid";
    for (RecordsetPtr rs = cn_->execute(lastSql_); !rs->eof(); rs->moveNext()) {
        items->addNew();
        items->field("xmmc") = Value(rs->field("xmmc").toText());
        items->field("dj") = Value(rs->field("je").toText());  // unit price
        items->field("sl") = Value("1");                        // quantity
        items->field("je") = Value(format00(rs->field("je")));
        items->field("term") = Value(rs->field("term").toText());
        items->field("cqts") = Value(rs->field("cqts").isNull() ? std::string("0") : rs->field("cqts").toText());
        items->field("bz") = Value(textOrEmpty(rs->field("bz")));
    }
    return items;
}

std::string frmBILLML::paperFormat() const {
    const int i = cmbPageType.ListIndex();
    if (i >= 0 && !trimSpaces(cmbPageType.text()).empty()) return std::to_string(cmbPageType.ItemData(i));
    return cmbPage;
}

std::string frmBILLML::paperName() const {
    const std::string chosen = trimSpaces(cmbPageType.text());
    return cmbPageType.ListIndex() >= 0 && !chosen.empty() ? chosen : cmbPage;
}

bool frmBILLML::recordReprint(const std::string& id, const std::string& billNumber, long count) {
    // How often a receipt was reprinted stays with it (rptbz) and in the log.
    try {
        ConnectionPtr tr = host().pgettrcn();
        Transaction tx(*tr);
        auditPosting(*tr, "重打收据", billNumber);
        tr->execute("update pjml set rptbz='" + std::to_string(count) + "' where id=" + id);
        tx.commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void frmBILLML::cmdPrintRe_Click() {
    if (refusedRight(host(), rights::Reprint, rights::Full)) return;
    if (selectedState() == "作废") {
        msgBox("所选单据已经作废！不能重打！", MsgButtons::OK, MsgIcon::Information, "警告！");
        return;
    }
    ListItem* sel = ListView1.selectedItem();
    if (!sel || sel->key() == "k0") {
        msgBox("请选择需要重新打印的收据！", MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    if (msgBox("已选定的收据将被重新打印！\r\n\r\n是否继续？", MsgButtons::YesNo, MsgIcon::Question, "提示") !=
        MsgAnswer::Yes)
        return;

    gMOpen();
    const std::string id = sel->key().substr(1);
    RecordsetPtr items = reprintItems(id);
    RecordsetPtr head =
        cn_->execute("select id,djbh,bjmc,xh,xm,bz,hjje,jedx,kpr,skr,rptbz,kprq from pjml where id=" + id);
    if (head->eof()) {
        gMclose();
        return;
    }
    // The list may be older than the bill: one voided since is not reprinted
    // as a valid receipt either.
    if (storedState(id) == "作废") {
        gMclose();
        msgBox("所选单据已经作废！不能重打！", MsgButtons::OK, MsgIcon::Information, "警告！");
        return;
    }
    ReceiptHeader h;
    h.remark = h.remark2 = textOrEmpty(head->field("bz"));
    h.picPath = picPath;
    h.picPath2 = picPath2;
    h.kdwContent = kdwContent;
    h.className = textOrEmpty(head->field("bjmc"));
    h.studentName = textOrEmpty(head->field("xm"));
    h.studentNumber = textOrEmpty(head->field("xh"));
    h.billNumber = textOrEmpty(head->field("djbh"));
    h.total = format00(head->field("hjje"));  // as the items show their amounts
    h.totalInWords = textOrEmpty(head->field("jedx"));
    h.issuer = textOrEmpty(head->field("kpr"));
    h.colorContent = globals().settings ? globals().settings->value("txtColorContent").toText() : std::string();
    // Read as the host asks, though either way the stored payee is printed.
    (void)settingOn("chkPrintSKR");
    h.payee = textOrEmpty(head->field("skr"));
    h.billNameForSF = pBillNameForSF;
    h.billNameForSFSub = pBillNameForsfSub;
    h.pcs = pPcs;
    h.paperFormat = paperFormat();
    h.paperName = paperName();
    h.itemsCaption = sel->text().rfind("SF", 0) == 0 ? " 收 费 项 目" : " 退 费 项 目";
    h.schoolName = globals().settings ? globals().settings->value("txtSchoolName").toText() : std::string();
    const std::string issued = textOrEmpty(head->field("kprq"));
    h.issueDate = issued.substr(0, 10);
    // Every print from the register is a reprint: the receipt was printed
    // when it was issued.
    h.reprintMark = "补打";
    const long reprints = std::atol(textOrEmpty(head->field("rptbz")).c_str());
    head->close();

    // The binding's receipt printer (on a desktop the print dialog); a text
    // receipt in the export folder where the binding has none (headless runs).
    std::unique_ptr<BillPrinter> printer = ui().newBillPrinter();
    if (!printer) printer = std::make_unique<ReceiptTextPrinter>(ui().exportFolder());
    items->moveFirst();
    if (printer->printBill(h, *items)) {
        const bool recorded = recordReprint(id, h.billNumber, reprints + 1);
        gMclose();
        msgBox(recorded ? "打印成功！" : "打印成功！但没能记下这次补打，请通知管理员。", MsgButtons::OK,
               MsgIcon::Information, "提示");
    }
    items->close();
    gMclose();
}

void frmBILLML::cmdZF_Click() {
    if (refusedRight(host(), rights::Register, rights::Post)) return;
    ListItem* sel = ListView1.selectedItem();
    if (!sel || sel->key() == "k0") {  // the sum row is no receipt, as for the reprint
        msgBox("请选择需要作废的单据！", MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    if (selectedState() == "作废") {
        msgBox(feecancel::kAlreadyVoidText, MsgButtons::OK, MsgIcon::None, feecancel::kWarningTitle);
        return;
    }
    bill_.set_ID(sel->key().substr(1));
    bill_.set_pSql(static_cast<int>(dbInfo().SqlKind().toInt()));
    bill_.set_zfr(dbInfo().UserName());
    bill_.set_pUseridZfr(dbInfo().UserId());
    bill_.set_zfyy(trimSpaces(txtZfyy.text()));
    bill_.set_djbh(trimSpaces(sel->text()));
    if (gRun) bill_.set_gRun(gRun);

    // What the void will write, read from the books as they stand; the
    // clerk sees it before he is asked, and the void writes exactly that.
    plan::Plan seen;
    try {
        gMOpen();
        plan::Draws preview;
        seen = bill_.planZF(*cn_, preview);
        gMclose();
    } catch (const std::exception& e) {
        gMclose();
        msgBox(std::string("操作失败！\r\n") + e.what(), MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    const std::string student = sel->cell(ListView1.columnIndexByText("姓名"));
    frmPlanPreview::Request request;
    request.caption = "作废预览";
    request.heading = "作废收据 " + bill_.djbh() + "（" + student + "）将做以下变动：";
    request.confirmCaption = "确认作废";
    switch (frmPlanPreview::show(request, seen)) {
        case frmPlanPreview::Confirm: break;
        case frmPlanPreview::Refresh: return CMDfind_Click();
        default: return;
    }
    if (msgBox("确定作废吗？", MsgButtons::YesNo, MsgIcon::Question, "警告") != MsgAnswer::Yes) return;

    // One transaction: the bill, its fee record, the journal, the balances
    // and the arrears change together or not at all.
    ConnectionPtr tr;
    std::string error;
    bool done = false;
    try {
        tr = dbInfo().TransConnection();
        tr->beginTrans();
        auditPosting(*tr, "作废票据", bill_.djbh(), listedAmount(ListView1, sel->key(), "金额"));
        if (bill_.PJZF(*tr, &seen)) {
            // Committed before the clerk is told: the void is on disk when he
            // reads "操作成功！", and the books' lock is not held while he does.
            tr->commitTrans();
            tr->close();
            done = true;
        }
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        // Not ours to handle (a headless run giving up); undo and pass it on.
        if (tr && tr->inTransaction()) tr->rollbackTrans();
        throw;
    }
    if (done) {
        msgBox("操作成功！", MsgButtons::OK, MsgIcon::Information, "警告！");
        initData(true, "");
        return;
    }
    if (tr) {
        if (tr->inTransaction()) tr->rollbackTrans();
        tr->close();
    }
    gMclose();
    msgBox(error.empty() ? "操作失败！" : "操作失败！\r\n" + error, MsgButtons::OK, MsgIcon::None, "警告！");
}

void frmBILLML::Command2_Click() {
    if (ListView1.itemCount() < 1 || !list_) return;
    const std::string range = DTPfrom.dateText() + "至" + DTPto.dateText();
    // The first field is the bill's id, the list's key: not the clerk's.
    exportSheet(SheetExport{"开票日期:  " + range, caption() + " " + range, 1, caption(), true}, *list_);
}

}  // namespace fo
