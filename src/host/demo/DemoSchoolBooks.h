#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "db/values/DateTime.h"

namespace fo::demo {

struct DemoStudent {
    int id = 0;
    std::string xh, xm, bjmc;
    int sflxid = 0;
};

struct DemoClerk {
    int id = 0;
    std::string name;
};

// One item line of a fee record.
struct FeeLine {
    int sfxmid = 0;
    std::string itemName;
    Currency amount;
    std::string periodName;  // feetermname: "2026-09-01至2026-09-30" or "一次性"
    std::string from, to;    // the period's first and last day; "" when none
    int days = 0;            // attendance days of a per-day item
};

// The fee office's bookkeeping as the host application does it, for writing
// demo data: every charge gets its receipt and its cash-journal row under the
// record's id and number; a cancellation books a mirror with every amount
// negated and never edits its source. Ids and numbers are handed out here
// and stay above what the database holds, so the host's counters continue
// from them.
class DemoBooks {
public:
    explicit DemoBooks(Connection& cn) : cn_(cn) {}

    int nextRecordId() { return ++lastRecordId_; }  // kdw_sfjl and INandOutML
    int nextArrearsId() { return ++lastArrearsId_; }
    // prefix + "yyyymmdd" + four-digit daily sequence, as the host numbers.
    std::string nextNumber(const std::string& prefix, const DateTime& day);

    // A charge (SF) paid in cash, less `fromPrepayment` taken from the
    // student's prepaid balance. Returns the record id.
    int charge(const DemoStudent& s, const std::string& yf, const DateTime& when, const std::vector<FeeLine>& lines,
               Currency fromPrepayment, const DemoClerk& clerk);
    // A reduction (JM) of the lines' amounts. Returns the record id.
    int reduction(const DemoStudent& s, const std::string& yf, const DateTime& when,
                  const std::vector<FeeLine>& lines, const std::string& reason, const DemoClerk& clerk);
    // A prepayment (YSK) on one item: raises kdw_xs.ysk and XS_SFXM_YSK.
    int prepayment(const DemoStudent& s, const std::string& yf, const DateTime& when, const FeeLine& line,
                   const DemoClerk& clerk);
    // Cancels a charge that took no prepayment: voids its receipt and books
    // the QXSF mirror of the record, its items and its journal rows.
    void cancelCharge(int recordId, const DateTime& when, const DemoClerk& clerk);
    // Cancels a reduction that settled no arrears: books the QXJM mirror.
    void cancelReduction(int recordId, const DateTime& when, const DemoClerk& clerk);

private:
    int mirror(int recordId, const std::string& prefix, const DateTime& when, const DemoClerk& clerk);
    void journal(int id, const std::string& djbh, const std::string& yf, const DateTime& when, Currency cash,
                 const std::string& summary, const DemoClerk& clerk);
    // The office's audit log row of a posting, as the program writes one.
    void logged(const std::string& operation, const std::string& djbh, std::optional<Currency> amount,
                const DateTime& when, const DemoClerk& clerk);

    Connection& cn_;
    int lastRecordId_ = 0;
    int lastArrearsId_ = 0;
    int lastReceiptId_ = 0;
    std::map<std::string, int> dailySequence_;
};

// An amount in Chinese capital numerals, as a receipt prints it
// (1234.5 -> "壹仟贰佰叁拾肆元伍角").
std::string amountInWords(Currency amount);

}  // namespace fo::demo
