// Crediting what was already paid, from the window: the option, the grid it
// fills and the posting through the credit's own plan.
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "host/api/Rights.h"
#include "reduction/JmjlStatements.h"
#include "reduction/PaidCredit.h"
#include "reduction/ReductionChecks.h"
#include "reduction/frmjmjlNew.h"
#include "ui/RightsCheck.h"
#include "ui/frmMsg.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// What the credit will do, as the clerk confirms it: per item the payment
// it follows, the amount and the prepayment balance before and after, read
// from the plan the posting makes again under the lock.
std::string creditShown(const plan::Plan& p) {
    std::string text;
    for (const plan::Line& line : p.summary.lines) {
        if (line.cells.size() < 8 || line.cells[6].isNull()) continue;
        const std::string payment = line.cells[5].toText();
        text += jmjl::CRLF + line.cells[3].toText() + "：转入预收款 " + line.cells[4].toCurrency().format00() +
                (payment.empty() ? std::string() : "（随缴费单据 " + payment + "）") + "，预收款余额 " +
                line.cells[6].toCurrency().format00() + " → " + line.cells[7].toCurrency().format00();
    }
    return text;
}

}  // namespace

void frmjmjlNew::chkCreditPaid_Click() {
    if (chkCreditPaid.value() == 1 && refusedRight(gRun(), rights::PaidCredits, rights::Post)) {
        chkCreditPaid.setValue(0);
        return;
    }
    // The grid offers what is owed, or with the option what was paid.
    if (CMB_sflx.ListIndex() >= 0) ShowSFLX(gRun().pFindJzDate()->monthQf());
}

void frmjmjlNew::ToCredit() {
    HostSystem& run = gRun();
    if (refusedRight(run, rights::PaidCredits, rights::Post)) return;
    auto period = run.pFindJzDate();
    const std::string month = period->getYfFromDate(DTP_jmrq.dateText());
    jmjl::CreditRequest request;
    request.xsid = Lbl_mc.tag();
    request.sflxid = std::to_string(CMB_sflx.ItemData(CMB_sflx.ListIndex()));
    request.bjmc = lblBj.caption();
    request.date = DTP_jmrq.dateText();
    request.sfyf = settingOn("chkNotLimitJZ") && !month.empty() ? month : run.CurrentYf();
    request.reason = trimSpaces(txtJmyy.text());
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
        const Currency amount = leadingNumber(MSFlexGrid1.textMatrix(r, ColJm));
        if (amount.isZero()) continue;
        request.items.push_back({MSFlexGrid1.textMatrix(r, ColItemId), trimSpaces(MSFlexGrid1.textMatrix(r, ColName)),
                                 amount, trimSpaces(MSFlexGrid1.textMatrix(r, ColTerm))});
    }
    gMOpen();
    std::string shown;
    try {
        plan::Draws preview;
        const plan::Plan p = jmjl::creditPlan(cn(), run, request, preview);
        if (p.refused()) {
            gMclose();
            msgBox(jmjl::postingFailure(p.refusals.front().reason), MsgButtons::OK, MsgIcon::Exclamation, "提示");
            return;
        }
        shown = creditShown(p);
    } catch (const std::exception& e) {
        gMclose();
        msgBox(jmjl::postingFailure(e.what()), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    gMclose();
    // The credit's lines go before the question.
    const std::string asked = jmjl::confirmationText(txtXh.text(), Lbl_mc.caption(), Lbl_jmhj.caption());
    const std::size_t at = asked.rfind(std::string(jmjl::CRLF) + jmjl::CRLF);
    const std::string question = asked.substr(0, at) + jmjl::CRLF + "减免金额将转入该学生的预收款：" + shown +
                                 asked.substr(at);
    if (frmMsg::ask("请确认！", question) != 1) {
        gMclose();
        return;
    }
    gMOpen();
    try {
        jmjl::postCredit(run, request);
    } catch (const DbError& e) {
        gMclose();
        msgBox(jmjl::postingFailure(e.description()), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    } catch (const std::exception& e) {
        gMclose();
        msgBox(jmjl::postingFailure(e.what()), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    gMclose();
    msgBox(jmjl::postingSuccess(Lbl_mc.caption(), lblSumProject.caption()), MsgButtons::OK, MsgIcon::Information,
           "提示");
    Sclear();
    txtFind.SetFocus();
}

}  // namespace fo
