// The receivables list crediting what was paid: with the option it lists,
// per student, period and item, what live charges paid and may still be
// credited to the student's prepayment, with subtotals and a total of those
// amounts, in the rows the posting reads as it reads the arrears rows.
#include <map>
#include <tuple>
#include <vector>

#include "batch/BatchStatements.h"
#include "batch/clsYF.h"
#include "batch/frmJmBachList.h"
#include "host/api/ModuleGlobals.h"
#include "host/api/Rights.h"
#include "reduction/PaidCredit.h"
#include "ui/RightsCheck.h"
#include "ui/UiServices.h"
#include "ui/lists/TrimSpaces.h"

namespace fo {

void frmJmBachList::chkCreditPaid_Click() {
    if (crediting() && refusedRight(gRun(), rights::PaidCredits, rights::Post)) {
        chkCreditPaid.setValue(0);
        return;
    }
    // Rows listed for the other purpose are not this one's to post.
    txtWrite.setVisible(false);
    lvw1.clearItems();
    if (lvw1.columnIndexByText("本次减免金额") == ColReduce)
        lvw1.setColumnText(ColOwed, crediting() ? "可转入预收款" : "欠费金额");
}

Currency frmJmBachList::creditable(Connection& cn, const std::string& xsid, const std::string& sfyf,
                                   const std::string& itemId, int jflx, std::map<std::string, std::string>& dates) {
    HostSystem& run = gRun();
    const std::string key = std::to_string(jflx) + "|" + sfyf;
    auto day = dates.find(key);
    if (day == dates.end()) {
        clsYF yf;
        std::string first;
        if (jflx == run.jflxMonth()) yf.initdateYF(sfyf), first = yf.strYfFromDate();
        else if (jflx == run.jflxTerm()) yf.initDateTerm(sfyf), first = yf.strTermFromDate();
        else if (jflx == run.jflxYear()) yf.initDateYear(sfyf), first = yf.strYearFromDate();
        else first = run.currentYfFromDate();
        day = dates.emplace(key, first).first;
    }
    if (day->second.empty()) return {};
    return jmjl::creditCap(cn, run, xsid, itemId, day->second);
}

void frmJmBachList::listCreditable(Connection& cn, const std::string& category, const std::string& periodIds,
                                   const std::string& classId, const std::string& strWhere) {
    HostSystem& run = gRun();
    // A term's or year's item paid in several of its months is one row of
    // its period, as the arrears list keys it.
    struct Paid {
        std::string xsid, xh, xm, bjmc, period, item, itemId;
        int jflx = 0;
    };
    std::vector<Paid> paid;
    std::map<std::tuple<std::string, std::string, std::string>, std::size_t> seen;
    auto fees = run.pFindJzDate();
    const std::string was = fees ? fees->monthQf() : std::string();
    for (RecordsetPtr rs = cn.execute(batch::paidItems(category, periodIds, itemIds_, trimSpaces(txtBh.text()), classId,
                                                       strWhere));
         rs && !rs->eof(); rs->moveNext()) {
        Paid p{rs->field("xsid").toText(), rs->field("xh").toText(), rs->field("xm").toText(),
               rs->field("bjmc").toText(), rs->field("sfyf").toText(), rs->field("收费项目").toText(),
               rs->field("XMID").toText(), static_cast<int>(rs->field("JFLX").toInt())};
        if (p.jflx == run.jflxOne()) {
            p.period = "一次性";
        } else if (fees && p.jflx != run.jflxMonth()) {
            fees->setDdateFromYF(p.period);
            p.period = p.jflx == run.jflxTerm() ? fees->termTag() : fees->yearTag();
        }
        if (p.period.empty() || !seen.emplace(std::tuple{p.xsid, p.period, p.itemId}, paid.size()).second) continue;
        paid.push_back(std::move(p));
    }
    if (fees && !was.empty()) fees->setDdateFromYF(was);

    long n = 0;
    std::string student, period, className;
    Currency studentSum, allSum;
    std::map<std::string, std::string> dates;
    auto subtotal = [&] {
        ++n;
        const std::string empty[4];
        appendListRow(student + "__" + std::to_string(n) + "_0", empty, "合计", studentSum.format00());
        studentSum = Currency();
    };
    for (const Paid& p : paid) {
        ProgressBar1.setValue(std::min(ProgressBar1.value() + 1, ProgressBar1.max()));
        ui().doEvents();
        const Currency cap = creditable(cn, p.xsid, p.period, p.itemId, p.jflx, dates);
        if (cap <= Currency()) continue;
        ++n;
        const std::string key = p.xsid + "_" + p.period + "_" + std::to_string(n) + "_" + p.itemId + "_" +
                                std::to_string(p.jflx);
        if (!student.empty() && p.xsid != student) subtotal();
        studentSum += cap;
        allSum += cap;
        const bool continued = p.xsid == student && p.period == period && p.bjmc == className;
        student = p.xsid;
        className = p.bjmc;
        period = p.period;
        const std::string empty[4], cells[4] = {p.xh, p.xm, p.bjmc, p.period};
        appendListRow(key, continued ? empty : cells, p.item, cap.format00());
    }
    if (student.empty()) return;
    subtotal();
    const std::string total[4] = {"", "", "", "总计"};
    appendListRow("0__" + std::to_string(n + 1) + "_0", total, "", allSum.format00());
}

}  // namespace fo
