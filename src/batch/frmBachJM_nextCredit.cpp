// The wizard's second step crediting what was paid: with the option the grid
// offers what the ticked students paid of the period and may still have
// credited, and the posting books one credit per student through the
// single window's credit plan, all in one transaction.
#include "batch/BatchStatements.h"
#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "host/api/Rights.h"
#include "ui/FormInstance.h"
#include "ui/PostingProgress.h"
#include "ui/RightsCheck.h"
#include "ui/frmPlanPreview.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/mdl1.h"

namespace fo {

void frmBachJM_next::chkCreditPaid_Click() {
    if (crediting() && refusedRight(gRun(), rights::PaidCredits, rights::Post)) {
        chkCreditPaid.setValue(0);
        return;
    }
    // The grid offers what is owed, or with the option what was paid.
    ShowSFLX();
}

void frmBachJM_next::showCreditable() {
    owedShown_.clear();
    const std::string firstDay = periodFirstDay();
    if (MSFlexGrid1.rows() < 2 || !DateTime::parse(firstDay)) return;
    ConnectionPtr cn = openConnection(moduleLinkString());
    const std::vector<frmBachJM::Student> students = formInstance<frmBachJM>()->tickedStudents();
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
        const std::string itemId = MSFlexGrid1.textMatrix(r, ColItemId);
        Currency most;
        for (const frmBachJM::Student& s : students) {
            const Currency cap = jmjl::creditCap(*cn, gRun(), s.id, itemId, firstDay);
            owedShown_[{jmjl::idKey(s.id), jmjl::idKey(itemId)}] = cap;
            if (cap > most) most = cap;
        }
        MSFlexGrid1.setTextMatrix(r, ColYs, most.format00());
    }
}

std::vector<jmjl::CreditRequest> frmBachJM_next::creditRequests(const std::string& jmrq) {
    std::vector<jmjl::CreditedItem> items;
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
        const Currency amount = leadingNumber(MSFlexGrid1.textMatrix(r, ColJm));
        if (amount.isZero()) continue;
        items.push_back({MSFlexGrid1.textMatrix(r, ColItemId), trimSpaces(MSFlexGrid1.textMatrix(r, ColName)), amount,
                         trimSpaces(MSFlexGrid1.textMatrix(r, ColTerm))});
    }
    std::vector<jmjl::CreditRequest> requests;
    const std::string sflxid = std::to_string(CMB_sflx.ItemData(CMB_sflx.ListIndex()));
    for (const frmBachJM::Student& s : formInstance<frmBachJM>()->tickedStudents()) {
        jmjl::CreditRequest r{s.id, sflxid, s.className, jmrq, gRun().CurrentYf(), trimSpaces(txtJMYY.text()), items};
        r.oncePerPeriod = true;
        requests.push_back(std::move(r));
    }
    return requests;
}

void frmBachJM_next::previewCredits(const std::string& jmrq) {
    const std::vector<jmjl::CreditRequest> requests = creditRequests(jmrq);
    std::vector<plan::Plan> seen;
    plan::Plan whole;
    whole.summary.captions = jmjl::creditLineCaptions();
    int refused = 0;
    Currency total;
    try {
        gMOpen();
        ConnectionPtr cn = openConnection(moduleLinkString());
        seen = jmjl::previewCredits(*cn, gRun(), requests);
        gMclose();
    } catch (const std::exception& e) {
        gMclose();
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        whole.append(seen[i]);
        if (seen[i].refused()) ++refused;
        else
            for (const jmjl::CreditedItem& item : requests[i].items) total += item.amount;
    }
    frmPlanPreview::Request request;
    request.caption = "批量减免预览";
    request.heading = "已缴费用的减免转入预收款，所属期: " + LBLyf.caption() + "-" + cmbYF.text() + "，收费类型: " +
                      CMB_sflx.text();
    request.confirmCaption = "确定减免";
    request.totals = "学生 " + std::to_string(requests.size()) + " 人，转入预收款合计 " + total.format00() +
                     (refused ? "，" + std::to_string(refused) + " 人不能减免，整批不会记账" : std::string());
    if (frmPlanPreview::show(request, whole) != frmPlanPreview::Confirm || !confirmed()) return;
    postCredits(jmrq, &seen);
}

void frmBachJM_next::postCredits(const std::string& jmrq, const std::vector<plan::Plan>* seen) {
    JMmxCollection items;
    if (!readItems(items, true)) return;
    const std::vector<frmBachJM::Student> students = formInstance<frmBachJM>()->tickedStudents();
    const std::vector<jmjl::CreditRequest> requests = creditRequests(jmrq);
    std::vector<std::string> refusals;
    gMOpen();
    try {
        PostingProgress progress("正在为 " + std::to_string(students.size()) + " 名学生记账减免…",
                                 static_cast<long>(students.size()), &cmd_ok);
        refusals = jmjl::postCredits(gRun(), requests, seen, [&progress] { progress.step(); });
    } catch (const DbError& e) {
        gMclose();
        msgBox(std::string("操作失败！") + batch::CRLF + e.description(), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    } catch (const std::exception& e) {
        gMclose();
        msgBox(std::string("操作失败！") + batch::CRLF + e.what(), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    gMclose();
    std::vector<std::string> refused;
    for (std::size_t i = 0; i < refusals.size() && i < students.size(); ++i)
        if (!refusals[i].empty()) refused.push_back(students[i].number + " " + students[i].name + "：" + refusals[i]);
    if (!refused.empty()) {
        msgBox(batch::refusedPostings(refused), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    try {
        showCreditable();
    } catch (const std::exception&) {
        owedShown_.clear();
    }
    msgBox(std::string("操作成功！") + batch::CRLF + "转入预收款：" + lblSumProject.caption(), MsgButtons::OK,
           MsgIcon::Information, "提示");
}

}  // namespace fo
