#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "db/DbError.h"
#include "db/PreparedStatements.h"
#include "host/api/HostSystem.h"
#include "reduction/ArrearsOfStudents.h"

// What every reduction posting checks before it writes: the single-student
// window, the batch wizard and the arrears-based batch list all post
// through these, so a reduction is held to the same rules whichever window
// entered it.
namespace fo::jmjl {

// A reduction refused by these checks, before anything of it was written:
// a batch may go on checking its other students and name them all before
// it rolls back. `description()` is the reason for the clerk.
class ReductionRefused : public DbError {
public:
    explicit ReductionRefused(const std::string& reason) : DbError(1, reason) {}
};

// Why an amount cannot be a reduction of `itemName`: below zero, more than
// two decimals, or no plain number at all (text, full-width digits); ""
// when it can, or when nothing was typed. `typed` is the text as entered.
std::string amountRefusal(const std::string& itemName, std::string_view typed);
std::string amountRefusal(const std::string& itemName, Currency amount);
// The same for a row that owes `owed` exactly: a row an older database left
// owing part of a cent (0.005) can only be cleared by that very amount, so
// it is taken with its third and fourth decimals; any other such amount is
// refused as above.
std::string amountRefusal(const std::string& itemName, std::string_view typed, Currency owed);
std::string amountRefusal(const std::string& itemName, Currency amount, Currency owed);

// What a row owes as a clerk is shown it: "12.50", or "0.005" when it owes
// part of a cent, which "0.01" would misstate (and the posting refuse).
std::string owedText(Currency owed);
// Whether an amount holds part of a cent.
bool partOfACent(Currency amount);

// The periods that hold `date` ("yyyy-mm-dd"): its accounting month and the
// term and year tags of that month ("" where the calendar has none). Read
// through the host's period object, which is left on the month it was on.
struct PeriodsOfDate {
    std::string month, term, year;
};
PeriodsOfDate periodsOfDate(HostSystem& run, const std::string& date);

// One item of a reduction as the stored books are asked about it.
struct ReducedItem {
    std::string period;    // the arrears key it settles (month key, term or year tag, "一次性"); may be ""
    std::string itemId;    // kdw_sfxm.id
    std::string itemName;  // for the clerk
    Currency amount;
    std::string listId;    // the arrears item row (qfmxb.listid) the window showed it from, or ""
    // What the window showed the student owing on the item in the period,
    // when it showed that (the receivables list): another amount owed now
    // means another clerk posted on it since, and the list is out of date.
    std::optional<Currency> shownOwed;
};

// Whether student `xsid` still owes what the items reduce, read on the
// posting's transaction connection after it began and before it writes
// (under the books' write lock nobody else can change the answer before the
// commit). An item of a period with stored arrears rows owes what their open
// rows still owe on it (nothing once they are closed); an item of a period
// not stored yet owes what the host's dues rules leave of the coming charges
// of that period, which must be the period of its kind that holds
// `reductionDate` ("yyyy-mm-dd"): the dues rules count a reduction for the
// period that holds its date. The host's period object is consulted and
// left on the month it was on. A row the
// window showed (listId) must still be open and of the item's period; what
// it showed owed (shownOwed) must be what is owed now. One record either settles
// stored arrears or reduces coming charges, never both (the dues rules do
// not count a record that settled stored rows), and names each item once.
// Returns the refusal for the clerk, or "" when the reduction may be posted.
// With `comingOwedNow`, what the student owed of each item of coming
// charges as it was read (in the items' order; none for a stored item or
// one not reached before a refusal).
// A batch passes the statements it prepares (`prepared`): the same reads
// of the stored rows, with only each student's values bound; and the rows
// it read for all its students at once in its transaction (`held`), which
// answer for the students they hold.
std::string stillOwedRefusal(Connection& trCn, HostSystem& run, const std::string& xsid,
                             const std::string& reductionDate, const std::vector<ReducedItem>& items,
                             PreparedStatements* prepared = nullptr, const ArrearsOfStudents* held = nullptr,
                             std::vector<std::optional<Currency>>* comingOwedNow = nullptr);

// What each of `students` (ids) owes now of each of `items` in a reduction
// dated `reductionDate`, read as stillOwedRefusal reads it: the open stored
// rows of the item's period when stored rows hold it, otherwise what the
// dues rules leave of its coming charges. By student id and item id, as the
// database gives them back ("5", not "05"). A window keeps this for what it
// showed; the posting is refused when it reads another amount.
using OwedByStudent = std::map<std::pair<std::string, std::string>, Currency>;
OwedByStudent owedNow(Connection& cn, HostSystem& run, const std::vector<std::string>& students,
                      const std::string& reductionDate, const std::vector<ReducedItem>& items);
// An id as the database gives it back, the key of OwedByStudent.
std::string idKey(const std::string& id);

}  // namespace fo::jmjl
