#pragma once
#include "FeeOfficeApi.h"
#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace fo {

// A calendar date with an optional time of day, as the fee database stores it.
struct FEEOFFICE_API DateTime {
    int year = 1899, month = 12, day = 30;  // the date (1899-12-30 is the zero date)
    int hour = 0, minute = 0, second = 0;  // the time of day; all 0 for a date alone

    auto operator<=>(const DateTime&) const = default;  // in calendar order

    // Parses "yyyy-mm-dd", "yyyy-mm-dd hh:mm[:ss]", "yyyy-mm-ddThh:mm:ss",
    // "yyyy/m/d" and "yyyy/m/d h:mm:ss"; nothing when the text is not a valid date.
    static std::optional<DateTime> parse(std::string_view text);
    static DateTime now();    // local date and time
    static DateTime today();  // local date, midnight

    bool hasTime() const { return hour || minute || second; }  // whether a time of day other than midnight is set
    std::string dateText() const;      // "yyyy-mm-dd"
    std::string dateTimeText() const;  // "yyyy-mm-dd hh:mm:ss"
    // The default text form of a date value: the date alone at midnight,
    // otherwise date and time ("yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss").
    std::string defaultText() const { return hasTime() ? dateTimeText() : dateText(); }

    DateTime addDays(int days) const;  // the date `days` later (earlier when negative), time kept
    int daysInMonth() const;  // the number of days of the date's month
    static bool isLeapYear(int year);  // whether February of `year` has 29 days
};

}  // namespace fo
