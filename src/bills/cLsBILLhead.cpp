#include "bills/cLsBILLhead.h"

#include <exception>
#include <stdexcept>

#include "bills/FeeCancellation.h"
#include "bills/ReceiptStatements.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"

namespace fo {
namespace {

const char* const CRLF = "\r\n";

// The register query up to its condition; `select` is "select" or
// "select top 100".
std::string registerQueryHead(const std::string& select, const std::string& categoryCondition) {
    return select +
           " a.id ,a.djbh as 编号,a.pjState as 单据状态,a.bjmc as 班级名称 ,a.xh as 学号,a.xm as 姓名,"
           "a.kprq as 开票日期 ," +
           CRLF +
           " a.hjje As 金额,b.ysk as 预收款,b.hkje as 划扣金额, a.jeDx As 大写,a.bz As 备注, "
           "a.kpr As 开票人, a.skr As 收款人, a.zfrq As 作废日期, a.zfr As 作废人, a.zfyy As 作废原因" +
           CRLF +
           "FROM PJML as a,kdw_sfjl as b,kdw_xs as c where  a.djbh=b.djbh and a.xsid=c.id " +
           categoryCondition;
}

}  // namespace

void cLsBILLhead::set_objYfAndTerm(std::shared_ptr<PeriodObject> value) {
    objYfAndTerm_ = std::move(value);
    globals().feePeriod = objYfAndTerm_;
}

void cLsBILLhead::set_SetgColSysCS(std::shared_ptr<SettingsCollection> value) {
    globals().settings = std::move(value);
}

void cLsBILLhead::set_gRun(std::shared_ptr<HostSystem> value) {
    gRun_ = std::move(value);
    globals().host = gRun_;
    globals().transLinkString = newDbInfo()->LinkString();
}

HostSystem& cLsBILLhead::host() const {
    // The object's own host when it has one; otherwise the module's.
    return gRun_ ? *gRun_ : fo::gRun();
}

bool cLsBILLhead::insertPjML(Connection& mycn, Recordset& rec, const cLsBILLhead& clsHead) {
    try {
        // The items are positioned on their first row, so there must be one:
        // a receipt without items is refused before anything is stored.
        if (rec.recordCount() == 0) throw std::invalid_argument("收据[" + clsHead.djbh() + "]没有收费项目，不能保存。");
        mycn.execute(receipt::headerInsert(clsHead, receipt::issueDateExpression(clsHead.pSql())));
        rec.moveFirst();
        while (!rec.eof()) {
            mycn.execute(receipt::itemInsert(clsHead.ID(), rec));
            rec.moveNext();
        }
        return true;
    } catch (const std::exception& e) {
        // What already ran stays on the caller's connection; the caller's
        // transaction decides its fate.
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Information, "警告");
        return false;
    }
}

void cLsBILLhead::planVoidedReceipts(Connection& cn, plan::Plan& p, plan::Draws& draws) {
    // The register may be older than the books: another clerk may have
    // voided this receipt since it was listed. Read it as it stands now.
    RecordsetPtr receipts = cn.execute(feecancel::receiptRowsQuery(djbh(), ID()));
    if (!receipts || receipts->eof())
        return p.refuse("receipt-missing", "找不到收据[" + (djbh().empty() ? ID() : djbh()) + "]，请刷新。");
    bool open = false;
    for (; !receipts->eof(); receipts->moveNext()) open = open || receipts->field("pjState").toText() != "作废";
    if (!open) return p.refuse("already-void", feecancel::kAlreadyVoidText);

    const plan::Datum now = draws.moment();
    p.run([&] {
        return feecancel::voidUpdate(receipt::issueDateExpression(pSql()), zfr(), pUseridZfr(), zfyy(), djbh(), ID());
    }, receipts->recordCount());
    for (receipts->moveFirst(); !receipts->eof(); receipts->moveNext()) {
        const Recordset& r = *receipts;
        const auto key = plan::cells({{"id", r.field("id")}});
        const std::string reason = "作废收据：" + (djbh().empty() ? ID() : djbh());
        p.update("PJML", key, "zfrq", r.field("zfrq"), now, reason);
        p.update("PJML", key, "zfr", r.field("zfr"), Value(zfr()), reason);
        p.update("PJML", key, "useridZfr", r.field("useridZfr"), Value(pUseridZfr()), reason);
        p.update("PJML", key, "zfyy", r.field("zfyy"), Value(zfyy()), reason);
        p.update("PJML", key, "pjState", r.field("pjState"), Value("作废"), reason);
    }
}

plan::Plan cLsBILLhead::planZF(Connection& cn, plan::Draws& draws) {
    plan::Plan p(!draws.posting());
    planVoidedReceipts(cn, p, draws);
    if (!p.refused()) FeeCancellation(cn, host()).planInto(p, djbh(), "", draws);
    return p;
}

bool cLsBILLhead::PJZF(Connection& mycn, const plan::Plan* seen) {
    if (globals().transLinkString.empty()) globals().transLinkString = mycn.connectionString();
    // A list's sum row is no bill: nothing is voided and no record cancelled.
    if (djbh() == "合计") return false;
    FeeCancellation cancellation(mycn, host());
    pUserid_ = cancellation.userId();
    plan::Draws draws = cancellation.postingDraws();
    plan::Plan p(false);
    planVoidedReceipts(mycn, p, draws);
    if (!p.refused()) cancellation.planInto(p, djbh(), "", draws);
    return cancellation.carryOut(p, seen);
}

bool cLsBILLhead::CancelMonthFee(Connection& trCnn, std::string varDjbh, std::string sfJLid) {
    if (varDjbh == "合计" && sfJLid.empty()) return false;
    FeeCancellation cancellation(trCnn, host());
    pUserid_ = cancellation.userId();
    return cancellation.run(varDjbh, sfJLid);
}

plan::Plan cLsBILLhead::planCancelMonthFee(Connection& cn, const std::string& varDjbh, const std::string& sfJLid) {
    plan::Plan p;
    plan::Draws preview;
    if (varDjbh == "合计" && sfJLid.empty()) return p;
    FeeCancellation(cn, host()).planInto(p, varDjbh, sfJLid, preview);
    return p;
}

std::string cLsBILLhead::getPJMLsqL(const std::string& strWhere) const {
    return registerQueryHead("select", host().getXSLBlistInSQL(" c.lb1 ")) + " and " + strWhere +
           " order by a.id desc";
}

std::string cLsBILLhead::getPJMLsqLTop100(const std::string& strWhere) const {
    std::string sql = registerQueryHead("select top 100", host().getXSLBlistInSQL(" c.lb1 "));
    if (!strWhere.empty()) sql += " and " + strWhere;
    return sql + " order by a.id desc";
}

std::string cLsBILLhead::getPJMLkpr() const {
    return std::string("select kpr") + CRLF + "FROM PJML  " + "group by kpr";
}

std::string cLsBILLhead::getPJMLstate() const {
    return std::string("select pjState") + CRLF + "FROM PJML  " + "group by pjState";
}

}  // namespace fo
