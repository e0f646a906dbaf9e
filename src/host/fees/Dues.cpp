#include "host/fees/Dues.h"
#include "db/values/TextCase.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <vector>

#include "host/fees/Calendar.h"
#include "host/database/SqlText.h"

namespace fo {
namespace {

const std::string kOneOff = "一次性";

// The host's charge kinds (kdw_sfxm.jflx).
constexpr int kMonthly = 3, kTermly = 0, kYearly = 2, kOneOffKind = 1;

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

// An id as it stands in a statement: digits as they are, anything else quoted.
std::string idText(const std::string& id) {
    const std::string t = trimWhitespace(id);
    return digitsOnly(t) ? t : sqlLiteral(t);
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
    if (!cls.empty()) sql += " and bjid=" + idText(cls);
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

// A period dues are owed under: its key, the months whose records are for it
// and its date range (which holds the reduction date of a reduction for it).
// The one-off period has neither: every record is for it.
struct Period {
    std::string key;
    std::vector<std::string> months;
    std::string from, to;
    bool oneOff() const { return key == kOneOff; }
    bool dated() const { return !from.empty() && !to.empty(); }
};

Period monthPeriod(const AccountingMonth& m) { return Period{m.yf, {m.yf}, m.fromDate, m.toDate}; }

Period rangePeriod(const std::vector<AccountingMonth>& months, const PeriodRange& r) {
    return Period{r.tag, monthsWithin(months, r.fromDate, r.toDate), r.fromDate, r.toDate};
}

Period oneOffPeriod() { return Period{kOneOff, {}, {}, {}}; }

// The period an item of charge kind `kind` is owed under in month `m`:
// the month, the term or the year that holds its first day, or the one-off
// period. Nothing when the calendar has no such term or year.
std::optional<Period> periodOfKind(const Calendar& cal, const std::vector<AccountingMonth>& months,
                                   const AccountingMonth& m, int kind) {
    if (kind == kMonthly) return monthPeriod(m);
    if (kind == kOneOffKind) return oneOffPeriod();
    if (kind == kTermly) {
        if (auto t = cal.termOfDate(m.fromDate)) return rangePeriod(months, *t);
    } else if (kind == kYearly) {
        if (auto y = cal.yearOfDate(m.fromDate)) return rangePeriod(months, *y);
    }
    return std::nullopt;
}

// Item rows `b` of records `a` that count for the dues of the period whose
// key is `periodKey` (an SQL expression): the record is live, no
// prepayment, and no reduction that settled stored arrears. A charge that
// settled stored arrears paid those arrears with the rows named by their
// period; only its rows named by the period itself (the open month's dues
// it took on the same receipt) count here. Each test looks up the record's
// own id in an index ("not exists"), where "not in(select …)" would read
// the whole column of every record first.
std::string countingItem(const std::string& periodKey) {
    return "coalesce(a.ysfjlid,0)=0 and not exists(select 1 from kdw_sfjl as m where m.ysfjlid=a.id)"
           " and left(a.djbh,3)<>'YSK'"
           " and (b.feetermname=" + periodKey +
           " or not exists(select 1 from qfhzb as s where s.sfjlid=a.id and s.sfjlid<>0))"
           " and not exists(select 1 from qfhzb as j where j.jmjlid=a.id and j.jmjlid<>0)";
}

// A counting record `a` is for period `p`: a reduction for the period that
// holds its reduction date (every window dates a reduction on the first day
// of the period it reduces), never for the month it was made in; any other
// record, and an undated reduction, for its fee month.
std::string recordIsFor(const Period& p) {
    if (p.oneOff()) return "1=1";
    const std::string byMonth = "a.sfyf in(" + joinQuoted(p.months) + ")";
    if (!p.dated()) return byMonth;
    return "(((left(a.djbh,2)<>'JM' or a.sfrq is null) and " + byMonth + ") or (left(a.djbh,2)='JM' and left(a.sfrq,10)>=" +
           sqlLiteral(p.from) + " and left(a.sfrq,10)<=" + sqlLiteral(p.to) + "))";
}

std::string nonZero(const std::string& balance) { return "abs(" + balance + ")>=0.00005"; }

// The periods of computed dues, by charge kind.
using KindPeriods = std::vector<std::pair<int, Period>>;

// Constant rows ("select … union all select …") a statement joins as a table.
std::string rowsOf(const std::vector<std::string>& selects) {
    std::string out;
    for (const auto& row : selects) out += (out.empty() ? "select " : " union all select ") + row;
    return out;
}

// What counting records of the selected students paid (jfje), reduced (jmje)
// and put to prepayment (ye) on each item, per period of the item's kind:
// one row per student, item and period key, for every period at once. A
// record is matched to its periods by the same rules as recordIsFor: by its
// fee month through the periods' months (a table of kind, period and month,
// joined after the record so that the student index drives the read), by
// its reduction date through the dated periods' ranges (only reductions
// reach those), and to the one-off period of its item's kind, whatever its
// month. Each rule is a plain join, so a record is read once per rule and
// never once per period.
std::string paidPerPeriod(const KindPeriods& kinds, const std::string& students, const std::string& items) {
    std::vector<std::string> months, ranges, oneOff;
    std::set<int> monthKinds;
    for (const auto& [kind, p] : kinds) {
        const std::string k = std::to_string(kind) + " as jflx," + sqlLiteral(p.key) + " as sfyf";
        if (p.oneOff()) {
            oneOff.push_back(k);
            continue;
        }
        for (const auto& yf : p.months) {
            months.push_back(k + "," + sqlLiteral(yf) + " as yf," + (p.dated() ? "1" : "0") + " as dated");
            monthKinds.insert(kind);
        }
        if (p.dated()) ranges.push_back(k + "," + sqlLiteral(p.from) + " as datefrom," + sqlLiteral(p.to) + " as dateto");
    }
    const std::string records =
        " from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id inner join kdw_sfxm as m on m.id=b.sfxmid";
    auto counting = [&](const std::string& key) {
        return " where " + countingItem(key) + " and a.xsid in(" + students + ") and b.sfxmid in(" + items + ")";
    };
    auto item = [](const std::string& key) {
        return "select a.xsid as xsid,b.sfxmid as sfxmid," + key + " as sfyf,b.je as je,b.jmje as jmje,b.ye as ye";
    };
    // The one-off period joins the month rule's read unless a month period
    // shares its kind: a record's item then meets at most one of the two.
    bool oneOffApart = !oneOff.empty() && months.empty();
    for (const auto& [kind, p] : kinds) oneOffApart = oneOffApart || (p.oneOff() && monthKinds.count(kind) > 0);
    std::vector<std::string> reads;
    if (!months.empty()) {
        const std::string byMonth = " left join (" + rowsOf(months) + ") as pm on pm.jflx=m.jflx and a.sfyf=pm.yf" +
                                    " and (pm.dated=0 or left(a.djbh,2)<>'JM' or a.sfrq is null)";
        if (oneOff.empty() || oneOffApart)
            reads.push_back(item("pm.sfyf") + records + byMonth + counting("pm.sfyf") + " and pm.sfyf is not null");
        else
            reads.push_back(item("coalesce(pm.sfyf,po.sfyf)") + records + byMonth + " left join (" + rowsOf(oneOff) +
                            ") as po on po.jflx=m.jflx" + counting("coalesce(pm.sfyf,po.sfyf)") +
                            " and (pm.sfyf is not null or po.sfyf is not null)");
    }
    if (!ranges.empty())
        reads.push_back(item("pr.sfyf") + records + " cross join (" + rowsOf(ranges) + ") as pr" + counting("pr.sfyf") +
                        " and pr.jflx=m.jflx and left(a.djbh,2)='JM' and left(a.sfrq,10)>=pr.datefrom"
                        " and left(a.sfrq,10)<=pr.dateto");
    if (oneOffApart)
        reads.push_back(item("po.sfyf") + records + " cross join (" + rowsOf(oneOff) + ") as po" + counting("po.sfyf") +
                        " and po.jflx=m.jflx");
    if (reads.empty()) reads.push_back(item("''") + records + counting("''") + " and 1=0");  // a period without months or dates
    std::string all;
    for (const auto& r : reads) all += (all.empty() ? "" : " union all ") + r;
    return "select x.xsid as xsid,x.sfxmid as sfxmid,x.sfyf as sfyf,coalesce(sum(x.je),0) as jfje,"
           "coalesce(sum(x.jmje),0) as jmje,coalesce(sum(x.ye),0) as ye from (" + all + ") as x"
           " group by x.xsid,x.sfxmid,x.sfyf";
}

// One row per selected student, item of the kinds listed and period of the
// item's kind, with the dues computed from his charge type (ysje) and what
// counting records for that period paid (jfje), reduced (jmje) and put to
// prepayment (ye). All the periods are computed in one statement: the
// student's dues are read once, the records once per matching rule. The
// periods' keys are joined last ("cross join" keeps SQLite from taking the
// few keys as the outer loop and reading every student's fee type once per
// key). Written without a conditional expression, so the text is the same
// in both dialects.
// The last day of a period without an end (the one-off period): every move
// lies before it.
const char* const kNoEnd = "9999-12-31";

// The charge type student `s` owes a period by, the period ending on `end`
// (SQL expressions): the type of his last move (kdw_xsbd) dated on or before
// that day, so that a move changes the dues from the period holding its date
// on; nothing when every move of his is later (he had not entered yet). A
// student without moves owes by his type as it stands.
std::string typeInForce(const std::string& s, const std::string& end) {
    return "coalesce((select b.sflxid from kdw_xsbd as b where b.xsid=" + s + ".id and left(b.bdrq,10)<=" + end +
           " order by b.bdrq desc,b.czrq desc limit 1),(select " + s + ".sflxid where not exists(select 1 from kdw_xsbd as f"
           " where f.xsid=" + s + ".id)))";
}

// The days live charges of the selected students named for a per-day item
// in a period (kdw_sfjlmx.cqts on the row named by the period's key): the
// most any of them named, one row per student, item and period key. Only
// the periods' own months are read.
std::string chargedDays(const KindPeriods& kinds, const std::string& students, const std::string& items) {
    std::vector<std::string> months;
    for (const auto& [kind, p] : kinds) months.insert(months.end(), p.months.begin(), p.months.end());
    return "select a.xsid as xsid,b.sfxmid as sfxmid,b.feetermname as sfyf,max(b.cqts) as days"
           " from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id"
           " where a.xsid in(" + students + ") and a.sfyf in(" + joinQuoted(months) + ") and b.sfxmid in(" + items + ")"
           " and left(a.djbh,2)='SF' and b.cqts>0 and coalesce(a.ysfjlid,0)=0"
           " and not exists(select 1 from kdw_sfjl as v where v.ysfjlid=a.id)"
           " group by a.xsid,b.sfxmid,b.feetermname";
}

// `days`: the days a per-day item is owed for, when the caller names them
// (an SQL number); otherwise the days a charge named, else the charge
// type's default days (mrcqts).
std::string computedDues(const KindPeriods& kinds, const std::string& students, const std::string& items,
                         const std::string& days = "") {
    std::vector<std::string> keys;
    for (const auto& [kind, p] : kinds)
        keys.push_back(std::to_string(kind) + " as jflx," + sqlLiteral(p.key) + " as sfyf," +
                       sqlLiteral(p.to.empty() ? kNoEnd : p.to) + " as todate");
    const std::string dayCount = days.empty() ? "coalesce(cd.days,l.mrcqts,0)" : days;
    // Amounts in integer cents x 100 (days) x 100 (percent x 100), so the
    // product is exact; round() of the cents rounds half away from zero.
    const std::string product =
        "cast(round(coalesce(l.je,0)*100) as bigint)"
        "*(100+coalesce(pd.perDay,0)*(cast(round(" + dayCount + "*100) as bigint)-100))"
        "*coalesce(cast(round(z.zhekou*100) as bigint),10000)";
    const std::string dues =
        "select s.id as xsid,k.sfyf as sfyf,m.id as sfxmid,m.jflx as jflx," + product + " as p,"
        "coalesce(pd.perDay,0) as perDay," + dayCount + " as days"
        " from kdw_xs as s cross join (" + rowsOf(keys) + ") as k"
        " inner join kdw_sflx as l on l.id=" + typeInForce("s", "k.todate") +
        " inner join kdw_sfxm as m on m.id=l.sfxmid and m.jflx=k.jflx"
        " left join (select 'Y' as cqts,1 as perDay) as pd on pd.cqts=m.cqts"
        " left join xszhekou as z on z.xsid=s.id and z.xmid=m.id"
        " left join (" + chargedDays(kinds, students, items) + ") as cd on cd.xsid=s.id and cd.sfxmid=m.id"
        " and cd.sfyf=k.sfyf"
        " where s.id in(" + students + ") and m.id>0 and m.id in(" + items + ")"
        " and l.del=0 and m.del=0";
    return "select d.xsid as xsid,d.sfyf as sfyf,d.sfxmid as sfxmid,d.jflx as jflx,"
           "round(d.p/1000000.0)/100.0 as ysje,coalesce(r.jfje,0) as jfje,coalesce(r.jmje,0) as jmje,"
           "coalesce(r.ye,0) as ye,d.perDay as perDay,d.days as days"
           " from (" + dues + ") as d left join (" + paidPerPeriod(kinds, students, items) +
           ") as r on r.xsid=d.xsid and r.sfxmid=d.sfxmid and r.sfyf=d.sfyf";
}

// True when stored arrears rows (open or settled) of student `c.xsid` hold
// item `c.sfxmid` under period `c.sfyf`: they own that period's dues.
const std::string kStoredHoldsPeriod =
    "exists(select 1 from qfhzb as h inner join qfmxb as q on q.qfkid=h.qfkid"
    " where h.xsid=c.xsid and h.qfyf=c.sfyf and q.sfxmid=c.sfxmid)";

// Dues computed for a month not carried over, for the kinds listed: monthly
// dues always, the others while no stored row holds the period.
void insertComputedDues(Connection& cn, const std::string& table, const KindPeriods& kinds,
                        const std::string& students, const std::string& items) {
    cn.execute("insert into " + table + "(xsid,sfyf,sfxmid,ysje,jfje,jmje)"
               " select c.xsid,c.sfyf,c.sfxmid,c.ysje,c.jfje,c.jmje from (" + computedDues(kinds, students, items) +
               ") as c where (c.jflx=" + std::to_string(kMonthly) + " or not " + kStoredHoldsPeriod + ")"
               " and " + nonZero("c.ysje-(c.jfje+c.jmje)"));
}

// Open stored arrears of carried-over periods, one row per item.
std::string openStoredArrears(const std::vector<std::string>& keys, const std::string& students,
                              const std::string& items) {
    return "select h.xsid as xsid,h.qfyf as sfyf,q.sfxmid as sfxmid,coalesce(q.qfje,0) as ysje,"
           "coalesce(q.fkje,0) as jfje,coalesce(q.jmje,0) as jmje"
           " from qfhzb as h inner join qfmxb as q on q.qfkid=h.qfkid"
           " where h.fkrq is null and h.qfyf in(" + joinQuoted(keys) + ")"
           " and h.xsid in(" + students + ") and q.sfxmid in(" + items + ")";
}

void insertStoredArrears(Connection& cn, const std::string& table, const std::vector<std::string>& keys,
                         const std::string& students, const std::string& items) {
    if (keys.empty()) return;
    cn.execute("insert into " + table + "(xsid,sfyf,sfxmid,ysje,jfje,jmje)"
               " select s.xsid,s.sfyf,s.sfxmid,s.ysje,s.jfje,s.jmje from (" + openStoredArrears(keys, students, items) +
               ") as s where " + nonZero("s.ysje-(s.jfje+s.jmje)"));
}

// The charge kind of a fee item, nothing for an unknown item.
std::optional<int> itemKind(Connection& cn, const std::string& sfxmid) {
    auto rs = cn.execute("select jflx from kdw_sfxm where id=" + idText(sfxmid));
    if (!rs || rs->eof() || rs->field(0).isNull()) return std::nullopt;
    return static_cast<int>(rs->field(0).toInt());
}

// The period `key` names for an item of kind `kind`: a month key names the
// item's own period that holds the month; a term tag, a year tag and
// "一次性" name themselves.
std::optional<Period> resolvePeriod(const Calendar& cal, const std::string& key, int kind) {
    if (key == kOneOff) return oneOffPeriod();
    const auto months = cal.months();
    auto m = std::find_if(months.begin(), months.end(), [&](const auto& x) { return x.yf == key; });
    if (m != months.end()) {
        if (!m->usable()) return Period{key, {key}, {}, {}};
        if (auto p = periodOfKind(cal, months, *m, kind)) return p;
        return monthPeriod(*m);
    }
    if (auto t = cal.term(key)) return rangePeriod(months, *t);
    if (auto y = cal.year(key)) return rangePeriod(months, *y);
    return std::nullopt;
}

// True when the student's dues for the item in `p` are stored arrears: the
// month is carried over, or stored rows hold the item under the period.
bool storedHolds(Connection& cn, const Calendar& cal, const std::string& xsid, const std::string& sfxmid,
                 const Period& p, int kind) {
    if (kind == kMonthly && cal.month(p.key)) return cal.isCarriedOver(p.key);
    auto rs = cn.execute("select count(*) from qfhzb as h inner join qfmxb as q on q.qfkid=h.qfkid where h.xsid=" +
                         idText(xsid) + " and h.qfyf=" + sqlLiteral(p.key) + " and q.sfxmid=" + idText(sfxmid));
    return rs && !rs->eof() && rs->field(0).toInt() > 0;
}

RecordsetPtr paidRow(const std::optional<ItemDues>& amounts) {
    auto out = std::make_shared<Recordset>();
    for (const char* f : {"je", "jmje", "ye"}) out->appendField(f, DataType::Currency);
    out->open();
    if (amounts) {
        out->addNew();
        out->field("je") = Value(amounts->paid);
        out->field("jmje") = Value(amounts->reduced);
        out->field("ye") = Value(amounts->prepaid);
        out->moveFirst();
    }
    return out;
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
    KindPeriods owed;                     // the periods of computed dues, each once
    for (const auto& yf : splitList(months)) {
        if (!seenMonths.insert(yf).second) continue;
        auto m = std::find_if(allMonths.begin(), allMonths.end(), [&](const auto& x) { return x.yf == yf; });
        if (m == allMonths.end() || !m->usable()) continue;
        KindPeriods kinds;
        for (int kind : {kMonthly, kTermly, kYearly, kOneOffKind})
            if (auto p = periodOfKind(cal, allMonths, *m, kind)) kinds.emplace_back(kind, *p);
        if (cal.isCarriedOver(yf)) {
            for (const auto& [kind, p] : kinds)
                if (std::find(storedKeys.begin(), storedKeys.end(), p.key) == storedKeys.end())
                    storedKeys.push_back(p.key);
            continue;
        }
        for (auto& [kind, p] : kinds)
            if (kind == kMonthly || computedKeys.insert(p.key).second) owed.emplace_back(kind, std::move(p));
    }
    if (!owed.empty()) insertComputedDues(cn, tableName, owed, students, items);
    insertStoredArrears(cn, tableName, storedKeys, students, items);
    // The planner learns the table's size: PostgreSQL plans a fresh table
    // without statistics as a few rows and joins the list's many rows one
    // by one; gathering them costs a few milliseconds.
    cn.execute("analyze " + tableName);
}

ItemDues itemDues(Connection& cn, const std::string& xsid, const std::string& sfxmid, const std::string& period,
                  std::optional<int> days) {
    ItemDues out;
    const auto kind = itemKind(cn, sfxmid);
    if (!kind) return out;
    const Calendar cal(borrow(cn));
    const auto p = resolvePeriod(cal, trimWhitespace(period), *kind);
    if (!p) return out;
    out.period = p->key;
    const std::string students = idText(xsid), items = idText(sfxmid);
    out.stored = storedHolds(cn, cal, xsid, sfxmid, *p, *kind);
    const std::string rows = out.stored ? openStoredArrears({p->key}, students, items)
                                        : computedDues({{*kind, *p}}, students, items,
                                                       days ? std::to_string(*days) : std::string());
    auto rs = cn.execute("select coalesce(sum(x.ysje),0) as ysje,coalesce(sum(x.jfje),0) as jfje,"
                         "coalesce(sum(x.jmje),0) as jmje from (" + rows + ") as x");
    if (rs && !rs->eof()) {
        out.due = rs->field("ysje").toCurrency();
        out.paid = rs->field("jfje").toCurrency();
        out.reduced = rs->field("jmje").toCurrency();
    }
    if (!out.stored) {
        auto d = cn.execute("select max(x.perDay) as perDay,max(x.days) as days from (" + rows + ") as x");
        if (d && !d->eof() && d->field("perDay").toInt() != 0) out.days = static_cast<int>(d->field("days").toInt());
    }
    return out;
}

RecordsetPtr paidAndReduced(Connection& cn, const std::string& xsid, const std::string& sfxmid,
                            const std::string& period, const std::string& dateFrom,
                            const std::string& dateTo) {
    const Calendar cal(borrow(cn));
    const std::string key = trimWhitespace(period);
    const auto kind = itemKind(cn, sfxmid);
    std::optional<Period> p = resolvePeriod(cal, key, kind.value_or(kMonthly));
    if (!p && !dateFrom.empty() && !dateTo.empty())
        p = Period{key, monthsWithin(cal.months(), dateFrom, dateTo), dateFrom, dateTo};
    if (!p) p = Period{key, {key}, {}, {}};

    std::optional<ItemDues> amounts;
    if (kind && storedHolds(cn, cal, xsid, sfxmid, *p, *kind)) {
        // The stored rows took the period's dues at the carry-over and are
        // reduced through their own arrears lines: the dues count as
        // settled here, so they are never offered twice.
        auto rs = cn.execute("select c.ysje from (" + computedDues({{*kind, *p}}, idText(xsid), idText(sfxmid)) +
                             ") as c");
        amounts.emplace();
        if (rs && !rs->eof()) amounts->paid = rs->field(0).toCurrency();
        return paidRow(amounts);
    }
    auto sums = cn.execute(
        "select count(*) as n,coalesce(sum(b.je),0) as je,coalesce(sum(b.jmje),0) as jmje,"
        "coalesce(sum(b.ye),0) as ye"
        " from kdw_sfjl as a inner join kdw_sfjlmx as b on b.sfjlid=a.id"
        " where " + countingItem(sqlLiteral(p->key)) + " and a.xsid=" + idText(xsid) + " and b.sfxmid=" + idText(sfxmid) +
        " and " + recordIsFor(*p));
    if (sums && !sums->eof() && sums->field("n").toInt() > 0) {
        amounts.emplace();
        amounts->paid = sums->field("je").toCurrency();
        amounts->reduced = sums->field("jmje").toCurrency();
        amounts->prepaid = sums->field("ye").toCurrency();
    }
    return paidRow(amounts);
}

}  // namespace fo
