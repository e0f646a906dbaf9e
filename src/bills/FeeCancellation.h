#pragma once
#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/DateTime.h"
#include "host/api/DbInfo.h"
#include "host/api/HostSystem.h"
#include "data/posting/PostingPlan.h"

namespace fo {

// Cancelling a charge record. A cancellation never edits or deletes the
// source record: it books a mirror under a new "QXSF" number with every
// amount negated (so source and mirror sum to zero), mirrors the cash
// journal, gives the prepayments back, removes the transfer records the
// charge produced and reopens the arrears rows it settled.
//
// Everything runs on the caller's connection inside the caller's
// transaction; nothing here begins, commits or rolls back. A false result or
// an exception leaves statements already run for the caller to roll back.
namespace feecancel {

// What a statement needs to know of the source record and of this run.
// Ids and amounts are the texts placed into SQL unquoted; texts that go
// between quotes (number, user name) are quoted by the builders.
struct Mirror {
    std::string sourceId;   // O: the record being cancelled
    std::string mirrorId;   // N: the new record, journal row and journal lines
    std::string number;     // D: the new "QXSF" document number
    std::string userId;     // U
    std::string userName;
    DateTime now;           // the client's moment of the cancellation
};

// The source record, live only (neither a mirror nor already cancelled),
// chosen by `sfJLid` when it is not blank, else by document number.
// `sqlServer` is the database-information object's dialect.
std::string sourceRecordQuery(bool sqlServer, const std::string& varDjbh, const std::string& sfJLid);

std::string journalHeaderMirror(const Mirror& m);
std::string journalLinesMirror(const Mirror& m);
std::string feeRecordMirror(const Mirror& m);
std::string itemRowsMirror(const Mirror& m);

// Per-item prepayment shares of the source record; `sqlServer` is the host's
// dialect.
std::string prepaidSharesQuery(bool sqlServer, const std::string& sourceId);
std::string prepaidShareGiveBack(const std::string& share, const std::string& sfxmid,
                                 const std::string& studentId);

// Clears the student's last-charge date.
std::string lastChargeDateClear(const std::string& studentId);

// Puts back the student's two charge dates as the record kept them when it
// was charged (kdw_sfjl.yscsfrq, ybcsfrq).
std::string chargeDatesRestore(const std::string& studentId, const std::string& sourceId);

// The student's live charges, deposits and refunds recorded after the
// record: each of them moved his charge dates on again.
std::string laterDatedRecordsQuery(const std::string& studentId, const std::string& sourceId);

// The two balance updates of kdw_xs.ysk: the transferred amount comes back,
// the prepayment the charge added goes again.
std::vector<std::string> balanceRestore(bool sqlServer, const std::string& hkje, const std::string& ysk,
                                        const std::string& studentId);

// Transfer records produced by the charge: items first, then the records.
std::vector<std::string> transferRemoval(bool sqlServer, const std::string& sourceId);

// A value written unquoted; anything but a number is refused
// (std::invalid_argument naming it) before it reaches a statement.
std::string number(const std::string& text, const char* name);

// Remainder rows go with their items; settled rows become open again.
std::vector<std::string> arrearsReopening(const std::string& sourceId);

// Marks the receipts of a bill void: by number when `djbh` is not empty,
// else by id. `voidDate` is placed as it stands ("getdate()" or a quoted
// date-time); `useridZfr` and `id` must be numbers.
std::string voidUpdate(const std::string& voidDate, const std::string& zfr, const std::string& useridZfr,
                       const std::string& zfyy, const std::string& djbh, const std::string& id);

// The receipts a void would mark, chosen as voidUpdate chooses them, with
// the columns it writes.
std::string receiptRowsQuery(const std::string& djbh, const std::string& id);

// Messages shown to the clerk.
inline constexpr const char* kCarriedOverText = "不能取消结转前的收费记录";
inline constexpr const char* kLaterOperationText =
    "继本次收费操作后又发生与之相关的减免或收费操作！不能直接取消本次收费！\r\n\r\n"
    "请按照“后操作先取消”的顺序完成取消操作。";
inline constexpr const char* kWarningTitle = "警告！";
inline constexpr const char* kAlreadyVoidText = "所选单据已经作废！";

}  // namespace feecancel

// One cancellation run. Made per call: it takes a fresh database-information
// object, which supplies the user, the dialect of the source query, and the
// new number and id of a posting.
//
// A cancellation is planned first (see data/posting/PostingPlan.h): what it will
// write, computed from the stored rows it reads on the connection, with the
// refusals it meets. A preview shows the plan; a posting plans again on its
// transaction and runs the plan's statements.
class FeeCancellation {
public:
    // `cn` is the connection the rows are read on (and, for a posting, the
    // caller's connection in its open transaction); `ownHost` is the host of
    // the bill header object (for the open fee month).
    FeeCancellation(Connection& cn, HostSystem& ownHost);

    // The current user's id, as the mirror records are written with it.
    const std::string& userId() const { return userId_; }

    // Plans the cancellation of the live record `sfJLid` (when not blank) or
    // the live record numbered `varDjbh` onto `plan`. Refusals: "missing"
    // (no such live record with a receipt), "carried-over" (a month before
    // the open one), "later-operation" (a later charge or reduction rests on
    // the arrears it settled, named). Nothing is drawn when it is refused.
    void planInto(plan::Plan& plan, const std::string& varDjbh, const std::string& sfJLid, plan::Draws& draws);
    // What a posting draws: the database-information object's counters.
    plan::Draws postingDraws();

    // Carries `plan` out on the connection: a refusal is shown (title
    // "警告！") and gives false, except "missing", which is thrown as
    // DbError; when the clerk previewed `seen` and the plan now differs, the
    // rows that changed are named and nothing is written (false). Otherwise
    // runs the plan's statements under the hourglass and gives true; a
    // failing statement throws DbError.
    bool carryOut(const plan::Plan& plan, const plan::Plan* seen);

    // Plans and carries out in one go, as a posting does.
    bool run(const std::string& varDjbh, const std::string& sfJLid, const plan::Plan* seen = nullptr);

private:
    // Why no live charge record with a receipt was found, for the clerk.
    std::string notCancellable(const std::string& varDjbh, const std::string& sfJLid);

    Connection& cn_;
    HostSystem& ownHost_;
    std::unique_ptr<DbInfo> dbInfo_;
    std::string userName_;
    std::string userId_;
};

}  // namespace fo
