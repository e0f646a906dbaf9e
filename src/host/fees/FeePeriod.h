#pragma once
#include <functional>
#include <string>

#include "db/Connection.h"
#include "host/api/PeriodObject.h"

namespace fo {

// The host's fee-period object: one current accounting month with the term
// and the school year that contain its first day. Every call reads the
// calendar afresh, so a month set up meanwhile is seen at once.
class FeePeriod final : public PeriodObject {
public:
    // `connection` gives an open connection for each lookup.
    explicit FeePeriod(std::function<ConnectionPtr()> connection) : connection_(std::move(connection)) {}

    std::string getYfFromDate(const std::string& date) override;
    // An unknown month clears everything; a month without dates keeps its
    // key with empty dates, term and year.
    void setDdateFromYF(const std::string& yf) override;

    std::string monthQf() const override { return monthQf_; }
    std::string monthQFdateF() const override { return monthFrom_; }
    std::string monthQFdateT() const override { return monthTo_; }
    std::string termTag() const override { return termTag_; }
    std::string termQFdateF() const override { return termFrom_; }
    std::string termQFdateT() const override { return termTo_; }
    std::string yearTag() const override { return yearTag_; }

private:
    std::function<ConnectionPtr()> connection_;
    std::string monthQf_, monthFrom_, monthTo_;
    std::string termTag_, termFrom_, termTo_;
    std::string yearTag_;
};

}  // namespace fo
