#include "reports/ReportMonths.h"

#include <stdexcept>

#include "db/Recordset.h"
#include "db/values/DateTime.h"

namespace fo::reportmonths {
namespace {

DateTime firstDay(const std::string& month) {
    const auto day = month.size() == 7 ? DateTime::parse(month + "-01") : std::nullopt;
    if (!day) throw std::invalid_argument("月份不正确：" + month);
    return *day;
}

}  // namespace

Span span(const std::string& fromMonth, const std::string& toMonth) {
    const std::string to = toMonth.empty() ? fromMonth : toMonth;
    const DateTime from = firstDay(fromMonth), last = firstDay(to);
    if (last < from) throw std::invalid_argument("起始月份晚于截止月份：" + fromMonth + " 至 " + to);
    return {fromMonth, to, from.dateText(), last.addDays(last.daysInMonth()).dateText()};
}

std::string heading(const std::string& title, const Span& span) {
    return title + " " + span.fromMonth + (span.toMonth == span.fromMonth ? "" : " 至 " + span.toMonth);
}

std::vector<std::string> monthsOfBooks(Connection& cn) {
    DateTime first = DateTime::today();
    for (const char* sql : {"select min(qfrq) as first from qfhzb", "select min(rq) as first from kdw_sfjl"}) {
        RecordsetPtr rs = cn.execute(sql);
        if (rs->eof() || rs->field("first").isNull()) continue;
        const std::string text = rs->field("first").toText();
        if (auto d = DateTime::parse(text.substr(0, 10)); d && *d < first) first = *d;
    }
    const std::string start = first.dateText().substr(0, 7);
    std::vector<std::string> out;
    for (DateTime d = DateTime::today();; d = d.addDays(-d.day)) {
        out.push_back(d.dateText().substr(0, 7));
        if (out.back() <= start) break;
    }
    return out;
}

void offerMonths(ComboBox& from, ComboBox& to, Connection& cn) {
    from.Clear();
    to.Clear();
    for (const std::string& month : monthsOfBooks(cn)) {
        from.AddItem(month);
        to.AddItem(month);
    }
    from.setListIndex(0);
    to.setListIndex(0);
}

}  // namespace fo::reportmonths
