// Tour steps of the fee windows: the fee window with a student found, his
// stored lines ticked, one paid in part, the open month's per-day line for
// the days he attended and the customer's money typed; the clerk's day of
// the office's busiest recent day.
#include "fees/frmDayReport.h"
#include "fees/frmSF.h"
#include "host/api/ModuleGlobals.h"
#include "qt/Tour.h"
#include "ui/controls/KeyCodes.h"

namespace fo::app {
namespace {

std::string firstOfFeeBooks(const std::string& sql) {
    ConnectionPtr cn = gRun().pGetCN();
    RecordsetPtr rs = cn->execute(sql);
    return rs && !rs->eof() ? rs->field(std::size_t{0}).toText() : std::string();
}

void fillCharge(frmSF& w) {
    // A student who owes stored arrears of more than one item.
    const std::string xh = firstOfFeeBooks("select x.xh from kdw_xs x inner join qfhzb h on h.xsid=x.id where h.fkrq is null"
                                 " and x.del=0 and h.qfkid in(select qfkid from qfmxb group by qfkid having count(*)>1)"
                                 " order by x.ysk desc,x.id");
    if (xh.empty()) return;
    w.txtFind.userSetText(xh);
    w.userKey(w.txtFind, key::Enter);
    if (w.lvwDue.itemCount() < 1) return;
    w.lvwDue.userItemCheck(w.lvwDue.item(1).key(), true);
    if (w.lvwDue.itemCount() > 1) {
        const std::string part = w.lvwDue.item(2).key();
        w.lvwDue.userItemCheck(part, true);
        w.lvwDue.userItemClick(part);
        w.txtPay.userSetText("100");
    }
    // The same receipt takes the open month's per-day line, for the days he
    // attended.
    for (int i = w.lvwDue.itemCount(); i > 2; --i)
        if (const std::string key = w.lvwDue.item(i).key(); key.rfind("kd", 0) == 0 && !w.lvwDue.item(i).subItem(2).empty()) {
            w.lvwDue.userItemCheck(key, true);
            w.lvwDue.userItemClick(key);
            w.txtDays.userSetText("20");
            break;
        }
    w.txtTendered.userSetText("2000");
    w.txtRemark.userSetText("家长现金交费");
}

void fillDay(frmDayReport& w) {
    const std::string day = firstOfFeeBooks("select max(czrq) from INandOutML");
    if (day.size() < 10) return;
    if (auto d = DateTime::parse(day.substr(0, 10))) w.DTPday.setValue(*d);
    w.cmdQuery.userClick();
}

const bool feeStepsRegistered = [] {
    qt::modalFormStep<frmSF>("frmSF", fillCharge);
    qt::modalFormStep<frmDayReport>("frmDayReport", fillDay);
    return true;
}();

}  // namespace
}  // namespace fo::app
