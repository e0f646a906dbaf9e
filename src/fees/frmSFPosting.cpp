// Posting from the fee window: the preview, the confirmation, the posting in
// one transaction and the receipt's print.
#include "bills/ReceiptTextPrinter.h"
#include "data/posting/DropTransaction.h"
#include "db/DbError.h"
#include "fees/frmSF.h"
#include "host/api/AuditTrail.h"
#include "host/api/ModuleGlobals.h"
#include "ui/RightsCheck.h"
#include "ui/SiblingServices.h"
#include "ui/UiServices.h"
#include "ui/frmMsg.h"
#include "ui/frmPlanPreview.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

std::string textOrEmpty(const Value& v) { return v.isNull() ? std::string() : v.toText(); }

const char* kindCaption(charge::Kind kind) {
    switch (kind) {
        case charge::Kind::Deposit: return "预收款";
        case charge::Kind::Refund: return "退预收款";
        case charge::Kind::Charge: break;
    }
    return "收费";
}

}  // namespace

void frmSF::cmdPreview_Click() {
    if (xsid_.empty()) {
        msgBox("请选择学生！", MsgButtons::OK, MsgIcon::Information, "警告");
        return;
    }
    const charge::Order o = order();
    plan::Plan seen;
    try {
        plan::Draws preview;
        charge::Drawn drawn;
        charge::planCharge(cn(), gRun(), seen, o, preview, drawn);
    } catch (const std::exception& e) {
        msgBox(std::string("操作失败！\r\n") + e.what(), MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    frmPlanPreview::Request request;
    request.caption = std::string(kindCaption(o.kind)) + "预览";
    request.heading = lblStudent.caption() + " " + kindCaption(o.kind) + "将做以下变动：";
    request.confirmCaption = "关闭";
    request.totals = "本次应收 " + lblTotal.caption() + "，实收 " + o.cash.format00();
    frmPlanPreview::show(request, seen);
    previewed_ = seen;
    previewShown_ = !seen.refused();
}

void frmSF::cmdOK_Click() {
    if (refusedRight(gRun(), rights::Charging, rights::Post)) return;
    if (xsid_.empty()) {
        msgBox("请选择学生！", MsgButtons::OK, MsgIcon::Information, "警告");
        return;
    }
    const charge::Order o = order();
    if (const std::string why = charge::orderRefusal(o); !why.empty()) {
        msgBox(why, MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return;
    }
    const charge::Totals t = charge::totalsOf(o);
    if (frmMsg::ask("请确认！", std::string("确定为 ") + lblStudent.caption() + " " + kindCaption(o.kind) + " " +
                                    t.je.format00() + " 元吗？") != 1)
        return;

    HostSystem& run = gRun();
    ConnectionPtr trCn;
    charge::Posted posted;
    try {
        gMOpen();
        trCn = run.pgettrcn();
        trCn->beginTrans();
        posted = charge::post(*trCn, run, o, previewShown_ ? &previewed_ : nullptr, kindCaption(o.kind));
        trCn->commitTrans();
        trCn->close();
        trCn.reset();
        gMclose();
    } catch (const charge::ChargeRefused& e) {
        gMclose();
        dropTransaction(trCn);
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        showStudent(xsid_);
        return;
    } catch (const DbError& e) {
        gMclose();
        dropTransaction(trCn);
        msgBox("操作失败！\r\n" + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    } catch (const std::exception& e) {
        gMclose();
        dropTransaction(trCn);
        msgBox(std::string("操作失败！\r\n") + e.what(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    lastDjbh_ = posted.djbh;
    printReceipt(posted);
    msgBox(std::string(kindCaption(o.kind)) + "成功！单据编号：" + posted.djbh, MsgButtons::OK, MsgIcon::Information,
           "提示");
    const std::string student = xsid_;
    clearStudent();
    showStudent(student);
}

void frmSF::printReceipt(const charge::Posted& posted) {
    RecordsetPtr head = cn().execute("select * from pjml where id=" + posted.receiptId);
    if (!head || head->eof()) return;
    ReceiptHeader h;
    h.remark = h.remark2 = textOrEmpty(head->field("bz"));
    h.className = textOrEmpty(head->field("bjmc"));
    h.studentName = textOrEmpty(head->field("xm"));
    h.studentNumber = textOrEmpty(head->field("xh"));
    h.billNumber = posted.djbh;
    h.total = format00(head->field("hjje"));
    h.totalInWords = textOrEmpty(head->field("jedx"));
    h.issuer = h.payee = textOrEmpty(head->field("kpr"));
    h.itemsCaption = posted.djbh.rfind("TF", 0) == 0 ? " 退 费 项 目" : " 收 费 项 目";
    h.schoolName = globals().settings ? globals().settings->value("txtSchoolName").toText() : std::string();
    h.issueDate = textOrEmpty(head->field("kprq")).substr(0, 10);
    auto items = std::make_shared<Recordset>();
    for (const char* field : {"xmmc", "dj", "sl", "je", "term", "cqts", "bz"})
        items->appendField(field, DataType::VarChar, 100);
    items->open();
    for (RecordsetPtr rs = cn().execute("select xmmc,je,term,cqts,bz from pjmlmx where pjmlid=" + posted.receiptId +
                                        " order by pjmlmxid");
         !rs->eof(); rs->moveNext()) {
        items->addNew();
        items->field("xmmc") = Value(rs->field("xmmc").toText());
        items->field("dj") = Value(format00(rs->field("je")));
        items->field("sl") = Value("1");
        items->field("je") = Value(format00(rs->field("je")));
        items->field("term") = Value(textOrEmpty(rs->field("term")));
        items->field("cqts") = Value(textOrEmpty(rs->field("cqts")));
        items->field("bz") = Value(textOrEmpty(rs->field("bz")));
    }
    // The binding's printer (the print dialog on a desktop); a text receipt
    // in the export folder where it has none.
    std::unique_ptr<BillPrinter> printer = ui().newBillPrinter();
    if (!printer) printer = std::make_unique<ReceiptTextPrinter>(ui().exportFolder());
    items->moveFirst();
    if (!printer->printBill(h, *items))
        msgBox("收据未能打印，可在票据管理中补打。", MsgButtons::OK, MsgIcon::Information, "提示");
}

}  // namespace fo
