// The plan of a charge cancellation: what each of its statements will write,
// worked out from the stored rows, and carrying it out.
#include "bills/FeeCancellation.h"

#include "data/posting/ArrearsReopening.h"
#include "data/BookNames.h"
#include "data/Dialect.h"
#include "data/posting/LaterCredits.h"
#include "data/posting/PostingChecks.h"
#include "db/DbError.h"
#include "db/values/TextCase.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

using plan::cells;
using plan::Datum;

const char* const CRLF = "\r\n";

// The hourglass for the length of the writes; it comes back on every way
// out, a refusal or an error included, so the clerk is never left waiting
// on a pointer.
class WaitCursor {
public:
    WaitCursor() { gMOpen(); }
    ~WaitCursor() { gMclose(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string idText(const Value& v) { return std::to_string(v.toInt()); }

// "0-x" of a mirror: null stays null.
Datum negated(const Value& v) { return v.isNull() ? Datum() : Datum(Value(-v.toCurrency())); }

long rowCount(const RecordsetPtr& rs) { return rs ? rs->recordCount() : 0; }

// A stored date written back as it was read: its day, and its time when it
// has one.
std::string dateLiteral(const Value& v) {
    const std::optional<DateTime> d = v.toDate();
    return d ? "'" + d->defaultText() + "'" : "NULL";
}

}  // namespace

FeeCancellation::FeeCancellation(Connection& cn, HostSystem& ownHost)
    : cn_(cn), ownHost_(ownHost), dbInfo_(newDbInfo()) {
    userName_ = dbInfo_->UserName();
    userId_ = dbInfo_->UserId();
}

plan::Draws FeeCancellation::postingDraws() {
    DbInfo* info = dbInfo_.get();
    return plan::Draws([info](const std::string& table) { return info->NextId(table, 1); },
                       [info](const std::string& prefix) { return info->NextBillNo(prefix); });
}

void FeeCancellation::planInto(plan::Plan& p, const std::string& varDjbh, const std::string& sfJLid,
                               plan::Draws& draws) {
    // Read as the books stand now (for a posting: on the caller's
    // transaction, under the books' write lock): what the window showed may
    // have been cancelled by another clerk since.
    RecordsetPtr source =
        cn_.execute(feecancel::sourceRecordQuery(isSqlServer(dbInfo_->SqlKind()), varDjbh, sfJLid));
    if (!source || source->eof()) return p.refuse("missing", notCancellable(varDjbh, sfJLid));
    const std::string O = idText(source->field("id"));
    const std::string S = idText(source->field("xsid"));
    const Value hkje = source->field("hkje"), ysk = source->field("ysk"), sfyf = source->field("sfyf");

    // Month keys compare as text ("202609" < "202610"). A record without a
    // fee month is not treated as carried over.
    if (!sfyf.isNull() && sfyf.toText() < ownHost_.CurrentYf())
        return p.refuse("carried-over", feecancel::kCarriedOverText);
    const bool sqlServerB = isSqlServer(fo::gRun().SQL_access());
    // Every remainder row split off the rows this charge settled.
    const std::vector<LaterOperation> later = laterOperations(cn_, sqlServerB, "sfjlid", O);
    if (!later.empty())
        return p.refuse("later-operation",
                        std::string(feecancel::kLaterOperationText) + CRLF + CRLF + laterOperationsText(later),
                        later.front().recordId, later.front().djbh);
    // A reduction that credited what this charge paid to the prepayment
    // stands on the payment: it is cancelled first.
    if (const LaterCredit credit = creditAfterCharge(cn_, O); !credit.id.empty())
        return p.refuse("later-operation",
                        std::string(feecancel::kLaterOperationText) + CRLF + CRLF + "减免[" + credit.djbh +
                            "]已将本次收费的已缴费用转入预收款。",
                        credit.id, credit.djbh);

    BookNames names(cn_);
    const Datum D = draws.number("QXSF");
    const Datum N = draws.id("INandOutML");
    const Datum now = draws.moment();
    const Datum U{Value(userId_)};
    const Datum sourceId{Value(O)}, student{Value(S)};
    feecancel::Mirror m{O, N.text(), D.text(), userId_, userName_, draws.now()};
    RecordsetPtr record = cn_.execute("select * from kdw_sfjl where id=" + O);
    const std::string djbh = record->field("djbh").toText();

    RecordsetPtr header = cn_.execute("select * from INandOutML where id=" + O);
    p.run([&] { return feecancel::journalHeaderMirror(m); }, rowCount(header));
    for (; header && !header->eof(); header->moveNext()) {
        const Recordset& h = *header;
        p.insert("INandOutML", cells({{"id", N}}),
                 cells({{"djbh", D}, {"id", N}, {"cw_date", h.field("cw_date")}, {"je", negated(h.field("je"))},
                        {"userID", U}, {"jzyf", h.field("jzyf")}, {"czrq", now}, {"jbr", h.field("jbr")},
                        {"zy", "取消收费"}, {"checked", h.field("checked")}, {"yjlid", sourceId}}),
                 "冲销日记账：" + djbh);
    }
    RecordsetPtr lines = cn_.execute("select * from INandOut where num=" + O);
    p.run([&] { return feecancel::journalLinesMirror(m); }, rowCount(lines));
    for (; lines && !lines->eof(); lines->moveNext()) {
        const Recordset& l = *lines;
        p.insert("INandOut", cells({{"num", N}, {"subid", l.field("subid")}}),
                 cells({{"num", N}, {"subid", l.field("subid")}, {"addje", negated(l.field("addje"))},
                        {"subje", negated(l.field("subje"))}, {"jd", l.field("jd")}, {"rootid", l.field("rootid")}}),
                 "冲销日记账明细：" + djbh);
    }

    p.run([&] { return feecancel::feeRecordMirror(m); }, 1);
    const Recordset& r = *record;
    p.insert("kdw_sfjl", cells({{"id", N}}),
             cells({{"djbh", D}, {"id", N}, {"sfrq", now}, {"sflxid", r.field("sflxid")}, {"xsid", r.field("xsid")},
                    {"bjmc", r.field("bjmc")}, {"je", negated(r.field("je"))}, {"tzje", negated(r.field("tzje"))},
                    {"zhekou", negated(r.field("zhekou"))}, {"scjy", negated(r.field("scjy"))},
                    {"hkje", negated(r.field("hkje"))}, {"ssje", negated(r.field("ssje"))},
                    {"ysk", negated(r.field("ysk"))}, {"InOrOut", r.field("InOrOut")}, {"skzhid", r.field("skzhid")},
                    {"skr", Value(userName_)}, {"bz", r.field("bz")}, {"rq", now}, {"operid", U},
                    {"sfyf", r.field("sfyf")}, {"ysfjlid", sourceId}}),
             "冲销收费记录：" + djbh + "（金额取反）");

    // The prepayment each item took goes back to the student's balance of it.
    for (RecordsetPtr shares = cn_.execute(feecancel::prepaidSharesQuery(sqlServerB, O)); shares && !shares->eof();
         shares->moveNext()) {
        const Value item = shares->field("sfxmid");
        const std::string share = plainAmount(shares->field("yskJe"));
        RecordsetPtr balances = cn_.execute("select ysk from XS_SFXM_YSK where sfxmid=" + idText(item) +
                                            " and xsid=" + S);
        p.run([&] { return feecancel::prepaidShareGiveBack(share, idText(item), S); }, rowCount(balances));
        for (; balances && !balances->eof(); balances->moveNext()) {
            const Value before = balances->field("ysk");
            p.update("XS_SFXM_YSK", cells({{"xsid", student}, {"sfxmid", item}}), "ysk", before,
                     Value(before.toCurrency() - *Currency::parse(share)),
                     "退回预收款：" + names.student(student.value) + "，" + names.item(item));
        }
    }

    RecordsetPtr pupil = cn_.execute("select scsfrq,bcsfrq,ysk from kdw_xs where id=" + S);
    const long pupils = rowCount(pupil);
    const std::string pupilReason = "学生 " + names.student(student.value) + "：清除本次收费日期，退回预收款";
    p.run([&] { return feecancel::lastChargeDateClear(S); }, pupils);
    if (pupils) p.update("kdw_xs", cells({{"id", student}}), "bcsfrq", pupil->field("bcsfrq"), Value(), pupilReason);
    // A record that kept the dates it replaced gives them back, unless a
    // later charge of his has moved them on since: they are then that
    // charge's. A record without them (his first charge, which found both
    // empty, or one written before records kept them) only clears the last.
    const Value keptLast = record->field("ybcsfrq"), keptPrevious = record->field("yscsfrq");
    if (pupils && !(keptLast.isNull() && keptPrevious.isNull())) {
        RecordsetPtr later = cn_.execute(feecancel::laterDatedRecordsQuery(S, O));
        const bool movedOn = later && !later->eof();
        const std::string datesReason = "学生 " + names.student(student.value) +
                                        (movedOn ? "：其后的收费已改过收费日期，保留" : "：恢复本次收费前的收费日期");
        const Value last = movedOn ? pupil->field("bcsfrq") : keptLast;
        const Value previous = movedOn ? pupil->field("scsfrq") : keptPrevious;
        p.run([&, movedOn] {
            return movedOn ? "update kdw_xs set bcsfrq=" + dateLiteral(last) + " where id=" + S
                           : feecancel::chargeDatesRestore(S, O);
        }, 1);
        p.update("kdw_xs", cells({{"id", student}}), "bcsfrq", Value(), last, datesReason);
        if (!movedOn)
            p.update("kdw_xs", cells({{"id", student}}), "scsfrq", pupil->field("scsfrq"), previous, datesReason);
    }

    RecordsetPtr items = cn_.execute("select * from kdw_sfjlmx where sfjlid=" + O);
    p.run([&] { return feecancel::itemRowsMirror(m); }, rowCount(items));
    for (; items && !items->eof(); items->moveNext()) {
        const Recordset& i = *items;
        p.insert("kdw_sfjlmx", cells({{"sfjlid", N}, {"sfxmid", i.field("sfxmid")}}),
                 cells({{"sfjlid", N}, {"sfxmid", i.field("sfxmid")}, {"je", negated(i.field("je"))},
                        {"ysje", negated(i.field("ysje"))}, {"ye", negated(i.field("ye"))},
                        {"feetermname", i.field("feetermname")}, {"cqts", i.field("cqts")},
                        {"termfrom", i.field("termfrom")}, {"termto", i.field("termto")},
                        {"ysk", negated(i.field("ysk"))}}),
                 "冲销收费明细：" + names.item(i.field("sfxmid")) + " " + format00(i.field("je")));
    }

    // The charge took hkje from the balance and added ysk to it; Access
    // keeps two decimals after each step.
    const std::string hk = plainAmount(hkje), yk = plainAmount(ysk);
    const std::vector<std::string> restore = feecancel::balanceRestore(sqlServerB, hk, yk, S);
    Currency balance = pupils ? pupil->field("ysk").toCurrency() : Currency();
    for (std::size_t k = 0; k < restore.size(); ++k) {
        p.run([&] { return restore[k]; }, pupils);
        const Currency before = balance;
        balance = k == 0 ? balance + hkje.toCurrency() : balance - ysk.toCurrency();
        if (!sqlServerB) balance = balance.roundHalfAway(2);
        if (pupils) p.update("kdw_xs", cells({{"id", student}}), "ysk", Value(before), Value(balance), pupilReason);
    }

    const std::vector<std::string> removal = feecancel::transferRemoval(sqlServerB, O);
    const std::string transfers = "select id from kdw_sfjl where " + nullToZero(sqlServerB, "hkid") + "<>0 and  hkid=" + O;
    RecordsetPtr transferItems = cn_.execute("select sfjlid,sfxmid,je from kdw_sfjlmx where sfjlid in(" + transfers + ")");
    p.run([&] { return removal[0]; }, rowCount(transferItems));
    for (; transferItems && !transferItems->eof(); transferItems->moveNext())
        p.remove("kdw_sfjlmx",
                 cells({{"sfjlid", transferItems->field("sfjlid")}, {"sfxmid", transferItems->field("sfxmid")}}),
                 plan::cellsBefore({{"je", transferItems->field("je")}}), "删除本次收费产生的划转明细");
    RecordsetPtr transferRecords = cn_.execute("select id,djbh,je from kdw_sfjl where " +
                                               nullToZero(sqlServerB, "hkid") + "<>0 and  hkid=" + O);
    p.run([&] { return removal[1]; }, rowCount(transferRecords));
    for (; transferRecords && !transferRecords->eof(); transferRecords->moveNext())
        p.remove("kdw_sfjl", cells({{"id", transferRecords->field("id")}}),
                 plan::cellsBefore({{"djbh", transferRecords->field("djbh")}, {"je", transferRecords->field("je")}}),
                 "删除本次收费产生的划转记录：" + transferRecords->field("djbh").toText());

    plan::planReopening(cn_, p, plan::kByCharge, O, feecancel::arrearsReopening(O), names);
}

bool FeeCancellation::carryOut(const plan::Plan& p, const plan::Plan* seen) {
    auto refuse = [](const std::string& text, MsgIcon icon) {
        msgBox(text, MsgButtons::OK, icon, feecancel::kWarningTitle);
        return false;
    };
    if (const plan::Refusal* r = p.refusal("missing")) throw DbError(dberr::NoCurrentRow, r->reason);
    if (const plan::Refusal* r = p.refusal("receipt-missing")) throw DbError(dberr::NoCurrentRow, r->reason);
    if (const plan::Refusal* r = p.refusal("already-void")) return refuse(r->reason, MsgIcon::None);
    if (const plan::Refusal* r = p.refusal("carried-over")) return refuse(r->reason, MsgIcon::Information);
    if (const plan::Refusal* r = p.refusal("later-operation")) return refuse(r->reason, MsgIcon::Exclamation);
    if (seen) {
        const std::vector<std::string> changed = plan::differences(*seen, p);
        if (!changed.empty()) return refuse(plan::changedSincePreview(changed), MsgIcon::Exclamation);
    }
    WaitCursor wait;
    plan::execute(cn_, p);
    return true;
}

bool FeeCancellation::run(const std::string& varDjbh, const std::string& sfJLid, const plan::Plan* seen) {
    plan::Draws draws = postingDraws();
    plan::Plan p(false);
    planInto(p, varDjbh, sfJLid, draws);
    return carryOut(p, seen);
}

std::string FeeCancellation::notCancellable(const std::string& varDjbh, const std::string& sfJLid) {
    const std::string id = trimWhitespace(sfJLid);
    const RecordStanding record = recordStanding(
        cn_, id.empty() ? "djbh='" + sqlQuote(varDjbh) + "'" : "id=" + feecancel::number(id, "sfJLid"));
    switch (record.state) {
        case RecordState::Missing: return "找不到收费记录[" + (id.empty() ? varDjbh : id) + "]，请刷新。";
        case RecordState::Cancelled: return "收费记录[" + record.djbh + "]已被取消，不能再次取消，请刷新。";
        case RecordState::Mirror: return "[" + record.djbh + "]是取消收费时记下的冲销记录，不能取消。";
        case RecordState::Live: break;
    }
    return "收费记录[" + record.djbh + "]没有对应的收据，不能取消。";
}

}  // namespace fo
