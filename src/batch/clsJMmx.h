#pragma once
#include "FeeOfficeApi.h"
#include <cstdint>
#include <string>
#include <utility>

#include "db/values/Currency.h"
#include "db/values/DateTime.h"

namespace fo {

// One fee item of a reduction, filled in by the caller before the poster
// (clsJMhead::toJm) runs. It has no behaviour of its own. Every property X
// is read with `X()` and written with `set_X(value)`, in the order of the
// class interface.
class FEEOFFICE_API clsJMmx {
public:
    // Receivable of the item (应收金额): the upper limit of the reduction.
    Currency sngYsje() const { return sngYsje_; }
    void set_sngYsje(Currency value) { sngYsje_ = value; }
    // Reduction of the item (减免金额), positive.
    Currency sngJMje() const { return sngJMje_; }
    void set_sngJMje(Currency value) { sngJMje_ = value; }
    // Fee item id (sfxmid), numeric text.
    const std::string& strXmid() const { return strXmid_; }
    void set_strXmid(std::string value) { strXmid_ = std::move(value); }
    // Fee item name; only shown when the reduction exceeds the receivable.
    const std::string& strXmmc() const { return strXmmc_; }
    void set_strXmmc(std::string value) { strXmmc_ = std::move(value); }
    // Name of the fee period the item belongs to (stored as feeTermName).
    const std::string& str_FeeTermName() const { return str_FeeTermName_; }
    void set_str_FeeTermName(std::string value) { str_FeeTermName_ = std::move(value); }
    // A date the caller carries along; the poster does not read it.
    const DateTime& tmpDate() const { return tmpDate_; }
    void set_tmpDate(DateTime value) { tmpDate_ = value; }
    // Arrears month (qfyf) the item reduces.
    const std::string& strQFYF() const { return strQFYF_; }
    void set_strQFYF(std::string value) { strQFYF_ = std::move(value); }
    // Attendance days (cqts).
    std::int32_t lngCqts() const { return lngCqts_; }
    void set_lngCqts(std::int32_t value) { lngCqts_ = value; }

private:
    Currency sngYsje_, sngJMje_;
    std::string strXmid_, strXmmc_, str_FeeTermName_;
    DateTime tmpDate_;
    std::string strQFYF_;
    std::int32_t lngCqts_ = 0;
};

}  // namespace fo
