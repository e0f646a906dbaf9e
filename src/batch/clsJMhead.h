#pragma once
#include "FeeOfficeApi.h"
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "batch/clsJMmx.h"
#include "db/Connection.h"
#include "db/values/Currency.h"
#include "db/PreparedStatements.h"
#include "data/posting/PostingPlan.h"
#include "host/api/HostSystem.h"

namespace fo {

// The posting's working state is the module's own: only named here.
class BookNames;
namespace batch { class CounterBlocks; }
namespace jmjl {
class ArrearsOfStudents;
struct ReducedItem;
struct SettledRow;
}

using JMmxCollection = std::vector<clsJMmx>;

// The batch reduction poster. A caller fills in the student, the date, the
// fee type, the reason, the total and the items once, then for each student
// of a batch sets STR_xsid and str_bjmc and calls toJm, all inside one
// transaction it began itself. Every property X is read with `X()` and
// written with `set_X(value)`, in the order of the class interface.
class FEEOFFICE_API clsJMhead {
public:
    clsJMhead();
    ~clsJMhead();
    clsJMhead(clsJMhead&&) noexcept;  // moves a poster with its posting state
    clsJMhead& operator=(clsJMhead&&) noexcept;  // moves a poster with its posting state

    // Student id (kdw_xs.id), numeric text.
    const std::string& STR_xsid() const { return STR_xsid_; }
    void set_STR_xsid(std::string value) { STR_xsid_ = std::move(value); }
    // The student's class name (bjmc).
    const std::string& str_bjmc() const { return str_bjmc_; }
    void set_str_bjmc(std::string value) { str_bjmc_ = std::move(value); }
    // Reduction date as the caller's text (sfrq).
    const std::string& str_Jmrq() const { return str_Jmrq_; }
    void set_str_Jmrq(std::string value) { str_Jmrq_ = std::move(value); }
    // Fee type id (sflxid), numeric text.
    const std::string& str_Sflxid() const { return str_Sflxid_; }
    void set_str_Sflxid(std::string value) { str_Sflxid_ = std::move(value); }
    // The record's total reduction; the callers make it the sum of the items.
    Currency c_Jmhj() const { return c_Jmhj_; }
    void set_c_Jmhj(Currency value) { c_Jmhj_ = value; }
    // Reduction reason (减免原因), as typed: toJm quotes it.
    const std::string& str_JMYY() const { return str_JMYY_; }
    void set_str_JMYY(std::string value) { str_JMYY_ = std::move(value); }
    // A receipt id the caller may keep here; posting does not read it.
    const std::string& str_PjMLid() const { return str_PjMLid_; }
    void set_str_PjMLid(std::string value) { str_PjMLid_ = std::move(value); }
    // The items, in the order added.
    const JMmxCollection& colMX() const { return colMX_; }
    JMmxCollection& colMX() { return colMX_; }
    void set_colMX(JMmxCollection value) { colMX_ = std::move(value); }
    // The host system object every host service is asked of; the module's
    // host (gRun) when none was set.
    const std::shared_ptr<HostSystem>& myGrun() const { return myGrun_; }
    void set_myGrun(std::shared_ptr<HostSystem> value) {
        if (value == myGrun_) return;
        myGrun_ = std::move(value);
        constants_.reset();
        blocks_.reset();
        visible_.reset();
    }
    // The next `records` calls of toJm are one posting: the ids and numbers
    // they need are drawn from the host in blocks, not one by one, and the
    // statements written for every student are prepared once and bound. The
    // posting ends after them, or at a call that fails other than by
    // refusing its student; calls after it read and draw afresh.
    void drawInBlocks(long records);
    // The students (ids) of the posting and the periods its items reduce:
    // at its first student, inside the posting's transaction, their arrears
    // rows and names are read for all of them at once, and each student's
    // checks and settlement are made on those rows (a student posted for
    // twice is read afresh the second time). Without it each student's rows
    // are read for him alone; the checks are the same.
    void readAhead(std::vector<std::string> students, std::set<std::string> periods);
    // What the window showed the current student owing on each item, by
    // item id (the receivables list: each row's amount owed; the wizard:
    // what its second step read for him): a student who owes another amount
    // now was posted on by another clerk since, and is refused as out of
    // date. Items it does not name are held to nothing shown. A posting
    // confirmed from a preview is held to the preview instead.
    void setOwedShown(std::map<std::string, Currency> byItem) { owedShown_ = std::move(byItem); }

    // Posts one reduction for the current student on `trCnn`, inside the
    // caller's transaction: the KDW_sfjl record with a new "JM" number and
    // id, one KDW_sfjlmx row per item, then the settlement of the student's
    // open arrears in the items' months. It never begins, commits or rolls
    // back. Every failure is thrown to the caller, who must roll back; an
    // item reduced beyond its receivable is first shown as a warning, then
    // thrown as DbError(1, "操作失败！"). Before it writes, it refuses
    // (jmjl::ReductionRefused, a DbError) what planJm refuses. With `seen`,
    // the plan of this student the clerk was shown, it posts exactly that
    // or refuses, naming the rows another clerk changed since.
    void toJm(Connection& trCnn);
    void toJm(Connection& trCnn, const plan::Plan* seen);

    // What toJm will write for the current student, read from the rows on
    // `cn`, with one line per item for the clerk. Refusals, the first one
    // found: "over-reduction" (an item beyond its receivable), "amount" (below
    // zero, or a third decimal), "total" (not the sum of the items; none
    // gives a total of 0), "category" (a student the operator may not see)
    // and "owed" (items the student no longer owes as the books stand).
    // Numbers are drawn only for a plan that is not refused.
    plan::Plan planJm(Connection& cn, plan::Draws& draws);
    // The captions of planJm's lines.
    static std::vector<std::string> lineCaptions();

private:
    HostSystem& host() const;
    // toJm's work for the current student, in the posting under way.
    FEEOFFICE_NO_EXPORT void postStudent(Connection& trCnn, const plan::Plan* seen);
    // Forgets what the posting drew, read and prepared: the next call reads afresh.
    FEEOFFICE_NO_EXPORT void endPosting();
    // endPosting once the posting's records are all posted.
    FEEOFFICE_NO_EXPORT void endPostingIfDone();
    // The refusal of the current student, or none.
    // What he owed of each item of coming charges as read (none for the
    // others) goes to `comingOwed`.
    FEEOFFICE_NO_EXPORT void refusals(Connection& cn, plan::Plan& p, std::vector<jmjl::ReducedItem>& reduced,
                  std::vector<std::optional<Currency>>& comingOwed);
    // Plans the settlement of student xsId's open arrears for the entries
    // of strYfXmidJe ("month:itemid|amount,...") by record VsfJlid: the
    // items' reductions, each covered row closed, a successor row for what
    // is left; read on varCn.
    FEEOFFICE_NO_EXPORT std::vector<jmjl::SettledRow> toUpdateHis(const std::string& xsId, const std::string& strYfXmidJe,
                                              Connection& varCn, const plan::Datum& VsfJlid, plan::Plan& p,
                                              plan::Draws& draws, BookNames& names);
    // One line per item, with what the settlement did to its arrears.
    // An item of coming charges shows what he owed of it (`comingOwed`).
    FEEOFFICE_NO_EXPORT void lines(plan::Plan& p, const std::vector<jmjl::SettledRow>& settled, const std::string& student,
               const std::vector<std::optional<Currency>>& comingOwed = {});

    std::string STR_xsid_, str_bjmc_, str_Jmrq_, str_Sflxid_;
    Currency c_Jmhj_;
    std::string str_JMYY_, str_PjMLid_;
    JMmxCollection colMX_;
    std::shared_ptr<HostSystem> myGrun_;
    // What every record of one posting shares (the open month, the
    // operator), read from the host at the first student, not at each.
    struct PostingConstants {
        std::string sfyf, operid, skr;
    };
    std::optional<PostingConstants> constants_;
    std::shared_ptr<batch::CounterBlocks> blocks_;
    std::shared_ptr<PreparedStatements> prepared_;
    // The students the operator may see, read once per posting on the
    // connection it posts on (inside its transaction); a plan made outside
    // a posting reads them each time.
    struct VisibleStudents {
        const Connection* on = nullptr;
        std::set<std::int64_t> ids;
    };
    std::optional<VisibleStudents> visible_;
    bool visibleToOperator(Connection& cn);
    // The names of a posting's plans, the items' read once per posting; a
    // plan made outside a posting reads its own (`own`).
    std::unique_ptr<BookNames> names_;
    FEEOFFICE_NO_EXPORT BookNames& namesOn(Connection& cn, std::optional<BookNames>& own);
    // The statements a posting prepares once and binds per student; none
    // outside a posting.
    PreparedStatements* postingStatements() const { return blocks_ ? prepared_.get() : nullptr; }
    // The posting's students and periods to read ahead, and the rows read.
    std::vector<std::string> aheadStudents_;
    std::set<std::string> aheadPeriods_;
    std::unique_ptr<jmjl::ArrearsOfStudents> held_;
    long postingCallsLeft_ = 0;  // calls of toJm the posting still has
    // Whether planJm describes the rows it plans: always but in a posting
    // that compares nothing with a preview.
    bool describeRows_ = true;
    std::map<std::string, Currency> owedShown_;
    // Whether the posting is held to a preview rather than to owedShown_.
    bool heldToPreview_ = false;
    // The rows read ahead on `cn`, read at the posting's first student; none
    // outside a posting or without readAhead.
    FEEOFFICE_NO_EXPORT const jmjl::ArrearsOfStudents* heldOn(Connection& cn);
};

}  // namespace fo
