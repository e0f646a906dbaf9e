#include "host/Dues.h"
#include "db/TextCase.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include "host/Calendar.h"
#include "host/SqlText.h"

namespace fo {
namespace {

const std::string kOneOff = "一次性";

bool startsWithWord(const std::string& text, const std::string& word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    return text.size() == word.size() || std::isspace(static_cast<unsigned char>(text[word.size()])) ||
           text[word.size()] == '(';
}

// The entries of a comma-separated list, trimmed of blanks and quotes.
std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string entry = trimWhitespace(text.substr(start, comma - start));
        entry.erase(std::remove(entry.begin(), entry.end(), '\''), entry.end());
        if (!entry.empty()) out.push_back(entry);
        start = comma + 1;
    }
    return out;
}

std::string joinQuoted(const std::vector<std::string>& keys) {
    if (keys.empty()) return "''";
    std::string out;
    for (const auto& k : keys) out += (out.empty() ? "" : ",") + sqlLiteral(k);
    return out;
}

// The fee items to list: "in(...)" contents.
std::string itemSet(const std::string& itemIds) {
    std::string ids;
    for (const auto& id : splitList(itemIds))
        if (digitsOnly(id) || (id.size() > 1 && id[0] == '-' && digitsOnly(id.substr(1))))
            ids += (ids.empty() ? "" : ",") + id;
    return ids.empty() ? "select id from kdw_sfxm where id>0" : ids;
}

// The selected students: "in(...)" contents. Conditions name kdw_xs columns
// without an alias, as the filter dialog and the category restriction do.
std::string studentSet(const std::string& student, const std::string& classId, const std::string& where,
                       const std::string& categoryCondition) {
    std::string sql = "select id from kdw_xs where del=0 and intTx=0";
    const std::string who = trimWhitespace(student);
    if (!who.empty()) sql += " and (xh=" + sqlLiteral(who) + " or xm=" + sqlLiteral(who) + ")";
    const std::string cls = trimWhitespace(classId);
    if (!cls.empty()) sql += " and bjid=" + (digitsOnly(cls) ? cls : sqlLiteral(cls));
    const std::string cond = trimWhitespace(where);
    if (!cond.empty()) {
        if (startsWithWord(cond, "select"))
            sql += " and id in(" + cond + ")";
        else if (startsWithWord(cond, "and"))
            sql += " " + cond;
        else
            sql += " and (" + cond + ")";
    }
    sql += categoryCondition;
    return sql;
}

// A connection the caller owns, handed to the calendar without ownership.
ConnectionPtr borrow(Connection& cn) { return ConnectionPtr(ConnectionPtr(), &cn); }

// Month keys of the usable months whose first day lies within from..to.
std::vector<std::string> monthsWithin(const std::vector<AccountingMonth>& months, const std::string& from,
                                      const std::string& to) {
    std::vector<std::string> out;
    if (from.empty() || to.empty()) return out;
    for (const auto& m : months)
        if (m.usable() && from <= m.fromDate && m.fromDate <= to) out.push_back(m.yf);
    return out;
}

// The period keys of one month and the months that make up its term and year.
struct MonthPeriods {
    std::string month, term, year;
    std::vector<std::string> termMonths, yearMonths;
};

MonthPeriods periodsOf(const Calendar& cal, const std::vector<AccountingMonth>& months,
                       const AccountingMonth& m) {
    MonthPeriods p;
    p.month = m.yf;
    if (auto t = cal.termOfDate(m.fromDate)) {
        p.term = t->tag;
        p.termMonths = monthsWithin(months, t->fromDate, t->toDate);
    }
    if (auto y = cal.yearOfDate(m.fromDate)) {
        p.year = y->tag;
        p.yearMonths = monthsWithin(months, y->fromDate, y->toDate);
    }
    return p;
}

// A record counts for dues while it is live, no prepayment, and did not
// settle stored arrears.
const std::string kCountingRecord =
    "coalesce(a.ysfjlid,0)=0 and a.id not in(select ysfjlid from kdw_sfjl where ysfjlid is not null)"
    " and left(a.djbh,3)<>'YSK'"
    " and a.id not in(select sfjlid from qfhzb where sfjlid<>0)"
    " and a.id not in(select jmjlid from qfhzb where jmjlid<>0)";

std::string nonZero(const std::string& balance) { return "abs(" + balance + ")>=0.00005"; }

// The period key an item of kind m.jflx is owed under in month `p`.
std::string periodKey(const MonthPeriods& p) {
    return "case m.jflx when 3 then " + sqlLiteral(p.month) + " when 0 then " + sqlLiteral(p.term) +
           " when 2 then " + sqlLiteral(p.year) + " else " + sqlLiteral(kOneOff) + " end";
}

// Stored open arrears of carried-over periods.
void insertStoredArrears(Connection& cn, const std::string& table, const std::vector<std::string>& keys,
                         const std::string& students, const std::string& items) {
    if (keys.empty()) return;
    cn.execute("insert into " + table + "(xsid,sfyf,sfxmid,ysje,jfje,jmje)"
               " select h.xsid,h.qfyf,q.sfxmid,coalesce(q.qfje,0),coalesce(q.fkje,0),coalesce(q.jmje,0)"
               " from qfhzb as h inner join qfmxb as q on q.qfkid=h.qfkid"
               " where h.fkrq is null and h.qfyf in(" + joinQuoted(keys) + ")"
               " and h.xsid in(" + students + ") and q.sfxmid in(" + items + ")"
               " and " + nonZero("coalesce(q.qfje,0)-(coalesce(q.fkje,0)+coalesce(q.jmje,0))"));
}

// Dues computed for a month not carried over, for the item kinds listed.
void insertComputedDues(Connection& cn, const std::string& table, const MonthPeriods& p,
                        const std::string& kinds, const std::string& students, const std::string& items) {
    // Amounts in integer cents x 100 (days) x 100 (percent x 100), so the
    // product is exact; dividing by 10^6 rounds half away from zero.
    const std::string product =
        "cast(round(coalesce(l.je,0)*100) as integer)"
        "*(case when m.cqts='Y' then cast(round(coalesce(l.mrcqts,0)*100) as integer) else 100 end)"
        "*(case when z.zhekou is null then 10000 else cast(round(z.zhekou*100) as integer) end)";
    const std::string dues =
        "select s.id as xsid," + periodKey(p) + " as sfyf,m.id as sfxmid,m.jflx as jflx," + product + " as p"
        " from kdw_xs as s inner join kdw_sflx as l on l.id=s.sflxid"
        " inner join kdw_sfxm as m on m.id=l.sfxmid"
        " left join xszhekou as z on z.xsid=s.id and z.xmid=m.id"
        " where s.id in(" + students + ") and m.id>0 and m.id in(" + items + ") and m.jflx in(" + kinds + ")";
    const std::string paid =
        "select a.xsid as xsid,b.sfxmid as sfxmid,coalesce(sum(b.je),0) as jfje,coalesce(sum(b.jmje),0) as jmje"
        " from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id"
        " inner join kdw_sfxm as m on m.id=b.sfxmid"
        " where " + kCountingRecord +
        " and a.xsid in(" + students + ") and b.sfxmid in(" + items + ") and m.jflx in(" + kinds + ")"
        " and ((m.jflx=3 and a.sfyf=" + sqlLiteral(p.month) + ")"
        " or (m.jflx=0 and a.sfyf in(" + joinQuoted(p.termMonths) + "))"
        " or (m.jflx=2 and a.sfyf in(" + joinQuoted(p.yearMonths) + "))"
        " or m.jflx=1)"
        " group by a.xsid,b.sfxmid";
    const std::string ysje =
        "(case when d.p>=0 then (d.p+500000)/1000000 else 0-((500000-d.p)/1000000) end)/100.0";
    cn.execute("insert into " + table + "(xsid,sfyf,sfxmid,ysje,jfje,jmje)"
               " select d.xsid,d.sfyf,d.sfxmid," + ysje + ",coalesce(r.jfje,0),coalesce(r.jmje,0)"
               " from (" + dues + ") as d left join (" + paid + ") as r"
               " on r.xsid=d.xsid and r.sfxmid=d.sfxmid"
               " where (d.jflx=3 or not exists(select 1 from qfhzb as h inner join qfmxb as q"
               " on q.qfkid=h.qfkid where h.xsid=d.xsid and h.qfyf=d.sfyf and q.sfxmid=d.sfxmid))"
               " and " + nonZero(ysje + "-(coalesce(r.jfje,0)+coalesce(r.jmje,0))"));
}

}  // namespace

void fillArrearsWorkTable(Connection& cn, const std::string& tableName, const std::string& months,
                          const std::string& itemIds, const std::string& student,
                          const std::string& classId, const std::string& where,
                          const std::string& categoryCondition) {
    cn.execute("create table if not exists " + tableName +
               "(xsid int,sfyf varchar(20),sfxmid int,ysje money,jfje money,jmje money)");
    cn.execute("delete from " + tableName);

    const Calendar cal(borrow(cn));
    const auto allMonths = cal.months();
    const std::string students = studentSet(student, classId, where, categoryCondition);
    const std::string items = itemSet(itemIds);

    std::vector<std::string> storedKeys;  // periods whose stored arrears are listed
    std::set<std::string> computedKeys;   // term, year and one-off periods already computed
    std::set<std::string> seenMonths;
    for (const auto& yf : splitList(months)) {
        if (!seenMonths.insert(yf).second) continue;
        auto m = std::find_if(allMonths.begin(), allMonths.end(), [&](const auto& x) { return x.yf == yf; });
        if (m == allMonths.end() || !m->usable()) continue;
        const MonthPeriods p = periodsOf(cal, allMonths, *m);
        if (cal.isCarriedOver(yf)) {
            for (const std::string& key : {p.month, p.term, p.year, kOneOff})
                if (!key.empty() && std::find(storedKeys.begin(), storedKeys.end(), key) == storedKeys.end())
                    storedKeys.push_back(key);
            continue;
        }
        std::string kinds = "3";
        if (!p.term.empty() && computedKeys.insert(p.term).second) kinds += ",0";
        if (!p.year.empty() && computedKeys.insert(p.year).second) kinds += ",2";
        if (computedKeys.insert(kOneOff).second) kinds += ",1";
        insertComputedDues(cn, tableName, p, kinds, students, items);
    }
    insertStoredArrears(cn, tableName, storedKeys, students, items);
}

RecordsetPtr paidAndReduced(Connection& cn, const std::string& xsid, const std::string& sfxmid,
                            const std::string& period, const std::string& dateFrom,
                            const std::string& dateTo) {
    const Calendar cal(borrow(cn));
    const std::string key = trimWhitespace(period);
    std::string periodCondition;
    if (key == kOneOff) {
        periodCondition = "1=1";
    } else if (auto t = cal.term(key)) {
        periodCondition = "a.sfyf in(" + joinQuoted(monthsWithin(cal.months(), t->fromDate, t->toDate)) + ")";
    } else if (auto y = cal.year(key)) {
        periodCondition = "a.sfyf in(" + joinQuoted(monthsWithin(cal.months(), y->fromDate, y->toDate)) + ")";
    } else if (cal.month(key) || dateFrom.empty() || dateTo.empty()) {
        periodCondition = "a.sfyf=" + sqlLiteral(key);
    } else {
        periodCondition = "a.sfyf in(" + joinQuoted(monthsWithin(cal.months(), dateFrom, dateTo)) + ")";
    }
    auto sums = cn.execute(
        "select count(*) as n,coalesce(sum(b.je),0) as je,coalesce(sum(b.jmje),0) as jmje,"
        "coalesce(sum(b.ye),0) as ye"
        " from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id"
        " where " + kCountingRecord + " and a.xsid=" + (digitsOnly(xsid) ? xsid : sqlLiteral(xsid)) +
        " and b.sfxmid=" + (digitsOnly(sfxmid) ? sfxmid : sqlLiteral(sfxmid)) + " and " + periodCondition);

    auto out = std::make_shared<Recordset>();
    out->appendField("je", DataType::Currency);
    out->appendField("jmje", DataType::Currency);
    out->appendField("ye", DataType::Currency);
    out->open();
    if (sums && !sums->eof() && sums->field("n").toInt() > 0) {
        out->addNew();
        out->field("je") = Value(sums->field("je").toCurrency());
        out->field("jmje") = Value(sums->field("jmje").toCurrency());
        out->field("ye") = Value(sums->field("ye").toCurrency());
        out->moveFirst();
    }
    return out;
}

}  // namespace fo
