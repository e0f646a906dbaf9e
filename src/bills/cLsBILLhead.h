#pragma once
#include "FeeOfficeApi.h"
#include <memory>
#include <string>

#include "db/Connection.h"
#include "db/Recordset.h"
#include "host/api/HostSystem.h"
#include "host/api/PeriodObject.h"
#include "host/api/SettingsCollection.h"
#include "bills/ReceiptPrinter.h"
#include "data/posting/PostingPlan.h"

namespace fo {

// The bill header object: the module's main public class. The host creates
// one, hands its shared objects over through properties (gRun first), and
// uses it as the record of one issued receipt (stored with insertPjML), as
// the source of the receipt register's list statements, and as the entry
// object of the module.
//
// Properties keep the names the host calls them by, in the order of the
// class interface. Every property X is read with `X()` and written with
// `set_X(value)`; SetgColSysCS is write-only (`set_SetgColSysCS`). All of
// them are plain stored values except the object setters noted below.
class FEEOFFICE_API cLsBILLhead {
public:
    // The host's fee-period object; setting it also makes it the module's
    // fee period (globals().feePeriod).
    const std::shared_ptr<PeriodObject>& objYfAndTerm() const { return objYfAndTerm_; }
    void set_objYfAndTerm(std::shared_ptr<PeriodObject> value);

    // Whether the payee name is printed on a receipt.
    bool blnPrintSKr() const { return blnPrintSKr_; }
    void set_blnPrintSKr(bool value) { blnPrintSKr_ = value; }

    // The host's settings collection; kept only in globals().settings.
    void set_SetgColSysCS(std::shared_ptr<SettingsCollection> value);

    // Printing values carried to the receipt register window.
    const std::string& picPath2() const { return picPath2_; }
    void set_picPath2(std::string value) { picPath2_ = std::move(value); }
    const std::string& picPath() const { return picPath_; }
    void set_picPath(std::string value) { picPath_ = std::move(value); }
    const std::string& kdwContent() const { return kdwContent_; }
    void set_kdwContent(std::string value) { kdwContent_ = std::move(value); }
    const std::shared_ptr<ReceiptPrinter>& gBillPrint() const { return gBillPrint_; }
    void set_gBillPrint(std::shared_ptr<ReceiptPrinter> value) { gBillPrint_ = std::move(value); }

    // The host system object. Setting it, in this order: keeps it here,
    // makes it the module's host (globals().host), and takes the module's
    // transaction link string from a new database-information object.
    const std::shared_ptr<HostSystem>& gRun() const { return gRun_; }
    void set_gRun(std::shared_ptr<HostSystem> value);

    const std::string& pPcs() const { return pPcs_; }  // printing value: copies per receipt, for the register
    void set_pPcs(std::string value) { pPcs_ = std::move(value); }  // sets the copies per receipt
    const std::string& strSFTFprojectName() const { return strSFTFprojectName_; }  // the charge or refund project name; stored only
    void set_strSFTFprojectName(std::string value) { strSFTFprojectName_ = std::move(value); }  // sets the project name
    const std::string& cmbPage() const { return cmbPage_; }  // printing value: the paper format chosen, for the register
    void set_cmbPage(std::string value) { cmbPage_ = std::move(value); }  // sets the paper format
    const std::string& pBillNameForsfSub() const { return pBillNameForsfSub_; }  // printing value: the receipt form name of sub-charges
    void set_pBillNameForsfSub(std::string value) { pBillNameForsfSub_ = std::move(value); }  // sets the sub-charge receipt form name
    const std::string& pBillNameForSF() const { return pBillNameForSF_; }  // printing value: the receipt form name of charges
    void set_pBillNameForSF(std::string value) { pBillNameForSF_ = std::move(value); }  // sets the charge receipt form name

    // Void reason (PjML.zfyy).
    const std::string& zfyy() const { return zfyy_; }
    void set_zfyy(std::string value) { zfyy_ = std::move(value); }
    // Dialect code of this object's own statements: 1 = SQL Server, any
    // other value = Access.
    int pSql() const { return pSql_; }
    void set_pSql(int value) { pSql_ = value; }
    // User id of the person who voids (numeric text).
    const std::string& pUseridZfr() const { return pUseridZfr_; }
    void set_pUseridZfr(std::string value) { pUseridZfr_ = std::move(value); }
    // Id of the current user.
    const std::string& pUserid() const { return pUserid_; }
    void set_pUserid(std::string value) { pUserid_ = std::move(value); }

    // The receipt record (PjML columns in brackets).
    const std::string& zfr() const { return zfr_; }            // voided by (zfr)
    void set_zfr(std::string value) { zfr_ = std::move(value); }
    const std::string& zfrq() const { return zfrq_; }          // void date, stored only
    void set_zfrq(std::string value) { zfrq_ = std::move(value); }
    const std::string& skr() const { return skr_; }            // payee (skr)
    void set_skr(std::string value) { skr_ = std::move(value); }
    const std::string& kpr() const { return kpr_; }            // issuer (kpr)
    void set_kpr(std::string value) { kpr_ = std::move(value); }
    const std::string& jeDx() const { return jeDx_; }          // total in capital figures (jeDx)
    void set_jeDx(std::string value) { jeDx_ = std::move(value); }
    const std::string& hjje() const { return hjje_; }          // total amount (hjje), numeric
    void set_hjje(std::string value) { hjje_ = std::move(value); }
    const std::string& beizhu() const { return beizhu_; }      // remark (bz)
    void set_beizhu(std::string value) { beizhu_ = std::move(value); }
    const std::string& kprq() const { return kprq_; }          // issue date, stored only
    void set_kprq(std::string value) { kprq_ = std::move(value); }
    const std::string& xm() const { return xm_; }              // student name (xm)
    void set_xm(std::string value) { xm_ = std::move(value); }
    const std::string& xh() const { return xh_; }              // student number (xh)
    void set_xh(std::string value) { xh_ = std::move(value); }
    const std::string& xsId() const { return xsId_; }          // student id (xsid), numeric
    void set_xsId(std::string value) { xsId_ = std::move(value); }
    const std::string& bjmc() const { return bjmc_; }          // class name (bjmc)
    void set_bjmc(std::string value) { bjmc_ = std::move(value); }
    const std::string& state() const { return state_; }        // bill state (pjState); "作废" when void
    void set_state(std::string value) { state_ = std::move(value); }
    const std::string& djbh() const { return djbh_; }          // document number (djbh)
    void set_djbh(std::string value) { djbh_ = std::move(value); }
    const std::string& ID() const { return ID_; }              // bill id (id), numeric
    void set_ID(std::string value) { ID_ = std::move(value); }

    // Stores the receipt described by `clsHead` as one PjML row and one
    // PjMLmx row per row of `rec` (fields xmmc, term, je, cqts, bz), on
    // `mycn` inside the caller's transaction: it never begins, commits or
    // rolls back. `rec` must hold at least one row. The issue date is the
    // moment of storing. On the first failure it shows the error (title
    // "警告") and returns false, leaving what already ran for the caller to
    // roll back.
    bool insertPjML(Connection& mycn, Recordset& rec, const cLsBILLhead& clsHead);

    // Voids this bill (every PjML row of its number, or the row of its id
    // when it has no number) and cancels the fee record of its number, on
    // `mycn` inside the caller's transaction. Errors are not caught: they
    // reach the caller, which rolls back, as it does on a false result.
    // With `seen`, the plan the clerk was shown (planZF), the void writes
    // exactly that or, when another clerk changed one of its rows since,
    // names the rows and writes nothing (false). "合计" (a list's sum row)
    // voids nothing and gives false.
    bool PJZF(Connection& mycn, const plan::Plan* seen = nullptr);
    // What PJZF will write, read from the stored rows on `cn`, and the
    // refusals it meets ("receipt-missing", "already-void", and those of
    // FeeCancellation::planInto). With preview draws nothing is drawn from
    // the counters and nothing is written.
    plan::Plan planZF(Connection& cn, plan::Draws& draws);

    // Cancels one charge record by booking its mirror (see FeeCancellation):
    // the record `sfJLid` when that is not blank, else the record numbered
    // `varDjbh`. Runs on `trCnn` inside the caller's transaction and never
    // begins, commits or rolls back. Sets pUserid to the current user.
    // True when every statement ran; on false or an exception the caller
    // must roll back. "合计" (a list's sum row) without an id is ignored.
    bool CancelMonthFee(Connection& trCnn, std::string varDjbh, std::string sfJLid = {});
    // What CancelMonthFee will write, as a preview (see planZF).
    plan::Plan planCancelMonthFee(Connection& cn, const std::string& varDjbh, const std::string& sfJLid);

    // The entry operations: each opens one window of the module modally and
    // returns when it is closed. ShowPJinfo first hands the register this
    // object's printing values and its gRun and gBillPrint objects.
    // ShowJMJL (the single-student reduction window "frmjmjlNew") and
    // ShowBachJm (the arrears-based batch window "frmJmBachList") find their
    // window in the form registry: those windows belong to layers built on
    // top of this one, which register them; an unregistered window throws
    // std::logic_error.
    void ShowPJinfo();
    void ShowJMJL();
    void ShowBachJm();

    // Statements of the receipt register. The category restriction of the
    // current user comes from the host (getXSLBlistInSQL(" c.lb1 ")).
    // `strWhere` is a condition and must not be empty.
    std::string getPJMLsqL(const std::string& strWhere) const;
    // The newest 100 receipts; `strWhere` may be empty.
    std::string getPJMLsqLTop100(const std::string& strWhere) const;
    std::string getPJMLkpr() const;    // the distinct issuers
    std::string getPJMLstate() const;  // the distinct bill states

private:
    HostSystem& host() const;
    // The void's own rows (the receipts) planned onto `p`, before the
    // cancellation of its fee record.
    void planVoidedReceipts(Connection& cn, plan::Plan& p, plan::Draws& draws);

    std::shared_ptr<PeriodObject> objYfAndTerm_;
    bool blnPrintSKr_ = false;
    std::string picPath2_, picPath_, kdwContent_;
    std::shared_ptr<ReceiptPrinter> gBillPrint_;
    std::shared_ptr<HostSystem> gRun_;
    std::string pPcs_, strSFTFprojectName_, cmbPage_, pBillNameForsfSub_, pBillNameForSF_;
    std::string zfyy_;
    int pSql_ = 0;
    std::string pUseridZfr_, pUserid_;
    std::string zfr_, zfrq_, skr_, kpr_, jeDx_, hjje_, beizhu_, kprq_;
    std::string xm_, xh_, xsId_, bjmc_, state_, djbh_, ID_;
};

}  // namespace fo
