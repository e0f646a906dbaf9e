// Posting a reduction from the window: validation, confirmation, the record
// with its items and the settlement of the arrears it covers, in one
// transaction.
#include "data/posting/DropTransaction.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/JmjlStatements.h"
#include "reduction/ReductionChecks.h"
#include "reduction/ReductionPlan.h"
#include "reduction/frmjmjlNew.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/frmMsg.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// An item reduced by more than it owes: the warning was shown, the posting
// goes back with an empty description.
struct OverReduction {};

// Everything after the confirmation goes back whole: normal pointer, the
// transaction rolled back and its connection dropped, then the message.
void postingFailed(ConnectionPtr& trCn, const std::string& description) {
    gMclose();
    dropTransaction(trCn);
    msgBox(jmjl::postingFailure(description), MsgButtons::OK, MsgIcon::Exclamation, "提示");
}

}  // namespace

bool frmjmjlNew::CanAdd() {
    if (trimSpaces(txtXh.text()).empty()) {
        msgBox("请选择学生！", MsgButtons::OK, MsgIcon::Information, "警告");
        return false;
    }
    if (!cmd_ok.enabled()) return false;
    if (trimSpaces(CMB_sflx.text()).empty()) {
        msgBox("请您选择收费类型！", MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return false;
    }
    if (trimSpaces(Lbl_mc.caption()).empty()) {
        msgBox("请您选择学生", MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return false;
    }
    if (trimSpaces(txtJmyy.text()).empty()) {
        txtJmyy.SetFocus();
        msgBox("请输入减免原因！", MsgButtons::OK, MsgIcon::Information, "警告！");
        return false;
    }
    // A pasted amount is not filtered by the keys.
    if (const std::string refusal = itemGrid_.amountRefusal(); !refusal.empty()) {
        msgBox(refusal, MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return false;
    }
    if (leadingNumber(lblSumProject.caption()).isZero()) {
        msgBox("本次减免无效。原因：减免合计为０", MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return false;
    }
    return true;
}

void frmjmjlNew::ToAdd() {
    HostSystem& run = gRun();
    auto period = run.pFindJzDate();
    strYf_ = period->getYfFromDate(DTP_jmrq.dateText());
    period->setDdateFromYF(strYf_);
    const std::string sfyf = settingOn("chkNotLimitJZ") ? period->monthQf() : run.CurrentYf();

    gMOpen();
    if (frmMsg::ask("请确认！", jmjl::confirmationText(txtXh.text(), Lbl_mc.caption(), Lbl_jmhj.caption())) != 1) {
        gMclose();
        return;
    }

    gMOpen();
    ConnectionPtr trCn;
    try {
        trCn = run.pgettrcn();
        plan::Draws draws([&run](const std::string& counter) { return run.pGetMaxId(counter); },
                          [&run](const std::string& prefix) { return run.pGetBillNum(prefix); });
        jmjl::PlannedRecord planned;
        jmjl::RecordValues record;
        planned.djbh = draws.number("JM");
        record.djbh = planned.djbh.text();
        std::string settlement;
        trCn->beginTrans();
        auditPosting(*trCn, "减免", record.djbh, leadingNumber(Lbl_jmhj.caption()));
        planned.id = draws.id("INandOutML");
        record.id = planned.id.text();
        record.sfrq = DTP_jmrq.dateText();
        record.sflxid = std::to_string(CMB_sflx.ItemData(CMB_sflx.ListIndex()));
        record.xsid = Lbl_mc.tag();
        record.bjmc = lblBj.caption();
        record.jmje = Lbl_jmhj.caption();
        record.jmyy = trimSpaces(txtJmyy.text());
        record.rq = draws.now();
        record.operid = run.gUserid();
        record.sfyf = sfyf;
        record.skr = run.gusername();
        std::vector<jmjl::ItemValues> items;
        std::vector<jmjl::ReducedItem> reduced;
        for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
            const Currency amount = leadingNumber(MSFlexGrid1.textMatrix(r, ColJm));
            if (amount.isZero()) continue;
            jmjl::ItemValues item;
            item.sfxmid = MSFlexGrid1.textMatrix(r, ColItemId);
            item.jmje = amount;
            item.ysje = leadingNumber(MSFlexGrid1.textMatrix(r, ColYs));
            item.feeTermName = trimSpaces(MSFlexGrid1.textMatrix(r, ColTerm));
            item.cqts = leadingNumber(MSFlexGrid1.textMatrix(r, ColDays));
            settlement += "," + jmjl::settlementEntry(MSFlexGrid1.textMatrix(r, ColQfyf), item.sfxmid, amount);
            if (amount > item.ysje) {
                msgBox(jmjl::overReductionWarning(MSFlexGrid1.textMatrix(r, ColName), item.ysje), MsgButtons::OK,
                       MsgIcon::Information, "警告！");
                throw OverReduction{};
            }
            items.push_back(item);
            // A coming charge is held to what the grid was filled with: no
            // stored row would show that another clerk reduced it since.
            const auto shown = MSFlexGrid1.textMatrix(r, ColListId).empty() && owedShownDate_ == record.sfrq
                                   ? owedShown_.find(jmjl::idKey(item.sfxmid))
                                   : owedShown_.end();
            reduced.push_back({trimSpaces(MSFlexGrid1.textMatrix(r, ColQfyf)), item.sfxmid,
                               trimSpaces(MSFlexGrid1.textMatrix(r, ColName)), amount,
                               MSFlexGrid1.textMatrix(r, ColListId),
                               shown == owedShown_.end() ? std::nullopt : std::optional<Currency>(shown->second)});
        }
        // The grid shows the books as they were when it was filled; what
        // they hold now decides, read under the write lock before any write.
        const std::string refusal = jmjl::stillOwedRefusal(*trCn, run, record.xsid, record.sfrq, reduced);
        if (!refusal.empty()) throw jmjl::ReductionRefused(refusal);

        // The record, its items and the settlement, planned on the
        // transaction from the rows it holds, then written as planned.
        plan::Plan p(false);
        BookNames names(*trCn);
        planned.sfrq = record.sfrq;
        planned.sflxid = record.sflxid;
        planned.xsid = record.xsid;
        planned.bjmc = record.bjmc;
        planned.jmje = leadingNumber(record.jmje);
        planned.jmyy = record.jmyy;
        planned.operid = record.operid;
        planned.sfyf = record.sfyf;
        planned.skr = record.skr;
        jmjl::planRecord(p, planned, draws.moment(), [&] { return jmjl::recordInsert(record); }, names);
        for (const jmjl::ItemValues& item : items)
            jmjl::planItem(p, planned.id, item, [&] { return jmjl::itemInsert(record.id, item); }, names);
        if (!settlement.empty()) settlement.erase(0, 1);
        jmjl::planSettlement(*trCn, p, jmjl::parseSettlementList(settlement), record.xsid, planned.id, run, draws,
                             names);
        plan::execute(*trCn, p);
        trCn->commitTrans();
        trCn->close();
        trCn.reset();
    } catch (const OverReduction&) {
        postingFailed(trCn, {});
        return;
    } catch (const DbError& e) {
        postingFailed(trCn, e.description());
        return;
    } catch (const std::exception& e) {
        postingFailed(trCn, e.what());
        return;
    }

    LBLdjbh.setCaption("");
    gMclose();
    msgBox(jmjl::postingSuccess(Lbl_mc.caption(), lblSumProject.caption()), MsgButtons::OK, MsgIcon::Information,
           "提示");
    Sclear();
    txtFind.SetFocus();
}

void frmjmjlNew::toUpdateHis(const std::string& xsId, const std::string& strYfXmidJe, Connection& varCn,
                             const std::string& recordId) {
    HostSystem& run = gRun();
    plan::Draws draws([&run](const std::string& counter) { return run.pGetMaxId(counter); },
                      [&run](const std::string& prefix) { return run.pGetBillNum(prefix); });
    plan::Plan p(false);
    BookNames names(varCn);
    jmjl::planSettlement(varCn, p, jmjl::parseSettlementList(strYfXmidJe), xsId, plan::Datum(Value(recordId)), run,
                         draws, names);
    plan::execute(varCn, p);
}

}  // namespace fo
