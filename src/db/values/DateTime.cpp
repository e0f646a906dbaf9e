#include "db/values/DateTime.h"

#include <cstdio>
#include <ctime>

namespace fo {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

int monthLength(int year, int month) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && DateTime::isLeapYear(year)) return 29;
    return lengths[month - 1];
}

// Reads 1..maxDigits decimal digits.
bool readNumber(std::string_view& s, int minDigits, int maxDigits, int& out) {
    int n = 0, value = 0;
    while (n < maxDigits && n < static_cast<int>(s.size()) && s[n] >= '0' && s[n] <= '9') {
        value = value * 10 + (s[n] - '0');
        ++n;
    }
    if (n < minDigits) return false;
    s.remove_prefix(n);
    out = value;
    return true;
}

// Two decimal digits at `p`, or -1.
int twoDigits(const char* p) {
    const unsigned high = static_cast<unsigned char>(p[0]) - '0', low = static_cast<unsigned char>(p[1]) - '0';
    return high < 10 && low < 10 ? static_cast<int>(high * 10 + low) : -1;
}

// The forms the fee database stores, "yyyy-mm-dd" and "yyyy-mm-dd
// hh:mm:ss", read at their fixed places: a list reads one or two per row.
// False when the text has another form, for the general reader.
bool readStoredForm(std::string_view s, DateTime& t) {
    if ((s.size() != 10 && s.size() != 19) || s[4] != '-' || s[7] != '-') return false;
    const int century = twoDigits(&s[0]), year = twoDigits(&s[2]), month = twoDigits(&s[5]), day = twoDigits(&s[8]);
    if ((century | year | month | day) < 0) return false;
    t.year = century * 100 + year, t.month = month, t.day = day;
    if (s.size() == 10) return true;
    if (s[10] != ' ' || s[13] != ':' || s[16] != ':') return false;
    const int hour = twoDigits(&s[11]), minute = twoDigits(&s[14]), second = twoDigits(&s[17]);
    if ((hour | minute | second) < 0) return false;
    t.hour = hour, t.minute = minute, t.second = second;
    return true;
}

// A day of the calendar and a time of day.
bool valid(const DateTime& t) {
    return t.year >= 1 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= monthLength(t.year, t.month) &&
           t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

bool take(std::string_view& s, char c) {
    if (s.empty() || s.front() != c) return false;
    s.remove_prefix(1);
    return true;
}

std::string two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

}  // namespace

bool DateTime::isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DateTime::daysInMonth() const { return monthLength(year, month); }

std::optional<DateTime> DateTime::parse(std::string_view s) {
    if (DateTime t; readStoredForm(s, t)) return valid(t) ? std::optional(t) : std::nullopt;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    DateTime t;
    if (!readNumber(s, 4, 4, t.year)) return std::nullopt;
    if (s.empty() || (s.front() != '-' && s.front() != '/')) return std::nullopt;
    const char sep = s.front();
    s.remove_prefix(1);
    if (!readNumber(s, 1, 2, t.month) || !take(s, sep) || !readNumber(s, 1, 2, t.day)) return std::nullopt;
    if (s.empty()) return valid(t) ? std::optional(t) : std::nullopt;
    if (s.front() != ' ' && s.front() != 'T') return std::nullopt;
    while (!s.empty() && (s.front() == ' ' || s.front() == 'T')) s.remove_prefix(1);
    if (!readNumber(s, 1, 2, t.hour) || !take(s, ':') || !readNumber(s, 2, 2, t.minute)) return std::nullopt;
    if (take(s, ':') && !readNumber(s, 2, 2, t.second)) return std::nullopt;
    // Fractions of a second (as some engines store them) are dropped.
    if (take(s, '.'))
        while (!s.empty() && s.front() >= '0' && s.front() <= '9') s.remove_prefix(1);
    if (!s.empty()) return std::nullopt;
    return valid(t) ? std::optional(t) : std::nullopt;
}

DateTime DateTime::now() {
    const std::time_t clock = std::time(nullptr);
    std::tm local{};
    localtime_r(&clock, &local);
    DateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    return t;
}

DateTime DateTime::today() {
    DateTime t = now();
    t.hour = t.minute = t.second = 0;
    return t;
}

std::string DateTime::dateText() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-", year);
    return buf + two(month) + "-" + two(day);
}

std::string DateTime::dateTimeText() const {
    return dateText() + " " + two(hour) + ":" + two(minute) + ":" + two(second);
}

DateTime DateTime::addDays(int days) const {
    DateTime t = *this;
    civilFromDays(daysFromCivil(year, month, day) + days, t.year, t.month, t.day);
    return t;
}

}  // namespace fo
