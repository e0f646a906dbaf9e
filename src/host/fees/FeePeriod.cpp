#include "host/fees/FeePeriod.h"

#include "host/fees/Calendar.h"

namespace fo {

std::string FeePeriod::getYfFromDate(const std::string& date) {
    auto month = Calendar(connection_()).monthOfDate(date);
    return month ? month->yf : std::string();
}

void FeePeriod::setDdateFromYF(const std::string& yf) {
    monthQf_.clear(); monthFrom_.clear(); monthTo_.clear();
    termTag_.clear(); termFrom_.clear(); termTo_.clear();
    yearTag_.clear();

    Calendar calendar(connection_());
    auto month = calendar.month(yf);
    if (!month) return;
    monthQf_ = month->yf;
    if (!month->usable()) return;
    monthFrom_ = month->fromDate;
    monthTo_ = month->toDate;
    if (auto term = calendar.termOfDate(month->fromDate)) {
        termTag_ = term->tag;
        termFrom_ = term->fromDate;
        termTo_ = term->toDate;
    }
    if (auto year = calendar.yearOfDate(month->fromDate)) yearTag_ = year->tag;
}

}  // namespace fo
