#include "reduction/ArrearsOfStudents.h"

#include <algorithm>

#include "data/Dialect.h"
#include "db/values/TextCase.h"
#include "reduction/JmjlStatements.h"

namespace fo::jmjl {
namespace {

// Students per statement: a thousand values keep every engine's limit on a
// statement's parameters far away.
constexpr std::size_t kStudentsPerRead = 1000;

// "h.xsid in(...) and h.qfyf in(...)" for one share of the students.
SqlText& addStudentsAndPeriods(SqlText& sql, const std::vector<std::string>& students, std::size_t from,
                               std::size_t to, const std::set<std::string>& periods) {
    addIdList(sql.add("h.xsid in("), students.data() + from, students.data() + to, "xsid").add(") and h.qfyf in(");
    return addQuotedList(sql, periods).add(")");
}

std::string idText(const Value& v) { return std::to_string(v.toInt()); }
bool sameId(const Value& a, const Value& b) { return a.toInt() == b.toInt(); }

}  // namespace

std::string ArrearsOfStudents::key(const std::string& xsid) { return std::to_string(Value(leadingNumber(xsid)).toInt()); }

void ArrearsOfStudents::read(Connection& trCn, const std::vector<std::string>& listed,
                             const std::set<std::string>& periods, PreparedStatements* prepared) {
    on_ = &trCn;
    periods_.clear();
    for (const std::string& p : periods) periods_.insert(lowerAscii(p));
    students_.clear();
    if (periods.empty()) return;
    // A student listed twice (two groups of his) is read once.
    std::vector<std::string> students;
    for (const std::string& s : listed)
        if (students_.emplace(key(s), std::vector<Row>{}).second) students.push_back(s);
    for (std::size_t from = 0; from < students.size(); from += kStudentsPerRead) {
        const std::size_t to = std::min(students.size(), from + kStudentsPerRead);
        // Each row with its items (a row without any once, its item columns
        // null), in the order the planner walks them: the students' rows by
        // their index, each row's items by theirs.
        SqlText sql("select h.qfkid,h.xsid,h.qfyf,h.jmje,h.jmjlid,h.fkrq,q.qfkid as itemrow,q.xsid as itemxsid,"
                    "q.sflxid,q.sfxmid,q.qfje,q.fkje,q.jmje as itemjmje from qfhzb as h left join qfmxb as q on "
                    "q.qfkid=h.qfkid where ");
        addStudentsAndPeriods(sql, students, from, to, periods).add(" order by h.xsid,h.qfkid,q.listid");
        Row* row = nullptr;
        for (RecordsetPtr rs = PreparedStatements::run(prepared, trCn, sql); rs && !rs->eof(); rs->moveNext()) {
            const Value qfkid = rs->field("qfkid");
            if (!row || !sameId(row->qfkid, qfkid)) {
                auto found = students_.find(idText(rs->field("xsid")));
                if (found == students_.end()) {
                    row = nullptr;
                    continue;
                }
                found->second.push_back({qfkid, rs->field("xsid"), rs->field("jmje"), rs->field("jmjlid"),
                                         rs->field("fkrq"), rs->field("qfyf").toText(), {}});
                row = &found->second.back();
            }
            if (rs->field("itemrow").isNull()) continue;
            row->items.push_back({rs->field("itemrow"), rs->field("itemxsid"), rs->field("sflxid"),
                                  rs->field("sfxmid"), rs->field("qfje").toCurrency(), rs->field("fkje").toCurrency(),
                                  rs->field("itemjmje").toCurrency()});
        }
    }
}

const std::vector<ArrearsOfStudents::Row>* ArrearsOfStudents::rowsOf(const std::string& xsid,
                                                                     const std::set<std::string>& periods) const {
    for (const std::string& p : periods)
        if (!periods_.count(lowerAscii(p))) return nullptr;
    const auto found = students_.find(key(xsid));
    return found == students_.end() ? nullptr : &found->second;
}

bool inPeriods(const std::string& qfyf, const std::set<std::string>& periods) {
    return std::any_of(periods.begin(), periods.end(), [&](const std::string& p) { return equalsIgnoreCase(p, qfyf); });
}

}  // namespace fo::jmjl
