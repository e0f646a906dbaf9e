#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"

namespace fo {

// A change to the school that the books refuse; what() is the clerk's text.
class SetupRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The kinds of fee item (kdw_sfxm.jflx): under which period key it is owed.
enum class FeeKind { Termly = 0, OneOff = 1, Yearly = 2, Monthly = 3 };
const std::vector<std::pair<FeeKind, std::string>>& feeKindCaptions();  // "按月", ...

struct SchoolClass {
    int id = 0;
    std::string name;
};

// A node of the student-category tree (kdw_xslx); parentId 0 for the first level.
struct StudentCategory {
    int id = 0;
    int parentId = 0;
    std::string name;
};

struct FeeItem {
    int id = 0;
    std::string code;  // bh
    std::string name;  // mc
    FeeKind kind = FeeKind::Monthly;
    bool perDay = false;     // cqts 'Y': owed per day attended, standard amount x days
    bool inArrears = true;   // qftj 'Y': what is not paid becomes arrears at the month-end
};

// One item of a charge type: its standard amount and default days.
struct ChargeLine {
    int itemId = 0;
    Currency amount;
    int days = 0;
};

struct ChargeType {
    int id = 0;
    std::string name;
    std::vector<ChargeLine> lines;  // items of the type, by item id
};

// The school as the fee office keeps it: the calendar of a school year,
// classes, the student-category tree, fee items and charge types. Each
// operation writes on `cn` inside the caller's transaction (new ids are
// the next after the highest there) and refuses with SetupRefusal what the
// books would not bear. Nothing a posting can name is deleted: a class, a
// category, an item or a type is retired (del = 1) and the lists here
// leave it out. Rights and the audit log are the caller's.
class SchoolSetup {
public:
    explicit SchoolSetup(Connection& cn) : cn_(cn) {}

    // The twelve accounting months of the school year starting in
    // September of `startYear` (keys "yyyymm", each month its calendar
    // dates), its two terms ("yyyy上" September to January, "yyyy下"
    // February to August) and the year ("yyyy年"). Refused when any of
    // them is already there. The open month follows: the first month not
    // carried over.
    void addSchoolYear(int startYear);
    // Moves a month's dates (a month that is not yet carried over).
    void setMonthDates(const std::string& yf, const std::string& fromDate, const std::string& toDate);

    std::vector<SchoolClass> classes() const;
    int addClass(const std::string& name);
    void renameClass(int id, const std::string& name);
    // Refused while a student who is not gone (在园 or 休学) is in it.
    void retireClass(int id);

    std::vector<StudentCategory> categories() const;  // by parent, then id
    int addCategory(int parentId, const std::string& name);
    void renameCategory(int id, const std::string& name);
    // Refused while it has a category under it or a student in it.
    void retireCategory(int id);

    std::vector<FeeItem> feeItems() const;
    int addFeeItem(const FeeItem& item);
    void updateFeeItem(const FeeItem& item);
    // From the open month on, it is owed by nobody; what is stored stays.
    void retireFeeItem(int id);

    std::vector<ChargeType> chargeTypes() const;
    int addChargeType(const std::string& name);
    void renameChargeType(int id, const std::string& name);
    // Sets (or adds) the item's line of the type.
    void setChargeLine(int typeId, const ChargeLine& line);
    // Refused while a student who is not gone has the type.
    void retireChargeType(int id);

private:
    int nextId(const std::string& table) const;
    long count(const std::string& sql) const;
    std::string checkedName(const std::string& table, int id, const std::string& name, const std::string& what) const;

    Connection& cn_;
};

}  // namespace fo
