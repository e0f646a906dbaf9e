#include "reduction/ArrearsOfStudents.h"

#include <algorithm>

#include "data/Dialect.h"
#include "db/TextCase.h"
#include "reduction/JmjlStatements.h"

namespace fo::jmjl {
namespace {

// Students per statement: a few hundred values keep every engine's limit on
// a statement's parameters far away.
constexpr std::size_t kStudentsPerRead = 500;

// "h.xsid in(...) and h.qfyf in(...)" for one share of the students.
SqlText& addStudentsAndPeriods(SqlText& sql, const std::vector<std::string>& students, std::size_t from,
                               std::size_t to, const std::set<std::string>& periods) {
    sql.add("h.xsid in(");
    for (std::size_t i = from; i < to; ++i) sql.add(i > from ? "," : "").number(number(students[i], "xsid"));
    sql.add(") and h.qfyf in(");
    bool first = true;
    for (const std::string& p : periods) addQuoted(sql.add(first ? "" : ","), p), first = false;
    return sql.add(")");
}

std::string idOf(const Value& v) { return std::to_string(v.toInt()); }

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
        std::map<std::string, Row*> byId;
        SqlText rows("select h.qfkid,h.xsid,h.qfyf,h.jmje,h.jmjlid,h.fkrq from qfhzb as h where ");
        addStudentsAndPeriods(rows, students, from, to, periods).add(" order by h.xsid,h.qfkid");
        for (RecordsetPtr rs = PreparedStatements::run(prepared, trCn, rows); rs && !rs->eof(); rs->moveNext()) {
            auto found = students_.find(idOf(rs->field("xsid")));
            if (found == students_.end()) continue;
            found->second.push_back({rs->field("qfkid"), rs->field("xsid"), rs->field("jmje"), rs->field("jmjlid"),
                                     rs->field("fkrq"), rs->field("qfyf").toText(), {}});
        }
        for (std::size_t i = from; i < to; ++i)
            for (Row& r : students_[key(students[i])]) byId[idOf(r.qfkid)] = &r;
        SqlText items("select q.qfkid,q.xsid,q.sflxid,q.sfxmid,q.qfje,q.fkje,q.jmje from qfhzb as h inner join qfmxb "
                      "as q on q.qfkid=h.qfkid where ");
        // In the rows' order: the planner walks the students' rows by their
        // index and each row's items by theirs.
        addStudentsAndPeriods(items, students, from, to, periods).add(" order by h.xsid,h.qfkid,q.listid");
        for (RecordsetPtr rs = PreparedStatements::run(prepared, trCn, items); rs && !rs->eof(); rs->moveNext()) {
            const auto row = byId.find(idOf(rs->field("qfkid")));
            if (row == byId.end()) continue;
            row->second->items.push_back({rs->field("qfkid"), rs->field("xsid"), rs->field("sflxid"),
                                          rs->field("sfxmid"), rs->field("qfje").toCurrency(),
                                          rs->field("fkje").toCurrency(), rs->field("jmje").toCurrency()});
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
