#include "reduction/ReductionCancellation.h"

#include "data/posting/ArrearsReopening.h"
#include "data/BookNames.h"
#include "data/posting/PostingChecks.h"
#include "reduction/JmjlStatements.h"

namespace fo::jmjl {
namespace {

using plan::cells;
using plan::Datum;

Datum negated(const Value& v) { return v.isNull() ? Datum() : Datum(Value(-v.toCurrency())); }

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

    BookNames names(cn);
    const Datum B = draws.number("QXJM");
    const Datum N = draws.id("INandOutML");
    const Datum now = draws.moment();
    const std::string userId = run.gUserid();
    RecordsetPtr record = cn.execute("select * from kdw_sfjl where id=" + id);
    const Recordset& r = *record;
    const std::string djbh = r.field("djbh").toText();
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
                        {"jmje", negated(i.field("jmje"))}, {"feetermname", i.field("feetermname")},
                        {"cqts", i.field("cqts")}, {"termfrom", i.field("termfrom")}, {"termto", i.field("termto")}}),
                 "冲销减免明细：" + names.item(i.field("sfxmid")) + " " + format00(i.field("jmje")));
    }
    plan::planReopening(cn, p, plan::kByReduction, id, arrearsRestore(id), names);
    return p;
}

}  // namespace fo::jmjl
