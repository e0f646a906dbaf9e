#include "host/fees/Calendar.h"

#include <set>

#include "host/database/SqlText.h"

namespace fo {

std::string monthCaption(const std::string& key) {
    if (key.size() != 6 || key.find_first_not_of("0123456789") != std::string::npos) return key;
    return key.substr(0, 4) + "年" + key.substr(4) + "月";
}

namespace {

// A stored date as "yyyy-mm-dd"; "" when the column is empty or holds no date.
std::string dateTextOf(const Value& v) {
    if (v.isNull()) return {};
    if (auto d = v.toDate()) return d->dateText();
    return {};
}

std::string textOf(const Value& v) { return v.isNull() ? std::string() : v.toText(); }

// Both bounds are "yyyy-mm-dd", so text order is date order.
bool contains(const std::string& from, const std::string& to, const std::string& date) {
    return !from.empty() && !to.empty() && from <= date && date <= to;
}

// The first day of a date or date-time text, "" when it is not a date.
std::string dayOf(const std::string& date) {
    auto d = DateTime::parse(date);
    return d ? d->dateText() : std::string();
}

std::vector<AccountingMonth> readMonths(Connection& cn, const std::string& where) {
    std::vector<AccountingMonth> out;
    auto rs = cn.execute("select yf,jfmc,fromdate,todate from ajzrq" + where + " order by yf");
    for (; rs && !rs->eof(); rs->moveNext())
        out.push_back(AccountingMonth{textOf(rs->field("yf")), textOf(rs->field("jfmc")),
                                      dateTextOf(rs->field("fromdate")), dateTextOf(rs->field("todate"))});
    return out;
}

std::vector<PeriodRange> readTerms(Connection& cn, const std::string& where) {
    std::vector<PeriodRange> out;
    auto rs = cn.execute("select termTag,termName,yffromDate,yftoDate from termdate" + where +
                         " order by termTag");
    for (; rs && !rs->eof(); rs->moveNext())
        out.push_back(PeriodRange{textOf(rs->field(0)), textOf(rs->field(1)),
                                  dateTextOf(rs->field(2)), dateTextOf(rs->field(3))});
    return out;
}

std::vector<PeriodRange> readYears(Connection& cn, const std::string& where) {
    std::vector<PeriodRange> out;
    auto rs = cn.execute("select yearTag,yearMc,dateFrom,dateTo from kdw_year" + where +
                         " order by yearTag");
    for (; rs && !rs->eof(); rs->moveNext())
        out.push_back(PeriodRange{textOf(rs->field(0)), textOf(rs->field(1)),
                                  dateTextOf(rs->field(2)), dateTextOf(rs->field(3))});
    return out;
}

std::optional<PeriodRange> rangeOfDate(const std::vector<PeriodRange>& ranges, const std::string& date) {
    const std::string day = dayOf(date);
    for (const auto& r : ranges)
        if (contains(r.fromDate, r.toDate, day)) return r;
    return std::nullopt;
}

}  // namespace

std::vector<AccountingMonth> Calendar::months() const { return readMonths(*cn_, {}); }

std::optional<AccountingMonth> Calendar::month(const std::string& yf) const {
    auto rows = readMonths(*cn_, " where yf=" + sqlLiteral(yf));
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

std::optional<AccountingMonth> Calendar::monthOfDate(const std::string& date) const {
    const std::string day = dayOf(date);
    for (const auto& m : months())
        if (m.usable() && contains(m.fromDate, m.toDate, day)) return m;
    return std::nullopt;
}

std::optional<PeriodRange> Calendar::termOfDate(const std::string& date) const {
    return rangeOfDate(readTerms(*cn_, {}), date);
}

std::optional<PeriodRange> Calendar::yearOfDate(const std::string& date) const {
    return rangeOfDate(readYears(*cn_, {}), date);
}

std::optional<PeriodRange> Calendar::term(const std::string& tag) const {
    auto rows = readTerms(*cn_, " where termTag=" + sqlLiteral(tag));
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

std::optional<PeriodRange> Calendar::year(const std::string& tag) const {
    auto rows = readYears(*cn_, " where yearTag=" + sqlLiteral(tag));
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

bool Calendar::isCarriedOver(const std::string& yf) const {
    auto rs = cn_->execute("select count(*) from hisxsinfo where xsid=0 and jzyf=" + sqlLiteral(yf));
    return rs && !rs->eof() && rs->field(0).toInt() > 0;
}

std::string Calendar::currentYf() const {
    std::set<std::string> carried;
    auto rs = cn_->execute("select jzyf from hisxsinfo where xsid=0");
    for (; rs && !rs->eof(); rs->moveNext()) carried.insert(textOf(rs->field(0)));
    for (const auto& m : months())
        if (m.usable() && !carried.count(m.yf)) return m.yf;
    return {};
}

}  // namespace fo
