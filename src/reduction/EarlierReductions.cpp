#include "reduction/EarlierReductions.h"

#include <map>
#include <set>

#include "db/values/TextCase.h"
#include "db/values/Value.h"
#include "reduction/JmjlStatements.h"
#include "reduction/ReductionChecks.h"

namespace fo::jmjl {
namespace {

SqlText& addIds(SqlText& sql, const std::set<std::string>& ids) {
    const std::vector<std::string> list(ids.begin(), ids.end());
    return addIdList(sql, list.data(), list.data() + list.size(), "id");
}

// A reduction record in force and what it took off one item.
struct Reduced {
    std::string recordId, djbh, xsid, sfxmid, sfrq;
    Currency amount;
};

}  // namespace

std::vector<EarlierReduction> earlierReductions(Connection& cn, HostSystem& run, const std::vector<BatchItem>& items) {
    std::vector<EarlierReduction> out;
    std::set<std::string> students, itemIds;
    for (const BatchItem& i : items) {
        students.insert(idKey(number(i.xsid, "xsid")));
        itemIds.insert(idKey(i.itemId));
    }
    if (students.empty()) return out;
    // In force: neither a cancellation's mirror nor cancelled.
    SqlText sql("select a.id,a.djbh,a.xsid,a.sfrq,b.sfxmid,b.jmje from kdw_sfjl as a inner join kdw_sfjlmx as b on"
                " b.sfjlid=a.id where left(a.djbh,2)='JM' and coalesce(a.ysfjlid,0)=0 and not exists(select 1 from"
                " kdw_sfjl as m where m.ysfjlid=a.id) and b.jmje>0 and a.xsid in(");
    addIds(sql, students).add(") and b.sfxmid in(");
    addIds(sql, itemIds).add(") order by a.id");
    std::vector<Reduced> reduced;
    std::set<std::string> recordIds;
    for (RecordsetPtr rs = PreparedStatements::run(nullptr, cn, sql); rs && !rs->eof(); rs->moveNext()) {
        const auto day = rs->field("sfrq").toDate();
        reduced.push_back({std::to_string(rs->field("id").toInt()), rs->field("djbh").toText(),
                           std::to_string(rs->field("xsid").toInt()), std::to_string(rs->field("sfxmid").toInt()),
                           day ? day->dateText() : std::string(), rs->field("jmje").toCurrency()});
        recordIds.insert(reduced.back().recordId);
    }
    if (reduced.empty()) return out;
    // A record that settled stored rows reduced their periods; one that
    // settled none, the periods that hold its date.
    std::map<std::string, std::set<std::string>> settled;
    SqlText rows("select jmjlid,qfyf from qfhzb where jmjlid in(");
    for (RecordsetPtr rs = PreparedStatements::run(nullptr, cn, addIds(rows, recordIds).add(")")); rs && !rs->eof();
         rs->moveNext())
        settled[std::to_string(rs->field("jmjlid").toInt())].insert(rs->field("qfyf").toText());
    std::map<std::string, std::set<std::string>> periodsOfDay;
    auto periodsOf = [&](const Reduced& r) -> const std::set<std::string>& {
        if (const auto s = settled.find(r.recordId); s != settled.end()) return s->second;
        auto [it, added] = periodsOfDay.try_emplace(r.sfrq);
        if (added) {
            const PeriodsOfDate held = periodsOfDate(run, r.sfrq);
            for (const std::string& key : {held.month, held.term, held.year, std::string("一次性")})
                if (!key.empty()) it->second.insert(key);
        }
        return it->second;
    };
    // By student and item: a batch asks for thousands of items at once.
    std::map<std::pair<std::string, std::string>, std::vector<const Reduced*>> byStudentAndItem;
    for (const Reduced& r : reduced) byStudentAndItem[{r.xsid, r.sfxmid}].push_back(&r);
    for (const BatchItem& i : items) {
        const auto found = byStudentAndItem.find({idKey(i.xsid), idKey(i.itemId)});
        if (found == byStudentAndItem.end()) continue;
        for (const Reduced* r : found->second) {
            bool same = false;
            for (const std::string& p : periodsOf(*r)) same = same || equalsIgnoreCase(p, i.period);
            if (same) out.push_back({i, r->djbh, r->amount});
        }
    }
    return out;
}

std::string secondReductionQuestion(const std::vector<EarlierReduction>& earlier,
                                    const std::function<std::string(const std::string&)>& who) {
    std::string text = "以下学生的同一收费项目、同一所属期已有减免记录，本次将是再一次减免：";
    for (std::size_t n = 0; n < earlier.size() && n < 10; ++n) {
        const EarlierReduction& e = earlier[n];
        text += std::string(CRLF) + who(e.item.xsid) + "：收费项目[" + e.item.itemName + "]所属期[" + e.item.period +
                "]已有减免单 " + e.djbh + "（减免 " + e.amount.format00() + "）";
    }
    if (earlier.size() > 10) text += std::string(CRLF) + "……共 " + std::to_string(earlier.size()) + " 项";
    return text + CRLF + CRLF + "确定仍要再减免吗？";
}

}  // namespace fo::jmjl
