#pragma once
#include "FeeOfficeApi.h"
#include <string>

namespace fo {

// The host's fee-period object (`pFindJzDate`, and the one handed in through
// `cLsBILLhead.objYfAndTerm`): resolves a date to its accounting month and
// keeps a current month with its term and school year.
class FEEOFFICE_API PeriodObject {
public:
    virtual ~PeriodObject() = default;
    // The month key whose date range contains `date` ("yyyy-mm-dd"); "" when none.
    virtual std::string getYfFromDate(const std::string& date) = 0;
    // Makes `yf` the current month; term and year follow from its first day.
    virtual void setDdateFromYF(const std::string& yf) = 0;
    virtual std::string monthQf() const = 0;
    virtual std::string monthQFdateF() const = 0;  // "yyyy-mm-dd"
    virtual std::string monthQFdateT() const = 0;
    virtual std::string termTag() const = 0;
    virtual std::string termQFdateF() const = 0;
    virtual std::string termQFdateT() const = 0;
    virtual std::string yearTag() const = 0;
};

}  // namespace fo
