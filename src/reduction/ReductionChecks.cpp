#include "reduction/ReductionChecks.h"

#include <map>
#include <set>
#include <tuple>

#include "data/Dialect.h"
#include "db/values/DateTime.h"
#include "db/values/TextCase.h"
#include "db/values/Value.h"
#include "reduction/JmjlStatements.h"

namespace fo::jmjl {
namespace {

const char* const kAmountRule = "减免金额不能小于零，最多两位小数。";

// Whether `text` (blanks around it aside) is a plain amount: digits with at
// most two decimals, nothing else. Text, full-width digits, a sign or a
// third decimal are none: the clerk meant something the posting would not
// write.
bool plainAmount(std::string_view text) {
    const std::size_t from = text.find_first_not_of(" \t"), to = text.find_last_not_of(" \t");
    if (from == std::string_view::npos) return true;  // nothing typed
    text = text.substr(from, to - from + 1);
    std::size_t i = 0, digits = 0, decimals = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++decimals;
    return i == text.size() && digits + decimals > 0 && decimals <= 2;
}

std::string amountText(std::string_view typed) {
    const std::size_t from = typed.find_first_not_of(" \t"), to = typed.find_last_not_of(" \t");
    return from == std::string_view::npos ? std::string() : std::string(typed.substr(from, to - from + 1));
}

std::string staleRow(const ReducedItem& item, const std::string& period) {
    return std::string("该欠费已被其他操作处理，请刷新。") + CRLF + "收费项目：" + item.itemName + "，所属期：" + period;
}

std::string owedLess(const ReducedItem& item, const std::string& period, Currency owed) {
    if (owed <= Currency())
        return "收费项目[" + item.itemName + "]在所属期[" + period +
               "]已没有欠费（已缴清、已减免或已被其他操作处理），不能再减免，请刷新。";
    // An amount of an older database may owe part of a cent, which "0.00"
    // would round up to the very amount refused.
    return "收费项目[" + item.itemName + "]在所属期[" + period + "]尚欠 " + owedText(owed) + "，少于减免金额 " +
           owedText(item.amount) + "，请刷新后按实际欠费录入。";
}

// Whether the student owes another amount on the item than the window
// showed him owing (to the cent it showed).
bool changedSinceShown(const ReducedItem& item, Currency owed) {
    return item.shownOwed && *item.shownOwed != owed && *item.shownOwed != owed.roundHalfAway(2);
}

// One stored arrears item row of the student, with its row's state.
struct StoredItem {
    std::string qfyf, sfxmid;
    bool open = false;
    Currency owed;  // qfje - fkje - jmje
};

std::string idList(const std::vector<std::string>& ids) {
    std::string out;
    for (const auto& id : ids) out += (out.empty() ? "" : ",") + number(id, "id");
    return out;
}

// The ids, each a value of the statement, for in(...).
SqlText& addIdList(SqlText& sql, const std::vector<std::string>& ids) {
    return jmjl::addIdList(sql, ids.data(), ids.data() + ids.size(), "id");
}

// The arrears item rows the window showed that are no longer on an open row
// of the student, or that the item does not settle: the settlement finds the
// rows by the item's period, so one that names another period than its row's
// would leave the row owing and the reduction recorded. The first such item,
// or null.
const ReducedItem* firstClosedListedRow(Connection& trCn, const std::string& xsid,
                                        const std::vector<ReducedItem>& items, PreparedStatements* prepared) {
    std::vector<std::string> listIds;
    for (const auto& item : items)
        if (!item.listId.empty()) listIds.push_back(item.listId);
    if (listIds.empty()) return nullptr;
    std::map<std::string, std::string> open;  // listid -> its row's period
    SqlText sql("select q.listid,h.qfyf from qfmxb as q inner join qfhzb as h on h.qfkid=q.qfkid where q.listid in(");
    addIdList(sql, listIds).add(") and h.fkrq is null and h.xsid=").number(xsid);
    RecordsetPtr rs = PreparedStatements::run(prepared, trCn, sql);
    for (; rs && !rs->eof(); rs->moveNext())
        open[std::to_string(rs->field("listid").toInt())] = rs->field("qfyf").toText();
    for (const auto& item : items) {
        if (item.listId.empty()) continue;
        const auto row = open.find(idKey(item.listId));
        if (row == open.end() || !equalsIgnoreCase(row->second, item.period)) return &item;
    }
    return nullptr;
}

std::vector<StoredItem> storedItems(Connection& trCn, const std::string& xsid, const std::set<std::string>& periods,
                                    const std::vector<std::string>& itemIds, PreparedStatements* prepared,
                                    const ArrearsOfStudents* held) {
    std::vector<StoredItem> out;
    if (periods.empty()) return out;
    if (const auto* rows = held && held->connection() == &trCn ? held->rowsOf(xsid, periods) : nullptr) {
        std::set<std::string> wanted;
        for (const auto& id : itemIds) wanted.insert(idKey(id));
        for (const ArrearsOfStudents::Row& row : *rows) {
            if (!inPeriods(row.qfyf, periods)) continue;
            for (const ArrearsOfStudents::Item& i : row.items) {
                StoredItem s{row.qfyf, std::to_string(i.sfxmid.toInt()), row.fkrq.isNull(), i.qfje - i.fkje - i.jmje};
                if (wanted.count(s.sfxmid)) out.push_back(std::move(s));
            }
        }
        return out;
    }
    SqlText sql("select h.qfyf,h.fkrq,q.sfxmid,q.qfje,q.fkje,q.jmje from qfhzb as h inner join qfmxb as q on "
                "q.qfkid=h.qfkid where h.xsid=");
    addQuotedList(sql.number(xsid).add(" and h.qfyf in("), periods).add(") and q.sfxmid in(");
    RecordsetPtr rs = PreparedStatements::run(prepared, trCn, addIdList(sql, itemIds).add(")"));
    for (; rs && !rs->eof(); rs->moveNext()) {
        StoredItem s;
        s.qfyf = rs->field("qfyf").toText();
        s.sfxmid = std::to_string(rs->field("sfxmid").toInt());
        s.open = rs->field("fkrq").isNull();
        s.owed = rs->field("qfje").toCurrency() - rs->field("fkje").toCurrency() - rs->field("jmje").toCurrency();
        out.push_back(s);
    }
    return out;
}

// The periods that hold a reduction date: a reduction counts against the
// dues of the period of its item's kind that holds its date (its month, the
// term and the year of that month, or the one-off period).
struct DatedPeriods {
    std::string month;
    std::set<std::string> keys;
};
DatedPeriods periodsHolding(HostSystem& run, const std::string& reductionDate) {
    DatedPeriods out;
    out.keys.insert("一次性");
    const PeriodsOfDate held = periodsOfDate(run, reductionDate);
    out.month = held.month;
    for (const std::string& key : {held.month, held.term, held.year})
        if (!key.empty()) out.keys.insert(key);
    return out;
}

// What the host's dues rules leave owing of the coming charges of the
// months listed, per student, period key and item, read into a work table
// on the transaction's connection (so the posting's own writes count) and
// dropped again.
using ComingDues = std::map<std::tuple<std::string, std::string, std::string>, Currency>;
ComingDues comingDues(Connection& trCn, HostSystem& run, const std::vector<std::string>& students,
                      const std::string& months, const std::vector<std::string>& itemIds) {
    ComingDues out;
    std::string table;
    const ConnectionPtr borrowed(ConnectionPtr(), &trCn);
    run.getQFmxbNew(table, borrowed, months, "," + idList(itemIds), "", "",
                    "select id from kdw_xs where 1=1 and id in(" + idList(students) + ")");
    RecordsetPtr rs = trCn.execute("select xsid,sfyf,sfxmid,sum(ysje-jfje-jmje) as owed from " + table +
                                   " group by xsid,sfyf,sfxmid");
    for (; rs && !rs->eof(); rs->moveNext())
        out[{std::to_string(rs->field("xsid").toInt()), rs->field("sfyf").toText(),
             std::to_string(rs->field("sfxmid").toInt())}] = rs->field("owed").toCurrency();
    trCn.execute("drop table " + table);
    return out;
}

// The months whose dues hold the coming charges of a reduction dated in
// `dated`: the open month computes the dues of the term and year it lies
// in even when the reduction's own month is carried over, so both are
// asked; only the periods that hold the reduction date count.
std::string monthsAsked(HostSystem& run, const DatedPeriods& dated) {
    const std::string open = run.CurrentYf();
    return dated.month.empty() || dated.month == open ? open : dated.month + "," + open;
}

// What student `xsid` owes of `item`'s coming charges.
Currency comingOwed(const ComingDues& dues, const std::string& xsid, const ReducedItem& item,
                    const DatedPeriods& dated) {
    const std::string id = idKey(item.itemId), student = idKey(xsid);
    Currency owed;
    for (const auto& [key, amount] : dues)
        if (std::get<0>(key) == student && std::get<2>(key) == id && dated.keys.count(std::get<1>(key)) &&
            (item.period.empty() || std::get<1>(key) == item.period))
            owed += amount;
    return owed;
}

}  // namespace

// "05" and "5" are one item.
std::string idKey(const std::string& text) { return std::to_string(Value(leadingNumber(text)).toInt()); }

PeriodsOfDate periodsOfDate(HostSystem& run, const std::string& date) {
    PeriodsOfDate out;
    const auto day = DateTime::parse(date);
    auto period = run.pFindJzDate();
    if (!day || !period) return out;
    out.month = period->getYfFromDate(day->dateText());
    if (out.month.empty()) return out;
    const std::string was = period->monthQf();
    period->setDdateFromYF(out.month);
    out.term = period->termTag();
    out.year = period->yearTag();
    if (!was.empty() && was != out.month) period->setDdateFromYF(was);
    return out;
}

std::string amountRefusal(const std::string& itemName, std::string_view typed) {
    if (plainAmount(typed)) return {};
    return "收费项目[" + itemName + "]的减免金额[" + amountText(typed) + "]不正确：" + kAmountRule;
}

bool partOfACent(Currency amount) { return amount.raw() % (Currency::Scale / 100) != 0; }

std::string owedText(Currency owed) { return partOfACent(owed) ? owed.plainText() : owed.format00(); }

std::string amountRefusal(const std::string& itemName, std::string_view typed, Currency owed) {
    // Four decimals at most, so nothing typed is rounded into the amount.
    const std::string text = amountText(typed);
    const std::size_t point = text.find('.');
    if (partOfACent(owed) && text.find_first_not_of("0123456789.") == std::string::npos &&
        (point == std::string::npos || text.size() - point <= 5) && Currency::parse(text) == owed)
        return {};
    return amountRefusal(itemName, typed);
}

std::string amountRefusal(const std::string& itemName, Currency amount, Currency owed) {
    if (partOfACent(owed) && amount == owed) return {};
    return amountRefusal(itemName, amount);
}

std::string amountRefusal(const std::string& itemName, Currency amount) {
    if (amount >= Currency() && amount.raw() % (Currency::Scale / 100) == 0) return {};
    return "收费项目[" + itemName + "]的减免金额[" + amount.plainText() + "]不正确：" + kAmountRule;
}

std::string stillOwedRefusal(Connection& trCn, HostSystem& run, const std::string& studentId,
                             const std::string& reductionDate, const std::vector<ReducedItem>& items,
                             PreparedStatements* prepared, const ArrearsOfStudents* held,
                             std::vector<std::optional<Currency>>* comingOwedNow) {
    if (comingOwedNow) comingOwedNow->assign(items.size(), std::nullopt);
    if (items.empty()) return {};
    const std::string shownDate = DateTime::parse(reductionDate) ? DateTime::parse(reductionDate)->dateText()
                                                                  : reductionDate;
    auto shownPeriod = [&](const ReducedItem& item) { return item.period.empty() ? shownDate : item.period; };
    const std::string& xsid = number(studentId, "xsid");
    std::set<std::string> seen, periods;
    std::vector<std::string> itemIds;
    for (const auto& item : items) {
        if (!seen.insert(idKey(item.itemId)).second)
            return "收费项目[" + item.itemName + "]在本次减免中出现了不止一次，请合并为一行。";
        itemIds.push_back(item.itemId);
        if (!item.period.empty()) periods.insert(item.period);
    }
    if (const ReducedItem* closed = firstClosedListedRow(trCn, xsid, items, prepared))
        return staleRow(*closed, shownPeriod(*closed));

    // The settlement writes an item's reduction onto every open row of its
    // period that holds the item, so each of those must owe it; rows of the
    // record's other periods are not its.
    const std::vector<StoredItem> stored = storedItems(trCn, xsid, periods, itemIds, prepared, held);
    const ReducedItem* settling = nullptr;
    std::vector<const ReducedItem*> coming;
    for (const auto& item : items) {
        bool own = false, ownOpen = false;
        Currency owed;
        for (const auto& s : stored) {
            if (s.sfxmid != idKey(item.itemId) || !equalsIgnoreCase(s.qfyf, item.period)) continue;
            own = true;
            if (!s.open) continue;
            if (s.owed < item.amount) return owedLess(item, s.qfyf, s.owed);
            ownOpen = true;
            owed += s.owed;
        }
        if (!own) {
            coming.push_back(&item);
            continue;
        }
        if (!ownOpen) return owedLess(item, item.period, Currency());
        if (changedSinceShown(item, owed)) return staleRow(item, item.period);
        settling = &item;
    }
    if (settling && !coming.empty())
        return "收费项目[" + settling->itemName + "]（所属期 " + shownPeriod(*settling) +
               "）是已结转的欠费，收费项目[" + coming.front()->itemName + "]（所属期 " +
               shownPeriod(*coming.front()) + "）是本期应收，不能记在同一张减免单上，请分两次减免。";
    if (coming.empty()) return {};

    std::vector<std::string> comingIds;
    for (const ReducedItem* item : coming) comingIds.push_back(item->itemId);
    const DatedPeriods dated = periodsHolding(run, reductionDate);
    const auto dues = comingDues(trCn, run, {xsid}, monthsAsked(run, dated), comingIds);
    for (const ReducedItem* item : coming) {
        const Currency owed = comingOwed(dues, xsid, *item, dated);
        if (comingOwedNow) (*comingOwedNow)[static_cast<std::size_t>(item - items.data())] = owed;
        if (owed < item->amount) return owedLess(*item, shownPeriod(*item), owed);
        if (changedSinceShown(*item, owed)) return staleRow(*item, shownPeriod(*item));
    }
    return {};
}

OwedByStudent owedNow(Connection& cn, HostSystem& run, const std::vector<std::string>& students,
                      const std::string& reductionDate, const std::vector<ReducedItem>& items) {
    OwedByStudent out;
    if (students.empty() || items.empty()) return out;
    std::vector<std::string> ids, itemIds;
    std::set<std::string> periods;
    for (const auto& s : students) ids.push_back(idKey(number(s, "xsid")));
    for (const auto& item : items) {
        itemIds.push_back(item.itemId);
        if (!item.period.empty()) periods.insert(item.period);
    }
    // Stored rows own an item's period once any of them holds it, open or
    // closed; it owes what the open ones still owe.
    std::set<std::pair<std::string, std::string>> own;
    if (!periods.empty()) {
        SqlText sql("select h.xsid,h.qfyf,h.fkrq,q.sfxmid,q.qfje,q.fkje,q.jmje from qfhzb as h inner join qfmxb as q"
                    " on q.qfkid=h.qfkid where h.xsid in(");
        addIdList(sql, ids).add(") and h.qfyf in(");
        addQuotedList(sql, periods).add(") and q.sfxmid in(");
        RecordsetPtr rs = PreparedStatements::run(nullptr, cn, addIdList(sql, itemIds).add(")"));
        for (; rs && !rs->eof(); rs->moveNext()) {
            const std::string xsid = std::to_string(rs->field("xsid").toInt());
            const std::string id = std::to_string(rs->field("sfxmid").toInt());
            for (const auto& item : items) {
                if (idKey(item.itemId) != id || !equalsIgnoreCase(rs->field("qfyf").toText(), item.period)) continue;
                own.insert({xsid, id});
                Currency& owed = out[{xsid, id}];
                if (rs->field("fkrq").isNull())
                    owed += rs->field("qfje").toCurrency() - rs->field("fkje").toCurrency() -
                            rs->field("jmje").toCurrency();
            }
        }
    }
    // The host's dues rules are asked only for what no stored row owns: a
    // batch over stored arrears needs none of them.
    std::vector<std::pair<std::string, const ReducedItem*>> coming;
    std::vector<std::string> comingStudents;
    std::set<std::string> comingIds;
    for (const auto& xsid : ids)
        for (const auto& item : items)
            if (!own.count({xsid, idKey(item.itemId)})) {
                if (comingStudents.empty() || comingStudents.back() != xsid) comingStudents.push_back(xsid);
                comingIds.insert(item.itemId);
                coming.push_back({xsid, &item});
            }
    if (coming.empty()) return out;
    const DatedPeriods dated = periodsHolding(run, reductionDate);
    const auto dues = comingDues(cn, run, comingStudents, monthsAsked(run, dated), {comingIds.begin(), comingIds.end()});
    for (const auto& [xsid, item] : coming) out[{xsid, idKey(item->itemId)}] = comingOwed(dues, xsid, *item, dated);
    return out;
}

}  // namespace fo::jmjl
