#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "ui/controls/ComboBox.h"

// A run of months as the reports take it: "yyyy-mm" to "yyyy-mm", read as
// the days from the first month's first day up to the day after the last.
namespace fo::reportmonths {

struct Span {
    std::string fromMonth, toMonth;  // "yyyy-mm"
    std::string firstDay, endDay;    // "yyyy-mm-dd": [firstDay, endDay)
};

// `toMonth` empty: the one month. Throws std::invalid_argument (Chinese) for
// a month that is not one, or a run that goes backwards.
Span span(const std::string& fromMonth, const std::string& toMonth);

// "收费汇总表 2026-09 至 2026-12", or with the one month.
std::string heading(const std::string& title, const Span& span);

// The months from the first arrears row or fee record to today's, the
// latest first, as the report windows offer them.
std::vector<std::string> monthsOfBooks(Connection& cn);

// Fills a window's 从/至 pair with monthsOfBooks, the latest chosen in both.
void offerMonths(ComboBox& from, ComboBox& to, Connection& cn);

}  // namespace fo::reportmonths
