#include "reduction/SettledItems.h"

#include "data/Dialect.h"
#include "db/values/DateTime.h"
#include "db/values/Value.h"
#include "reduction/JmjlStatements.h"

namespace fo::jmjl {
namespace {

// Whether fee month `month` lies in `period`: it is the month, or its term
// or year tag names the period.
bool monthIn(HostSystem& run, const std::string& month, const std::string& period) {
    if (period == "一次性") return true;
    if (month.empty()) return false;
    if (month == period) return true;
    auto p = run.pFindJzDate();
    if (!p) return false;
    const std::string was = p->monthQf();
    p->setDdateFromYF(month);
    const bool in = p->termTag() == period || p->yearTag() == period;
    if (!was.empty() && was != month) p->setDdateFromYF(was);
    return in;
}

}  // namespace

std::string settledBy(Connection& cn, HostSystem& run, const std::string& xsid, const std::string& itemId,
                      const std::string& period) {
    const std::string student = number(xsid, "xsid"), item = number(itemId, "sfxmid");
    const std::string stored =
        "select s.djbh as paid,j.djbh as reduced from qfhzb as h inner join qfmxb as q on q.qfkid=h.qfkid"
        " left join kdw_sfjl as s on s.id=h.sfjlid left join kdw_sfjl as j on j.id=h.jmjlid where h.xsid=" + student +
        " and q.sfxmid=" + item + " and h.fkrq is not null and h.qfyf='" + sqlQuote(period) + "' order by h.qfkid desc";
    RecordsetPtr rs = cn.execute(stored);
    for (; rs && !rs->eof(); rs->moveNext()) {
        const std::string paid = rs->field("paid").toText();
        if (!paid.empty()) return paid;
        if (const std::string reduced = rs->field("reduced").toText(); !reduced.empty()) return reduced;
    }
    const std::string counting =
        "select a.djbh,a.sfyf,a.sfrq from kdw_sfjl as a inner join kdw_sfjlmx as m on m.sfjlid=a.id where a.xsid=" +
        student + " and m.sfxmid=" + item +
        " and coalesce(a.ysfjlid,0)=0 and not exists(select 1 from kdw_sfjl as c where c.ysfjlid=a.id)"
        " and left(a.djbh,3)<>'YSK'"
        " and (m.feetermname='" + sqlQuote(period) + "' or not exists(select 1 from qfhzb as s where s.sfjlid=a.id and"
        " s.sfjlid<>0)) and not exists(select 1 from qfhzb as r where r.jmjlid=a.id and r.jmjlid<>0) order by a.id desc";
    auto p = run.pFindJzDate();
    for (rs = cn.execute(counting); rs && !rs->eof(); rs->moveNext()) {
        const std::string djbh = rs->field("djbh").toText();
        std::string month = rs->field("sfyf").toText();
        const Value sfrq = rs->field("sfrq");
        if (djbh.rfind("JM", 0) == 0 && !sfrq.isNull() && p)
            if (const auto date = sfrq.toDate()) month = p->getYfFromDate(date->dateText());
        if (monthIn(run, month, period)) return djbh;
    }
    return {};
}

std::string settledReason(const std::string& djbh) {
    if (djbh.empty()) return "已没有欠费";
    return (djbh.rfind("JM", 0) == 0 ? "已减免（" : "已缴清（") + djbh + "）";
}

}  // namespace fo::jmjl
