#include "data/ledger/ArrearsLedger.h"

#include <map>

#include "db/Recordset.h"

namespace fo::ledger {
namespace {

using Column = Currency Movement::*;

// Adds each student's sum from `sql` (columns xsid, amount) into `column`.
void addSums(Connection& cn, std::map<long, Movement>& out, const std::string& sql, Column column) {
    for (RecordsetPtr rs = cn.execute(sql); !rs->eof(); rs->moveNext()) {
        Movement& m = out[rs->field("xsid").toInt()];
        m.*column += rs->field("amount").toCurrency();
    }
}

// The first day of the books' whole history. A row with no day it arose
// (written by hand or by an older program) counts as open before any day:
// in every start, never carried over within a span.
const char* const kEarliest = "1900-01-01";

// Rows open on the day `day`: arisen before it, not closed before it.
std::string openOn(const std::string& day) {
    return "select xsid,sum(qfje) as amount from qfhzb where (qfrq is null or qfrq<'" + day +
           "') and (fkrq is null or fkrq>='" + day + "') group by xsid";
}

}  // namespace

std::vector<Movement> movements(Connection& cn, const std::string& from, const std::string& to) {
    const std::string within = ">='" + from + "' and ";
    std::map<long, Movement> byStudent;
    addSums(cn, byStudent, openOn(from), &Movement::start);
    addSums(cn, byStudent, openOn(to), &Movement::end);
    addSums(cn, byStudent,
            "select xsid,sum(qfje) as amount from qfhzb where coalesce(yqfkid,0)=0 and qfrq>='" + from +
                "' and qfrq<'" + to + "' group by xsid",
            &Movement::raised);
    const std::string closed = " from qfhzb where fkrq>='" + from + "' and fkrq<'" + to + "' group by xsid";
    addSums(cn, byStudent, "select xsid,sum(jmje) as amount" + closed, &Movement::reduced);
    addSums(cn, byStudent, "select xsid,sum(fkje) as amount" + closed, &Movement::paid);
    for (RecordsetPtr rs = cn.execute("select xsid,count(*) as n,sum(je+jmje) as amount from kdw_sfjl where"
                                      " coalesce(ysfjlid,0)<>0 and rq>='" + from + "' and rq<'" + to +
                                      "' group by xsid");
         !rs->eof(); rs->moveNext()) {
        Movement& m = byStudent[rs->field("xsid").toInt()];
        m.mirrors += rs->field("n").toInt();
        m.mirrored += rs->field("amount").toCurrency();
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
