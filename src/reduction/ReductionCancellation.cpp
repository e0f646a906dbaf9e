#include "reduction/ReductionCancellation.h"

#include "data/posting/ArrearsReopening.h"
#include "data/BookNames.h"
#include "data/posting/PostingChecks.h"
#include "data/Dialect.h"
#include "reduction/JmjlStatements.h"
#include "reduction/PaidCredit.h"
#include "reduction/ReductionChecks.h"

namespace fo::jmjl {
namespace {

using plan::cells;
using plan::Datum;

Datum negated(const Value& v) { return v.isNull() ? Datum() : Datum(Value(-v.toCurrency())); }

bool any(Connection& cn, const std::string& sql) {
    RecordsetPtr rs = cn.execute(sql);
    return rs && !rs->eof() && rs->field(std::size_t{0}).toInt() > 0;
}

// A reduction that settled no stored arrears reduced the coming charges of
// the periods that hold its date. The month-end carry-over turns what is
// left of a period's charges into stored arrears, this reduction taken off:
// once it has, a mirror would put the reduction back on the books but not
// on what the student owes. Such a reduction stays; the period it names is
// given, or "" when it may be cancelled.
std::string carriedOverPeriod(Connection& cn, HostSystem& run, const std::string& id, const Recordset& record) {
    if (any(cn, "select count(*) from qfhzb where jmjlid<>0 and jmjlid=" + id)) return {};
    const Value date = record.field("sfrq");
    PeriodsOfDate held = periodsOfDate(run, date.toDate() ? date.toDate()->dateText() : date.toText());
    // An undated reduction is for the month it was made in.
    if (held.month.empty()) held.month = record.field("sfyf").toText();
    const std::string xsid = std::to_string(record.field("xsid").toInt());
    for (RecordsetPtr items = cn.execute("select i.sfxmid,x.jflx from kdw_sfjlmx as i inner join kdw_sfxm as x on"
                                         " x.id=i.sfxmid where i.sfjlid=" + id + " order by i.sfxmid");
         items && !items->eof(); items->moveNext()) {
        const int kind = static_cast<int>(items->field("jflx").toInt());
        const std::string item = std::to_string(items->field("sfxmid").toInt());
        if (kind == run.jflxMonth()) {
            // A carried-over month is stored for good, whatever it left owing.
            if (!held.month.empty() &&
                any(cn, "select count(*) from hisxsinfo where xsid=0 and jzyf=" + sqlQuoted(held.month)))
                return held.month;
            continue;
        }
        // A term, year or one-off period is stored once a carry-over has
        // stored the item in it for the student.
        const std::string period = kind == run.jflxTerm()   ? held.term
                                   : kind == run.jflxYear() ? held.year
                                   : kind == run.jflxOne()  ? std::string("一次性")
                                                            : std::string();
        if (!period.empty() &&
            any(cn, "select count(*) from qfhzb as h inner join qfmxb as q on q.qfkid=h.qfkid where h.xsid=" + xsid +
                        " and h.qfyf=" + sqlQuoted(period) + " and q.sfxmid=" + item))
            return period;
    }
    return {};
}

}  // namespace

plan::Plan cancellationPlan(Connection& cn, HostSystem& run, const std::string& id, const std::string& operatorName,
                            plan::Draws& draws) {
    plan::Plan p(!draws.posting());
    // The list may be older than the books: another clerk may have
    // cancelled this reduction since. Read as it stands now.
    const std::string notLive = cancellationRefusal(recordStanding(cn, "id=" + number(id, "id")));
    if (!notLive.empty()) {
        p.refuse("not-live", notLive);
        return p;
    }
    // Every remainder row the reduction split off must still be open and
    // untouched, or a later operation depends on it and goes first.
    const std::vector<LaterOperation> later = laterOperations(cn, isSqlServer(run.SQL_access()), "jmjlid", id);
    if (!later.empty()) {
        p.refuse("reverse-order", reverseOrderRefusal() + CRLF + CRLF + laterOperationsText(later),
                 later.front().recordId, later.front().djbh);
        return p;
    }

    RecordsetPtr record = cn.execute("select * from kdw_sfjl where id=" + id);
    const Recordset& r = *record;
    const std::string djbh = r.field("djbh").toText();
    if (const std::string period = carriedOverPeriod(cn, run, id, r); !period.empty()) {
        p.refuse("carried-over", carriedOverRefusal(djbh, period));
        return p;
    }

    // A credit to the prepayment comes back out of the balance, unless a
    // later charge has spent it: that charge is cancelled first.
    plan::Plan takeBack(p.preview());
    planCreditTakeBack(cn, run, takeBack, id);
    if (takeBack.refused()) {
        const plan::Refusal& r = takeBack.refusals.front();
        p.refuse(r.code, r.reason, r.laterId, r.laterDjbh);
        return p;
    }

    BookNames names(cn);
    const Datum B = draws.number("QXJM");
    const Datum N = draws.id("INandOutML");
    const Datum now = draws.moment();
    const std::string userId = run.gUserid();
    p.run([&] { return mirrorRecordInsert(B.text(), N.text(), draws.now(), operatorName, userId, id); }, 1);
    p.insert("kdw_sfjl", cells({{"id", N}}),
             cells({{"djbh", B}, {"id", N}, {"sfrq", now}, {"sflxid", r.field("sflxid")}, {"xsid", r.field("xsid")},
                    {"bjmc", r.field("bjmc")}, {"je", negated(r.field("je"))}, {"tzje", negated(r.field("tzje"))},
                    {"zhekou", negated(r.field("zhekou"))}, {"scjy", negated(r.field("scjy"))},
                    {"hkje", negated(r.field("hkje"))}, {"ssje", negated(r.field("ssje"))},
                    {"ysk", negated(r.field("ysk"))}, {"InOrOut", r.field("InOrOut")}, {"skzhid", r.field("skzhid")},
                    {"skr", Value(operatorName)}, {"bz", r.field("bz")}, {"rq", now}, {"operid", Value(userId)},
                    {"sfyf", r.field("sfyf")}, {"ysfjlid", Value(id)}, {"jmje", negated(r.field("jmje"))}}),
             "冲销减免记录：" + djbh + "（金额取反）");

    RecordsetPtr items = cn.execute("select * from kdw_sfjlmx where sfjlid=" + id);
    p.run([&] { return mirrorItemsInsert(N.text(), id); }, items ? items->recordCount() : 0);
    for (; items && !items->eof(); items->moveNext()) {
        const Recordset& i = *items;
        p.insert("kdw_sfjlmx", cells({{"sfjlid", N}, {"sfxmid", i.field("sfxmid")}}),
                 cells({{"sfjlid", N}, {"sfxmid", i.field("sfxmid")}, {"je", negated(i.field("je"))},
                        {"ysje", negated(i.field("ysje"))}, {"ye", negated(i.field("ye"))},
                        {"jmje", negated(i.field("jmje"))}, {"ysk", negated(i.field("ysk"))},
                        {"feetermname", i.field("feetermname")},
                        {"cqts", i.field("cqts")}, {"termfrom", i.field("termfrom")}, {"termto", i.field("termto")}}),
                 "冲销减免明细：" + names.item(i.field("sfxmid")) + " " + format00(i.field("jmje")));
    }
    plan::planReopening(cn, p, plan::kByReduction, id, arrearsRestore(id), names);
    p.append(takeBack);
    return p;
}

}  // namespace fo::jmjl
