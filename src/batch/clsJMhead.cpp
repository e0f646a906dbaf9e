#include "batch/clsJMhead.h"

#include "batch/ReductionStatements.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/ArrearsSettlement.h"
#include "reduction/ReductionChecks.h"
#include "ui/TrimSpaces.h"

namespace fo {

HostSystem& clsJMhead::host() const { return myGrun_ ? *myGrun_ : fo::gRun(); }

void clsJMhead::toJm(Connection& trCnn) {
    HostSystem& run = host();
    // Drawn anew on every call, so every student of a batch has his own
    // record and number; a rolled-back batch leaves a gap in both counters.
    batch::ReductionRecord record;
    record.djbh = run.pGetBillNum("JM");
    auditPosting(trCnn, "批量减免", record.djbh, c_Jmhj_);
    record.id = run.pGetMaxId("INandOutML");
    record.sfrq = str_Jmrq_;
    record.sflxid = str_Sflxid_;
    record.xsid = STR_xsid_;
    // Class name and reason as typed: the insert quotes them, once.
    record.bjmc = trimSpaces(str_bjmc_);
    record.jmje = c_Jmhj_;
    record.jmyy = trimSpaces(str_JMYY_);
    record.rq = DateTime::now();
    record.operid = run.gUserid();
    record.sfyf = run.CurrentYf();
    record.skr = run.gusername();

    std::string settlement;
    std::vector<jmjl::ReducedItem> reduced;
    Currency sum;
    for (const clsJMmx& item : colMX_) {
        settlement += "," + batch::settlementEntry(item);
        if (item.sngJMje() > item.sngYsje()) {
            msgBox(batch::overReductionWarning(item), MsgButtons::OK, MsgIcon::Information, "警告！");
            throw DbError(1, "操作失败！");
        }
        if (const std::string bad = jmjl::amountRefusal(item.strXmmc(), item.sngJMje()); !bad.empty())
            throw jmjl::ReductionRefused(bad);
        reduced.push_back({item.strQFYF(), item.strXmid(), item.strXmmc(), item.sngJMje(), {}});
        sum += item.sngJMje();
    }
    // A record is the sum of its items; a caller's total that is not (also
    // a total without items) would leave the books disagreeing with themselves.
    if (sum != c_Jmhj_)
        throw jmjl::ReductionRefused("减免合计 " + c_Jmhj_.format00() + " 与各项目减免金额之和 " + sum.format00() +
                                     " 不符。");
    // What the student owes now, in this transaction, before it writes.
    if (const std::string refusal = jmjl::stillOwedRefusal(trCnn, run, STR_xsid_, str_Jmrq_, reduced);
        !refusal.empty())
        throw jmjl::ReductionRefused(refusal);

    trCnn.execute(batch::recordInsert(record));
    for (const clsJMmx& item : colMX_) trCnn.execute(batch::itemInsert(record.id, item));
    if (!settlement.empty()) settlement.erase(0, 1);
    toUpdateHis(STR_xsid_, settlement, trCnn, record.id);
}

void clsJMhead::toUpdateHis(const std::string& xsId, const std::string& strYfXmidJe,
                            Connection& varCn, const std::string& VsfJlid) {
    const jmjl::SettlementList list = jmjl::parseSettlementList(strYfXmidJe);
    if (list.months.empty()) return;  // nothing reduced, nothing to settle

    // The open rows as they stand in the caller's transaction, which holds
    // the books' write lock: what toJm checked is what it settles, and a
    // student posted twice in one batch sees his first posting.
    RecordsetPtr open = varCn.execute(jmjl::openArrearsQuery(xsId, list.months));
    if (!open) return;

    jmjl::settleOpenArrears(*open, list, xsId, VsfJlid, varCn, host());
    open->close();
}

}  // namespace fo
