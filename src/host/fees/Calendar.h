#pragma once
#include <optional>
#include <string>
#include <vector>

#include "db/Connection.h"

namespace fo {

// A month key ("202612") as a clerk reads it: "2026年12月"; anything that
// is no month key as it stands.
std::string monthCaption(const std::string& key);

// An accounting month (ajzrq): key, display name and date range. A month is
// usable only when both dates are set.
struct AccountingMonth {
    std::string yf;        // month key, e.g. "202609"
    std::string jfmc;      // display name
    std::string fromDate;  // "yyyy-mm-dd", "" when not set
    std::string toDate;
    bool usable() const { return !fromDate.empty() && !toDate.empty(); }
};

// A term (termdate) or a school year (kdw_year): tag and date range.
struct PeriodRange {
    std::string tag;       // termTag ("2026上") or yearTag ("2026")
    std::string name;      // termName / yearMc
    std::string fromDate;  // "yyyy-mm-dd"
    std::string toDate;
};

// The fee calendar of one database, read afresh on every call: accounting
// months, terms, school years and the carry-over history.
class Calendar {
public:
    explicit Calendar(ConnectionPtr cn) : cn_(std::move(cn)) {}

    std::vector<AccountingMonth> months() const;                    // ordered by yf
    std::optional<AccountingMonth> month(const std::string& yf) const;
    // The usable month whose range contains `date`.
    std::optional<AccountingMonth> monthOfDate(const std::string& date) const;
    std::optional<PeriodRange> termOfDate(const std::string& date) const;
    std::optional<PeriodRange> yearOfDate(const std::string& date) const;
    std::optional<PeriodRange> term(const std::string& tag) const;
    std::optional<PeriodRange> year(const std::string& tag) const;
    bool isCarriedOver(const std::string& yf) const;  // hisxsinfo row with xsid 0
    // The open month: the first usable month, in key order, not yet carried
    // over; "" when there is none.
    std::string currentYf() const;

private:
    ConnectionPtr cn_;
};

}  // namespace fo
