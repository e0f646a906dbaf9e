#include "data/ledger/ArrearsLedger.h"

#include <map>

#include "db/Recordset.h"

namespace fo::ledger {
namespace {

// The first day of the books' whole history. A row with no day it arose
// (written by hand or by an older program) counts as open before any day:
// in every start, never carried over within a span.
const char* const kEarliest = "1900-01-01";

// Rows open on the day `day`: arisen before it, not closed before it.
std::string openOn(const std::string& day) {
    return "(qfrq is null or qfrq<'" + day + "') and (fkrq is null or fkrq>='" + day + "')";
}

std::string sumWhen(const std::string& condition, const char* column, const char* name) {
    return "sum(case when " + condition + " then " + column + " else 0 end) as " + name;
}

}  // namespace

std::vector<Movement> movements(Connection& cn, const std::string& from, const std::string& to) {
    // Each figure by a condition of its own, all in one pass over the rows:
    // a span of a large school's books reads its arrears once, not five
    // times. The rows read are exactly those some figure counts, so a
    // student whose rows all closed before the span has no line.
    const std::string raised = "coalesce(yqfkid,0)=0 and qfrq>='" + from + "' and qfrq<'" + to + "'";
    const std::string closed = "fkrq>='" + from + "' and fkrq<'" + to + "'";
    const std::string overlapping = "(qfrq is null or qfrq<'" + to + "') and (fkrq is null or fkrq>='" + from + "')";
    std::map<long, Movement> byStudent;
    for (RecordsetPtr rs = cn.execute("select xsid," + sumWhen(openOn(from), "qfje", "startsum") + "," +
                                      sumWhen(openOn(to), "qfje", "endsum") + "," + sumWhen(raised, "qfje", "raised") +
                                      "," + sumWhen(closed, "jmje", "reduced") + "," + sumWhen(closed, "fkje", "paid") +
                                      " from qfhzb where " + overlapping + " or (" + raised + ") or (" + closed +
                                      ") group by xsid");
         !rs->eof(); rs->moveNext()) {
        Movement& m = byStudent[rs->field("xsid").toInt()];
        m.start = rs->field("startsum").toCurrency();
        m.end = rs->field("endsum").toCurrency();
        m.raised = rs->field("raised").toCurrency();
        m.reduced = rs->field("reduced").toCurrency();
        m.paid = rs->field("paid").toCurrency();
    }
    // The mirrors, few in any span, by their index: summed here, since
    // grouping them in the statement would lead the embedded engine's
    // planner to walk every record in student order instead.
    for (RecordsetPtr rs = cn.execute("select xsid,je,jmje from kdw_sfjl where ysfjlid>0 and rq>='" + from +
                                      "' and rq<'" + to + "'");
         !rs->eof(); rs->moveNext()) {
        Movement& m = byStudent[rs->field("xsid").toInt()];
        ++m.mirrors;
        m.mirrored += rs->field("je").toCurrency() + rs->field("jmje").toCurrency();
    }
    std::vector<Movement> out;
    out.reserve(byStudent.size());
    for (auto& [xsid, m] : byStudent) {
        m.xsid = xsid;
        out.push_back(m);
    }
    return out;
}

std::vector<Movement> wholeHistory(Connection& cn) { return movements(cn, kEarliest, "9999-12-31"); }

}  // namespace fo::ledger
