#include "reports/CollectionSummary.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <tuple>

#include "db/values/DateTime.h"

namespace fo::collection {
namespace {

const char* const kCaptions[] = {"月份", "操作员", "收款账户", "收费项目", "收费金额", "作废金额",
                                 "减免金额", "减免冲销", "退款金额", "预收款"};

std::string accountName(const std::string& account) {
    if (account == "1") return "现金";
    if (account == "2") return "银行存款";
    return account;
}

std::string day(const std::string& text) {
    const auto d = DateTime::parse(text);
    if (!d) throw std::invalid_argument("日期不正确：" + text);
    return d->dateText();
}

std::string operatorFilter(const char* column, const std::string& operatorId) {
    if (operatorId.empty()) return {};
    for (char c : operatorId)
        if (c < '0' || c > '9') throw std::invalid_argument("操作员编号不正确：" + operatorId);
    return std::string(" and ") + column + "=" + operatorId;
}

// Names by id (operators, fee items), read once rather than joined to
// every row summed.
std::map<long, std::string> namesById(Connection& cn, const char* sql) {
    std::map<long, std::string> out;
    for (RecordsetPtr rs = cn.execute(sql); !rs->eof(); rs->moveNext())
        out[rs->field(std::size_t{0}).toInt()] = rs->field(1).toText();
    return out;
}

// What a document number's prefix makes of its amounts. A document of
// another kind still gives its line (of zeros), so no booking of the span
// goes unlisted.
enum Kind { Other, Void, Charge, Deposit, Refund, Reduction, ReductionCancelled };

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

Kind cashKind(const std::string& prefix) {
    if (startsWith(prefix, "QXSF")) return Void;
    if (startsWith(prefix, "SF")) return Charge;
    if (startsWith(prefix, "YSK")) return Deposit;
    if (startsWith(prefix, "TF")) return Refund;
    return Other;
}

// The months of the days [from, to), each as the days of it inside them
// and whether that is all of it.
struct MonthDays {
    std::string month, from, to;  // "yyyy-mm"; [from, to) as "yyyy-mm-dd"
    bool whole = false;
};

std::vector<MonthDays> monthsOf(const std::string& from, const std::string& to) {
    std::vector<MonthDays> out;
    for (DateTime d = *DateTime::parse(from); d.dateText() < to;) {
        const DateTime next = d.addDays(d.daysInMonth() - d.day + 1);
        out.push_back({d.dateText().substr(0, 7), d.dateText(), std::min(next.dateText(), to),
                       d.day == 1 && next.dateText() <= to});
        d = next;
    }
    return out;
}

using Key = std::tuple<std::string, long, std::string, long>;  // month, operator, account, item

}  // namespace

std::vector<Line> lines(Connection& cn, const std::string& from, const std::string& to, const std::string& operatorId) {
    const std::string f = day(from), t = day(to);
    const auto users = namesById(cn, "select id,name from sys_user");
    const auto items = namesById(cn, "select id,mc from kdw_sfxm");
    std::map<Key, Line> byKey;
    // Each row a month, operator, account, item and kind, summed by the
    // engine: a span of a large school's books hands over hundreds of rows,
    // not millions.
    auto add = [&](Recordset& rs, const std::string& month, const std::string& account, Kind kind) {
        const long uid = rs.field("uid").toInt(), item = rs.field("sfxmid").toInt();
        Line& l = byKey[{month, uid, account, item}];
        l.month = month;
        l.operatorId = std::to_string(uid);
        const auto user = users.find(uid);
        l.operatorName = user != users.end() ? user->second : l.operatorId;
        l.account = account;
        l.itemId = std::to_string(item);
        const auto name = items.find(item);
        l.itemName = name != items.end() ? name->second : (item == 0 ? "预收款" : l.itemId);
        const Currency je = rs.field("je").toCurrency();
        switch (kind) {
            case Void: l.voided += je; break;
            case Charge:
                l.charged += je;
                l.prepaid += rs.field("ysk").toCurrency();
                break;
            case Deposit: l.prepaid += je; break;
            case Refund: l.refunded -= je; break;
            case Reduction: l.reduced += je; break;
            case ReductionCancelled: l.reductionsCancelled += je; break;
            default: break;
        }
    };
    // Cash: the journal's rows by the day and operator that booked them. A
    // run of whole months is read from the totals the engine keeps of the
    // journal (one row per month, operator, account, document prefix and
    // item: ten years are a few thousand rows, whatever the books' size);
    // the days of a month read in part, from the journal itself by its day
    // index, a month to a statement.
    const auto cash = [&](const std::string& sql) {
        for (RecordsetPtr rs = cn.execute(sql); !rs->eof(); rs->moveNext())
            add(*rs, rs->field("month").toText(), std::to_string(rs->field("account").toInt()),
                cashKind(rs->field("prefix").toText()));
    };
    const std::vector<MonthDays> months = monthsOf(f, t);
    for (std::size_t m = 0; m < months.size();) {
        if (!months[m].whole) {
            cash("select '" + months[m].month + "' as month,j.userID as uid,l.subid as account,substr(j.djbh,1,4) as"
                 " prefix,i.sfxmid as sfxmid,sum(i.je) as je,sum(i.ysk) as ysk from INandOutML j inner join INandOut l"
                 " on l.num=j.id inner join kdw_sfjlmx i on i.sfjlid=j.id where j.czrq>='" + months[m].from +
                 "' and j.czrq<'" + months[m].to + "'" + operatorFilter("j.userID", operatorId) +
                 " group by j.userID,l.subid,substr(j.djbh,1,4),i.sfxmid");
            ++m;
            continue;
        }
        std::size_t last = m;
        while (last + 1 < months.size() && months[last + 1].whole) ++last;
        cash("select yf as month,userid as uid,subid as account,prefix,sfxmid,je,ysk from fo_cash_totals where yf>='" +
             months[m].month + "' and yf<='" + months[last].month + "'" + operatorFilter("userid", operatorId));
        m = last + 1;
    }
    // Reductions and their cancellations, which move no cash, found by their
    // numbers' index (a range of the byte-wise numbers is their prefix): a
    // span's few thousand, summed in one statement.
    for (RecordsetPtr rs = cn.execute(
             "select a.operid as uid,left(a.rq,7) as month,substr(a.djbh,1,2) as prefix,i.sfxmid as sfxmid,"
             "sum(i.jmje) as je from kdw_sfjl a inner join kdw_sfjlmx i on i.sfjlid=a.id where (a.djbh>='JM' and"
             " a.djbh<'JN' or a.djbh>='QXJM' and a.djbh<'QXJN') and a.rq>='" + f + "' and a.rq<'" + t + "'" +
             operatorFilter("a.operid", operatorId) + " group by a.operid,left(a.rq,7),substr(a.djbh,1,2),i.sfxmid");
         !rs->eof(); rs->moveNext())
        add(*rs, rs->field("month").toText(), "", rs->field("prefix").toText() == "QX" ? ReductionCancelled : Reduction);
    std::vector<Line> out;
    out.reserve(byKey.size());
    for (auto& [key, l] : byKey) out.push_back(std::move(l));
    return out;
}

Line totalOf(const std::vector<Line>& lines) {
    Line t;
    t.month = "合计";
    for (const Line& l : lines) {
        t.charged += l.charged;
        t.voided += l.voided;
        t.reduced += l.reduced;
        t.reductionsCancelled += l.reductionsCancelled;
        t.refunded += l.refunded;
        t.prepaid += l.prepaid;
    }
    return t;
}

RecordsetPtr asRecordset(const std::vector<Line>& lines) {
    auto rs = std::make_shared<Recordset>();
    for (const char* c : kCaptions) rs->appendField(c, DataType::VarChar, 50);
    rs->open();
    std::vector<Line> all = lines;
    all.push_back(totalOf(lines));
    for (const Line& l : all) {
        rs->addNew();
        const std::string values[] = {l.month, l.operatorName, accountName(l.account), l.itemName,
                                      l.charged.format00(), l.voided.format00(), l.reduced.format00(),
                                      l.reductionsCancelled.format00(), l.refunded.format00(), l.prepaid.format00()};
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) rs->field(kCaptions[i]) = Value(values[i]);
    }
    if (rs->recordCount() > 0) rs->moveFirst();
    return rs;
}

std::string asText(const std::string& heading, const std::vector<Line>& lines) {
    std::string out = heading + "\n";
    for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += std::string(i ? "\t" : "") + kCaptions[i];
    out += "\n";
    RecordsetPtr rs = asRecordset(lines);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += (i ? "\t" : "") + rs->field(kCaptions[i]).toText();
        out += "\n";
    }
    return out;
}

}  // namespace fo::collection
