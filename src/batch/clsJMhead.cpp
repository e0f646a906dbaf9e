#include "batch/clsJMhead.h"

#include "batch/ReductionStatements.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/ArrearsSettlement.h"

namespace fo {

HostSystem& clsJMhead::host() const { return myGrun_ ? *myGrun_ : fo::gRun(); }

void clsJMhead::toJm(Connection& trCnn) {
    HostSystem& run = host();
    // Drawn anew on every call, so every student of a batch has his own
    // record and number; a rolled-back batch leaves a gap in both counters.
    batch::ReductionRecord record;
    record.djbh = run.pGetBillNum("JM");
    record.id = run.pGetMaxId("INandOutML");
    record.sfrq = str_Jmrq_;
    record.sflxid = str_Sflxid_;
    record.xsid = STR_xsid_;
    record.bjmc = run.ptrim(str_bjmc_);
    record.jmje = c_Jmhj_;
    record.jmyy = run.ptrim(str_JMYY_);
    record.rq = DateTime::now();
    record.operid = run.gUserid();
    record.sfyf = run.CurrentYf();
    record.skr = run.gusername();
    trCnn.execute(batch::recordInsert(record));

    std::string settlement;
    for (const clsJMmx& item : colMX_) {
        settlement += "," + batch::settlementEntry(item);
        if (item.sngJMje() > item.sngYsje()) {
            msgBox(batch::overReductionWarning(item), MsgButtons::OK, MsgIcon::Information, "警告！");
            // What this call already wrote stays for the caller's rollback.
            throw DbError(1, "操作失败！");
        }
        trCnn.execute(batch::itemInsert(record.id, item));
    }
    if (!settlement.empty()) settlement.erase(0, 1);
    toUpdateHis(STR_xsid_, settlement, trCnn, record.id);
}

Connection& clsJMhead::openRowsReader() {
    const std::string link = moduleLinkString(myGrun_);
    // It only ever reads, outside any transaction, so keeping it open between
    // the students of a batch changes nothing but the cost of opening it.
    if (!reader_ || reader_->state() != Connection::Open || readerLink_ != link) {
        reader_ = openConnection(link);
        readerLink_ = link;
    }
    return *reader_;
}

void clsJMhead::toUpdateHis(const std::string& xsId, const std::string& strYfXmidJe,
                            Connection& varCn, const std::string& VsfJlid) {
    const jmjl::SettlementList list = jmjl::parseSettlementList(strYfXmidJe);
    if (list.months.empty()) return;  // nothing reduced, nothing to settle

    // The open rows as committed before this posting: read on a connection
    // of their own, so the read neither joins nor waits on the transaction.
    RecordsetPtr open = openRowsReader().execute(jmjl::openArrearsQuery(xsId, list.months));
    if (!open) return;

    jmjl::settleOpenArrears(*open, list, xsId, VsfJlid, varCn, host());
    open->close();
}

}  // namespace fo
